#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

// Field positions of the packed 125-byte notice header; the text follows it
// directly at offset 125.
inline constexpr std::size_t NOTICE_VENDOR_AT = 0;
inline constexpr std::size_t NOTICE_VENDOR_SIZE = 16;
inline constexpr std::size_t NOTICE_TITLE_AT = 16;
inline constexpr std::size_t NOTICE_TITLE_SIZE = 64;
inline constexpr std::size_t NOTICE_CLOSE_AFTER_AT = 80;  // u16 LE, ticks of 100 ms
inline constexpr std::size_t NOTICE_FTP_ONLY_AT = 82;
inline constexpr std::size_t NOTICE_TFTP_ONLY_AT = 83;
inline constexpr std::size_t NOTICE_TEXT_LENGTH_AT = 118;  // u16 LE
inline constexpr std::size_t NOTICE_TEXT_COLOR_AT = 120;   // u32 LE
inline constexpr std::size_t NOTICE_NO_BLINK_AT = 124;
inline constexpr std::size_t NOTICE_HEADER_SIZE = 125;
inline constexpr std::size_t NOTICE_TEXT_MAX = 0xFFFF;

// The notice carried in the data of an ATTR_MESSAGE_FILE entry.
struct NoticeRecord {
    std::string vendor;  // up to its zero byte, at most 16 bytes
    std::string title;   // up to its zero byte, at most 64 bytes
    std::uint16_t close_after = 0;
    std::uint8_t ftp_only = 0;
    std::uint8_t tftp_only = 0;
    std::uint16_t text_length = 0;  // as stored in the header
    std::uint32_t text_color = 0x00FFFFFF;
    std::uint8_t no_blink = 0;
    std::vector<std::uint8_t> message_text;  // the text bytes actually present
    // The stored text_length reached past the record; message_text holds what was there.
    bool text_cut = false;
};

// The record as bytes: the 125-byte header and the text. text_length is
// written as the length of message_text; vendor and title are stored with
// their zero byte, so they are cut to 15 and 63 bytes, and a text above
// 65535 bytes is cut to that size. Callers that must not lose anything check
// those limits first.
std::vector<std::uint8_t> encode_notice_record(const NoticeRecord& record);

}  // namespace fw
