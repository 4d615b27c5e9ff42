#include <gtest/gtest.h>

#include <string>

#include "routersim/RecoveryLoader.h"
#include "routersim/TftpPacket.h"

namespace routersim {
namespace {

constexpr int PC_PORT = 50000;

Incoming from_pc(Bytes bytes, int local_port = 69, int from_port = PC_PORT) {
    return {std::move(bytes), "192.168.1.100", from_port, local_port};
}

Bytes pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 7 + i / 256) & 0xff);
    return bytes;
}

Bytes block_of(const Bytes& file, std::uint16_t block) {
    const std::size_t start = std::min(file.size(), std::size_t(block - 1) * 512);
    const std::size_t end = std::min(file.size(), start + 512);
    return tftp_data(block, Bytes(file.begin() + static_cast<std::ptrdiff_t>(start),
                                  file.begin() + static_cast<std::ptrdiff_t>(end)));
}

bool is_ack(const Outgoing& out, std::uint16_t block) {
    return tftp_opcode(out.bytes) == 4 && tftp_block(out.bytes) == block;
}

// Writes a file the way the upgrade tool does: every packet to port 69, each
// block sent once its predecessor is acknowledged. Returns every answer.
std::vector<Outgoing> write_file(RecoveryLoader& loader, const std::string& name, const Bytes& file) {
    std::vector<Outgoing> all;
    auto answers = loader.receive(from_pc(tftp_request(TftpOpcode::WriteRequest, name)), 0);
    const std::uint16_t last_block = static_cast<std::uint16_t>(file.size() / 512 + 1);
    std::uint16_t next = 1;
    while (!answers.empty()) {
        all.insert(all.end(), answers.begin(), answers.end());
        bool acked = false;
        for (const auto& answer : answers)
            acked = acked || is_ack(answer, static_cast<std::uint16_t>(next - 1));
        if (!acked || next > last_block)
            break;
        answers = loader.receive(from_pc(block_of(file, next)), 0);
        ++next;
    }
    return all;
}

std::string text_at(const Bytes& bytes, std::size_t offset) {
    std::string text;
    for (std::size_t i = offset; i < bytes.size() && bytes[i] != 0; ++i)
        text += static_cast<char>(bytes[i]);
    return text;
}

const Bytes VN_REQUEST = tftp_request(TftpOpcode::ReadRequest, "VN");
const Bytes REBOOT_REQUEST = tftp_request(TftpOpcode::ReadRequest, "R!");

