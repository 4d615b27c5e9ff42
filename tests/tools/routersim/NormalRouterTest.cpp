#include <gtest/gtest.h>

#include <string>

#include "routersim/NormalRouter.h"

namespace routersim {
namespace {

const Bytes QD_QUERY{'Q', 'D', 0, 0};
const Bytes QQ_QUERY{'Q', 'Q', 0};

Incoming from_pc(Bytes bytes, int local_port = 9) {
    return {std::move(bytes), "192.168.0.100", 40000, local_port};
}

// The text of a reply from offset to its first zero byte or its end.
std::string text_at(const Bytes& bytes, std::size_t offset) {
    std::string text;
    for (std::size_t i = offset; i < bytes.size() && bytes[i] != 0; ++i)
        text += static_cast<char>(bytes[i]);
    return text;
}

struct QdCase {
    const char* name;
    NormalRouterOptions options;
    std::size_t length;
    std::string detail;  // as read from offset 12
    std::string module;  // as read from offset 44
};

class QdReplyTest : public testing::TestWithParam<QdCase> {};

TEST_P(QdReplyTest, LaysOutDetailAndModule) {
    NormalRouter router(GetParam().options);
    const auto out = router.receive(from_pc(QD_QUERY), 0);
    ASSERT_EQ(out.size(), 1u);
    const Bytes& reply = out[0].bytes;
    ASSERT_EQ(reply.size(), GetParam().length);
    EXPECT_EQ(text_at(reply, 12), GetParam().detail);
    EXPECT_EQ(text_at(reply, 44), GetParam().module);
    for (std::size_t i = 0; i < std::min<std::size_t>(12, reply.size()); ++i)
        EXPECT_EQ(reply[i], 0) << "byte " << i;
    EXPECT_EQ(out[0].to_address, "192.168.0.100");
    EXPECT_EQ(out[0].to_port, 40000);
    EXPECT_EQ(out[0].from_port, 9);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, QdReplyTest,
    testing::Values(QdCase{"ModuleAndDetail", {.module = "WX2000", .detail = "rev B"}, 68, "rev B", "WX2000"},
                    QdCase{"EmptyTexts", {.module = "", .detail = ""}, 68, "", ""},
                    QdCase{"LongTextsAreCutToTheirFields",
                           {.module = std::string(30, 'M'), .detail = std::string(40, 'D')}, 68,
                           std::string(32, 'D') + std::string(24, 'M'), std::string(24, 'M')},
                    QdCase{"ShortReplyOf20Bytes", {.module = "WX2000", .detail = "abcdefgh", .reply_length = 20},
                           20, "abcdefgh", ""},
                    QdCase{"LongReplyIsPaddedWithZeros", {.module = "WX2000", .reply_length = 100}, 100, "",
                           "WX2000"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(NormalRouterTest, AnswersQqWithASmallReply) {
    NormalRouter router({.module = "WX2000"});
    const auto out = router.receive(from_pc(QQ_QUERY), 0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_LE(out[0].bytes.size(), 32u);
    EXPECT_EQ(out[0].to_port, 40000);
    EXPECT_EQ(out[0].from_port, 9);
}

TEST(NormalRouterTest, RepeatsEachAnswerAsConfigured) {
    NormalRouter router({.answers = 3});
    EXPECT_EQ(router.receive(from_pc(QD_QUERY), 0).size(), 3u);
    EXPECT_EQ(router.receive(from_pc(QQ_QUERY), 0).size(), 3u);
    EXPECT_EQ(router.queries_answered(), 2);
}

TEST(NormalRouterTest, IgnoresOtherPortsAndPayloads) {
    NormalRouter router;
    EXPECT_TRUE(router.receive(from_pc(QD_QUERY, 69), 0).empty());
    EXPECT_TRUE(router.receive(from_pc({'Q'}), 0).empty());
    EXPECT_TRUE(router.receive(from_pc({'Q', 'X', 0, 0}), 0).empty());
    EXPECT_TRUE(router.receive(from_pc({0, 1, 'V', 'N', 0}), 0).empty());
    EXPECT_EQ(router.queries_answered(), 0);
}

TEST(NormalRouterTest, PingAnswerIsConfigurable) {
    EXPECT_TRUE(NormalRouter().answers_ping(0));
    EXPECT_FALSE(NormalRouter({.answers_ping = false}).answers_ping(0));
}

}  // namespace
}  // namespace routersim
