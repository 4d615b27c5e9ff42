#include "package/NoticeRecord.h"

#include "package/ByteOrder.h"
#include "package/NoticeParse.h"

#include <algorithm>

namespace fw {

namespace {

std::string field_text(const std::uint8_t* field, std::size_t size)
{
    const std::uint8_t* end = std::find(field, field + size, 0);
    return std::string(reinterpret_cast<const char*>(field), static_cast<std::size_t>(end - field));
}

void put_field_text(std::uint8_t* field, std::size_t size, const std::string& text)
{
    std::copy_n(text.begin(), std::min(text.size(), size - 1), field);
}

}  // namespace

NoticeParse parse_notice_record(const std::uint8_t* data, std::size_t length)
{
    NoticeParse parse;
    if (data == nullptr || length < NOTICE_HEADER_SIZE) {
        parse.error = NoticeError::TooShort;
        parse.message = "notice record: " + std::to_string(data == nullptr ? 0 : length) +
                        " bytes, shorter than the " + std::to_string(NOTICE_HEADER_SIZE) + "-byte header";
        return parse;
    }
    NoticeRecord& record = parse.record;
    record.vendor = field_text(data + NOTICE_VENDOR_AT, NOTICE_VENDOR_SIZE);
    record.title = field_text(data + NOTICE_TITLE_AT, NOTICE_TITLE_SIZE);
    record.close_after = read_le16(data + NOTICE_CLOSE_AFTER_AT);
    record.ftp_only = data[NOTICE_FTP_ONLY_AT];
    record.tftp_only = data[NOTICE_TFTP_ONLY_AT];
    record.text_length = read_le16(data + NOTICE_TEXT_LENGTH_AT);
    record.text_color = read_le32(data + NOTICE_TEXT_COLOR_AT);
    record.no_blink = data[NOTICE_NO_BLINK_AT];

    const std::size_t present = length - NOTICE_HEADER_SIZE;
    const std::size_t taken = std::min<std::size_t>(record.text_length, present);
    record.text_cut = taken < record.text_length;
    record.message_text.assign(data + NOTICE_HEADER_SIZE, data + NOTICE_HEADER_SIZE + taken);
    return parse;
}

std::vector<std::uint8_t> encode_notice_record(const NoticeRecord& record)
{
    const std::size_t text_size = std::min(record.message_text.size(), NOTICE_TEXT_MAX);
    std::vector<std::uint8_t> bytes(NOTICE_HEADER_SIZE + text_size, 0);
    put_field_text(bytes.data() + NOTICE_VENDOR_AT, NOTICE_VENDOR_SIZE, record.vendor);
    put_field_text(bytes.data() + NOTICE_TITLE_AT, NOTICE_TITLE_SIZE, record.title);
    write_le16(bytes.data() + NOTICE_CLOSE_AFTER_AT, record.close_after);
    bytes[NOTICE_FTP_ONLY_AT] = record.ftp_only;
    bytes[NOTICE_TFTP_ONLY_AT] = record.tftp_only;
    write_le16(bytes.data() + NOTICE_TEXT_LENGTH_AT, static_cast<std::uint16_t>(text_size));
    write_le32(bytes.data() + NOTICE_TEXT_COLOR_AT, record.text_color);
    bytes[NOTICE_NO_BLINK_AT] = record.no_blink;
    std::copy_n(record.message_text.begin(), text_size, bytes.begin() + NOTICE_HEADER_SIZE);
    return bytes;
}

}  // namespace fw