TEST(RecoveryLoaderTest, AnswersVnWithDataBlockOneHoldingTheLoaderText) {
    RecoveryLoader loader({.text = "$Plumet Boot Loader V1.0"});
    const auto out = loader.receive(from_pc(VN_REQUEST), 0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(tftp_opcode(out[0].bytes), 3);
    EXPECT_EQ(tftp_block(out[0].bytes), 1);
    EXPECT_EQ(text_at(out[0].bytes, 4), "$Plumet Boot Loader V1.0");
    EXPECT_EQ(out[0].from_port, 69);
    EXPECT_EQ(out[0].to_address, "192.168.1.100");
    EXPECT_EQ(out[0].to_port, PC_PORT);
}

TEST(RecoveryLoaderTest, WrongMarkerDiffersInLetterCase) {
    RecoveryLoader loader({.wrong_marker = true});
    const auto out = loader.receive(from_pc(VN_REQUEST), 0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(text_at(out[0].bytes, 4), "$PLUMET Boot Loader V1.0");
}

TEST(RecoveryLoaderTest, RepeatsTheVnAnswerAsConfigured) {
    RecoveryLoader loader({.answers = 3});
    const auto out = loader.receive(from_pc(VN_REQUEST), 0);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[2].bytes, out[0].bytes);
}

TEST(RecoveryLoaderTest, AnswersAnUnknownReadRequestWithFileNotFound) {
    RecoveryLoader loader;
    const auto out = loader.receive(from_pc(tftp_request(TftpOpcode::ReadRequest, "XY")), 0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(tftp_opcode(out[0].bytes), 5);
    EXPECT_EQ(tftp_block(out[0].bytes), 1);
}

TEST(RecoveryLoaderTest, IgnoresProbesOnOtherPorts) {
    RecoveryLoader loader;
    EXPECT_TRUE(loader.receive(from_pc(VN_REQUEST, 9), 0).empty());
    EXPECT_TRUE(loader.receive(from_pc({'Q', 'D', 0, 0}, 9), 0).empty());
}

class WriteSizeTest : public testing::TestWithParam<std::size_t> {};

TEST_P(WriteSizeTest, StoresTheFileByteForByte) {
    RecoveryLoader loader;
    const Bytes file = pattern(GetParam());
    const auto answers = write_file(loader, "fw.bin.tmp", file);

    ASSERT_EQ(loader.files().size(), 1u);
    EXPECT_EQ(loader.files()[0].name, "fw.bin.tmp");
    EXPECT_EQ(loader.files()[0].bytes, file);
    // One acknowledgement for the request and one per block, numbered 0 upward, all from port 69.
    const std::size_t blocks = GetParam() / 512 + 1;
    ASSERT_EQ(answers.size(), blocks + 1);
    for (std::size_t i = 0; i < answers.size(); ++i) {
        EXPECT_TRUE(is_ack(answers[i], static_cast<std::uint16_t>(i))) << "answer " << i;
        EXPECT_EQ(answers[i].from_port, 69);
        EXPECT_EQ(answers[i].to_port, PC_PORT);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, WriteSizeTest, testing::Values(0, 1, 511, 512, 513, 1000, 1024),
                         [](const auto& info) { return "Bytes" + std::to_string(info.param); });

TEST(RecoveryLoaderTest, StoresFilesWrittenOneAfterAnother) {
    RecoveryLoader loader;
    write_file(loader, "a.tmp", pattern(700));
    write_file(loader, "b.tmp", pattern(30));
    ASSERT_EQ(loader.files().size(), 2u);
    EXPECT_EQ(loader.files()[0].name, "a.tmp");
    EXPECT_EQ(loader.files()[1].name, "b.tmp");
    EXPECT_EQ(loader.files()[1].bytes, pattern(30));
}

TEST(RecoveryLoaderTest, AcknowledgesFromTheConfiguredPortAndStillTakesDataAtPort69) {
    RecoveryLoader loader({.ack_port = 6001});
    const auto answers = write_file(loader, "f", pattern(600));
    ASSERT_EQ(answers.size(), 3u);
    for (const auto& answer : answers)
        EXPECT_EQ(answer.from_port, 6001);
    EXPECT_EQ(loader.files().size(), 1u);
    EXPECT_EQ(loader.ports(), (std::vector<int>{69, 6001}));
}

TEST(RecoveryLoaderTest, TakesDataAtTheAcknowledgementPortLikeAStandardClientSendsIt) {
    RecoveryLoader loader({.ack_port = 6001});
    loader.receive(from_pc(tftp_request(TftpOpcode::WriteRequest, "f")), 0);
    const auto out = loader.receive(from_pc(tftp_data(1, {1, 2, 3}), 6001), 0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(is_ack(out[0], 1));
    ASSERT_EQ(loader.files().size(), 1u);
    EXPECT_EQ(loader.files()[0].bytes, (Bytes{1, 2, 3}));
}

TEST(RecoveryLoaderTest, LosesTheAcknowledgementOfTheChosenBlockOnce) {
    RecoveryLoader loader({.lose_ack = 2});
    const Bytes file = pattern(1500);
    loader.receive(from_pc(tftp_request(TftpOpcode::WriteRequest, "f")), 0);
    EXPECT_EQ(loader.receive(from_pc(block_of(file, 1)), 0).size(), 1u);
    EXPECT_TRUE(loader.receive(from_pc(block_of(file, 2)), 0).empty());
    // A sender that sends the block again gets its acknowledgement.
    const auto again = loader.receive(from_pc(block_of(file, 2)), 0);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_TRUE(is_ack(again[0], 2));
    loader.receive(from_pc(block_of(file, 3)), 0);
    ASSERT_EQ(loader.files().size(), 1u);
    EXPECT_EQ(loader.files()[0].bytes, file);
}

TEST(RecoveryLoaderTest, LosingTheWriteRequestAcknowledgementStallsTheToolsWrite) {
    RecoveryLoader loader({.lose_ack = 0});
    EXPECT_TRUE(write_file(loader, "f", pattern(10)).empty());
    EXPECT_TRUE(loader.files().empty());
}

TEST(RecoveryLoaderTest, RepeatsTheAcknowledgementOfTheChosenBlock) {
    RecoveryLoader loader({.repeat_ack = 1});
    const auto answers = write_file(loader, "f", pattern(600));
    ASSERT_EQ(answers.size(), 4u);
    EXPECT_TRUE(is_ack(answers[1], 1));
    EXPECT_TRUE(is_ack(answers[2], 1));
    EXPECT_EQ(loader.files().size(), 1u);
}

TEST(RecoveryLoaderTest, AnswersErrorAtTheWriteRequest) {
    RecoveryLoader loader({.error_at = 0, .error_code = 3, .error_message = "Disk full"});
    const auto answers = write_file(loader, "f", pattern(600));
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].bytes, tftp_error(3, "Disk full"));
    EXPECT_TRUE(loader.receive(from_pc(block_of(pattern(600), 1)), 0).empty());
    EXPECT_TRUE(loader.files().empty());
}

TEST(RecoveryLoaderTest, AnswersErrorAtTheChosenBlockAndDropsTheFile) {
    RecoveryLoader loader({.error_at = 2});
    const auto answers = write_file(loader, "f", pattern(1500));
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_TRUE(is_ack(answers[1], 1));
    EXPECT_EQ(tftp_opcode(answers[2].bytes), 5);
    EXPECT_TRUE(loader.files().empty());
}

TEST(RecoveryLoaderTest, GoesSilentAfterTheChosenBlock) {
    RecoveryLoader loader({.silent_after = 1});
    const auto answers = write_file(loader, "f", pattern(1500));
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_TRUE(is_ack(answers[1], 1));
    EXPECT_TRUE(loader.receive(from_pc(VN_REQUEST), 0).empty());
    EXPECT_TRUE(loader.files().empty());
}

TEST(RecoveryLoaderTest, AnswersDataFromAnotherSenderWithUnknownTransferId) {
    RecoveryLoader loader;
    loader.receive(from_pc(tftp_request(TftpOpcode::WriteRequest, "f")), 0);
    const auto out = loader.receive(from_pc(tftp_data(1, {1}), 69, PC_PORT + 1), 0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(tftp_opcode(out[0].bytes), 5);
    EXPECT_EQ(tftp_block(out[0].bytes), 5);
    EXPECT_EQ(loader.receive(from_pc(tftp_data(1, {1})), 0).size(), 1u);
    EXPECT_EQ(loader.files().size(), 1u);
}

TEST(RecoveryLoaderTest, RefusesABlockLongerThan512Bytes) {
    RecoveryLoader loader;
    loader.receive(from_pc(tftp_request(TftpOpcode::WriteRequest, "f")), 0);
    const auto out = loader.receive(from_pc(tftp_data(1, pattern(513))), 0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(tftp_opcode(out[0].bytes), 5);
    EXPECT_TRUE(loader.files().empty());
}

TEST(RecoveryLoaderTest, RebootRequestSilencesTheLoaderUntilItComesBackAsANormalRouter) {
    RecoveryLoader loader({.reboot_delay_ms = 9000, .after_reboot = AfterReboot::NormalRouter,
                           .normal = {.module = "WX2000"}});
    EXPECT_TRUE(loader.receive(from_pc(REBOOT_REQUEST), 1000).empty());
    EXPECT_EQ(loader.reboot_requests(), 1);

    EXPECT_EQ(loader.phase(9999), RecoveryLoader::Phase::Rebooting);
    EXPECT_FALSE(loader.answers_ping(9999));
    EXPECT_TRUE(loader.receive(from_pc(VN_REQUEST), 9999).empty());
    EXPECT_TRUE(loader.receive(from_pc({'Q', 'D', 0, 0}, 9), 9999).empty());

    EXPECT_EQ(loader.phase(10000), RecoveryLoader::Phase::NormalRouter);
    EXPECT_TRUE(loader.answers_ping(10000));
    EXPECT_TRUE(loader.receive(from_pc(VN_REQUEST), 10000).empty());
    const auto qd = loader.receive(from_pc({'Q', 'D', 0, 0}, 9), 10000);
    ASSERT_EQ(qd.size(), 1u);
    EXPECT_EQ(text_at(qd[0].bytes, 44), "WX2000");
    EXPECT_EQ(loader.ports(), (std::vector<int>{69, 9}));
}

TEST(RecoveryLoaderTest, RebootDelayCountsAcrossTheClockWrap) {
    RecoveryLoader loader({.reboot_delay_ms = 100, .after_reboot = AfterReboot::RecoveryLoader});
    loader.receive(from_pc(REBOOT_REQUEST), 0xFFFFFFF0u);
    EXPECT_EQ(loader.phase(0x00000050u), RecoveryLoader::Phase::Rebooting);
    EXPECT_EQ(loader.phase(0x00000054u), RecoveryLoader::Phase::Loader);
    EXPECT_EQ(loader.receive(from_pc(VN_REQUEST), 0x00000054u).size(), 1u);
}

TEST(RecoveryLoaderTest, StaysSilentAfterRebootByDefault) {
    RecoveryLoader loader({.reboot_delay_ms = 10});
    loader.receive(from_pc(REBOOT_REQUEST), 0);
    EXPECT_EQ(loader.phase(1000), RecoveryLoader::Phase::Silent);
    EXPECT_FALSE(loader.answers_ping(1000));
    EXPECT_TRUE(loader.receive(from_pc(VN_REQUEST), 1000).empty());
}

TEST(RecoveryLoaderTest, RebootDropsAWriteInProgress) {
    RecoveryLoader loader({.reboot_delay_ms = 0, .after_reboot = AfterReboot::RecoveryLoader});
    loader.receive(from_pc(tftp_request(TftpOpcode::WriteRequest, "f")), 0);
    loader.receive(from_pc(tftp_data(1, pattern(512))), 0);
    loader.receive(from_pc(REBOOT_REQUEST), 0);
    EXPECT_TRUE(loader.receive(from_pc(tftp_data(2, {1})), 0).empty());
    EXPECT_TRUE(loader.files().empty());
}

TEST(RecoveryLoaderTest, RebootNeedsOctetMode) {
    RecoveryLoader loader;
    loader.receive(from_pc(tftp_request(TftpOpcode::ReadRequest, "R!", "netascii")), 0);
    EXPECT_EQ(loader.reboot_requests(), 0);
    loader.receive(from_pc(tftp_request(TftpOpcode::ReadRequest, "R!", "OCTET")), 0);
    EXPECT_EQ(loader.reboot_requests(), 1);
}

}  // namespace
}  // namespace routersim
