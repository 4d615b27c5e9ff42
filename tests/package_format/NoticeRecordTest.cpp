#include "package/NoticeParse.h"
#include "package/NoticeRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> bytes_of(const std::string& text)
{
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// A header filled by offset, as a package from elsewhere would carry it.
std::vector<std::uint8_t> hand_record(const std::string& text, std::uint16_t text_length)
{
    std::vector<std::uint8_t> bytes(125, 0);
    std::memcpy(bytes.data(), "ORBE1", 5);
    std::memcpy(bytes.data() + 16, "Welcome", 7);
    bytes[80] = 0x32;  // close_after 50
    bytes[82] = 1;     // ftp_only
    bytes[83] = 0;     // tftp_only
    bytes[84] = 0xEE;  // reserved bytes are not read
    bytes[117] = 0xEE;
    bytes[118] = static_cast<std::uint8_t>(text_length);
    bytes[119] = static_cast<std::uint8_t>(text_length >> 8);
    bytes[120] = 0x11;  // text_color 0x00332211
    bytes[121] = 0x22;
    bytes[122] = 0x33;
    bytes[124] = 1;  // no_blink
    bytes.resize(125 + text.size());
    std::copy(text.begin(), text.end(), bytes.begin() + 125);
    return bytes;
}

TEST(NoticeRecord, HeaderFieldsAreReadFromTheirOffsets)
{
    const auto bytes = hand_record("Hello", 5);
    const fw::NoticeParse parse = fw::parse_notice_record(bytes.data(), bytes.size());
    ASSERT_TRUE(parse.ok()) << parse.message;
    const fw::NoticeRecord& record = parse.record;
    EXPECT_EQ(record.vendor, "ORBE1");
    EXPECT_EQ(record.title, "Welcome");
    EXPECT_EQ(record.close_after, 50);
    EXPECT_EQ(record.ftp_only, 1);
    EXPECT_EQ(record.tftp_only, 0);
    EXPECT_EQ(record.text_length, 5);
    EXPECT_EQ(record.text_color, 0x00332211u);
    EXPECT_EQ(record.no_blink, 1);
    EXPECT_EQ(record.message_text, bytes_of("Hello"));
    EXPECT_FALSE(record.text_cut);
}

TEST(NoticeRecord, BytesAfterTheTextAreNotPartOfIt)
{
    const auto bytes = hand_record("Hello, world", 5);
    const fw::NoticeParse parse = fw::parse_notice_record(bytes.data(), bytes.size());
    ASSERT_TRUE(parse.ok());
    EXPECT_EQ(parse.record.message_text, bytes_of("Hello"));
    EXPECT_FALSE(parse.record.text_cut);
}

TEST(NoticeRecord, RecordShorterThanTheHeaderIsRefused)
{
    const auto bytes = hand_record("", 0);
    const fw::NoticeParse parse = fw::parse_notice_record(bytes.data(), 124);
    EXPECT_EQ(parse.error, fw::NoticeError::TooShort);
    EXPECT_EQ(parse.message, "notice record: 124 bytes, shorter than the 125-byte header");
    EXPECT_EQ(fw::parse_notice_record(nullptr, 200).error, fw::NoticeError::TooShort);
}

TEST(NoticeRecord, HeaderAloneIsANoticeWithoutText)
{
    const auto bytes = hand_record("", 0);
    const fw::NoticeParse parse = fw::parse_notice_record(bytes.data(), bytes.size());
    ASSERT_TRUE(parse.ok());
    EXPECT_TRUE(parse.record.message_text.empty());
    EXPECT_FALSE(parse.record.text_cut);
}

TEST(NoticeRecord, TextLengthBeyondTheRecordIsCutToWhatIsThere)
{
    const auto bytes = hand_record("0123456789", 100);
    // The record ends three bytes into the text.
    const fw::NoticeParse parse = fw::parse_notice_record(bytes.data(), 128);
    ASSERT_TRUE(parse.ok());
    EXPECT_EQ(parse.record.text_length, 100);
    EXPECT_EQ(parse.record.message_text, bytes_of("012"));
    EXPECT_TRUE(parse.record.text_cut);
}

TEST(NoticeRecord, FieldsWithoutZeroByteEndAtTheFieldEnd)
{
    auto bytes = hand_record("x", 1);
    std::memset(bytes.data(), 'V', 16);
    std::memset(bytes.data() + 16, 'T', 64);
    const fw::NoticeParse parse = fw::parse_notice_record(bytes.data(), bytes.size());
    ASSERT_TRUE(parse.ok());
    EXPECT_EQ(parse.record.vendor, std::string(16, 'V'));
    EXPECT_EQ(parse.record.title, std::string(64, 'T'));
}

TEST(NoticeRecord, WriterLaysOutTheHeaderTheReaderExpects)
{
    fw::NoticeRecord record;
    record.vendor = "ORBE1";
    record.title = "Welcome";
    record.close_after = 50;
    record.ftp_only = 1;
    record.tftp_only = 0;
    record.text_color = 0x00332211;
    record.no_blink = 1;
    record.message_text = bytes_of("Hello");
    auto expected = hand_record("Hello", 5);
    expected[84] = expected[117] = 0;  // the writer leaves reserved bytes zero
    EXPECT_EQ(fw::encode_notice_record(record), expected);
}

TEST(NoticeRecord, WriterKeepsTheZeroByteOfEveryTextField)
{
    fw::NoticeRecord record;
    record.vendor = std::string(20, 'V');
    record.title = std::string(70, 'T');
    const auto bytes = fw::encode_notice_record(record);
    const fw::NoticeParse parse = fw::parse_notice_record(bytes.data(), bytes.size());
    ASSERT_TRUE(parse.ok());
    EXPECT_EQ(parse.record.vendor, std::string(15, 'V'));
    EXPECT_EQ(parse.record.title, std::string(63, 'T'));
}

TEST(NoticeRecord, RoundTripKeepsEveryField)
{
    fw::NoticeRecord record;
    record.vendor = "ACME";
    record.title = "Title";
    record.close_after = 0xFFFF;
    record.ftp_only = 7;
    record.tftp_only = 9;
    record.text_color = 0xFF00FF00;
    record.no_blink = 0;
    record.message_text = bytes_of("{\\rtf1 Hi}");
    const auto bytes = fw::encode_notice_record(record);
    ASSERT_EQ(bytes.size(), 125u + record.message_text.size());
    const fw::NoticeParse parse = fw::parse_notice_record(bytes.data(), bytes.size());
    ASSERT_TRUE(parse.ok());
    EXPECT_EQ(parse.record.vendor, record.vendor);
    EXPECT_EQ(parse.record.title, record.title);
    EXPECT_EQ(parse.record.close_after, record.close_after);
    EXPECT_EQ(parse.record.ftp_only, record.ftp_only);
    EXPECT_EQ(parse.record.tftp_only, record.tftp_only);
    EXPECT_EQ(parse.record.text_color, record.text_color);
    EXPECT_EQ(parse.record.no_blink, record.no_blink);
    EXPECT_EQ(parse.record.text_length, record.message_text.size());
    EXPECT_EQ(parse.record.message_text, record.message_text);
}

}  // namespace
