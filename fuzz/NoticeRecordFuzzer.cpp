// The notice record reader and the rich-text reader of the notice window, on
// any bytes: a notice entry's data is parsed as a record and its text loaded
// as the window loads it; the same bytes are also loaded as a text directly.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzCheck.h"
#include "package/NoticeParse.h"
#include "package/NoticeRecord.h"
#include "platform/ui/RichText.h"

namespace {

void load_text(const std::vector<std::uint8_t>& text)
{
    // An exact-size heap copy: a read past the text is a heap overflow.
    const std::vector<std::uint8_t> copy(text);
    const fw::RichDocument document = fw::parse_rich_text(copy.data(), copy.size());
    (void)fw::plain_text(document);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> bytes(data, data + size);
    load_text(bytes);

    const fw::NoticeParse parse = fw::parse_notice_record(bytes.data(), bytes.size());
    if (!parse.ok()) {
        FUZZ_CHECK(size < fw::NOTICE_HEADER_SIZE);
        return 0;
    }
    const fw::NoticeRecord& record = parse.record;
    FUZZ_CHECK(record.vendor.size() <= fw::NOTICE_VENDOR_SIZE);
    FUZZ_CHECK(record.title.size() <= fw::NOTICE_TITLE_SIZE);
    FUZZ_CHECK(record.message_text.size() <= record.text_length);
    FUZZ_CHECK(record.message_text.size() <= size - fw::NOTICE_HEADER_SIZE);
    FUZZ_CHECK(record.text_cut == (record.message_text.size() < record.text_length));
    load_text(record.message_text);

    // Writing the record and reading it back keeps every field a writer can store.
    const std::vector<std::uint8_t> encoded = fw::encode_notice_record(record);
    const fw::NoticeParse again = fw::parse_notice_record(encoded.data(), encoded.size());
    FUZZ_CHECK(again.ok());
    const fw::NoticeRecord& back = again.record;
    FUZZ_CHECK(!back.text_cut);
    FUZZ_CHECK(back.message_text == record.message_text);
    FUZZ_CHECK(back.close_after == record.close_after);
    FUZZ_CHECK(back.ftp_only == record.ftp_only && back.tftp_only == record.tftp_only);
    FUZZ_CHECK(back.text_color == record.text_color && back.no_blink == record.no_blink);
    if (record.vendor.size() < fw::NOTICE_VENDOR_SIZE)
        FUZZ_CHECK(back.vendor == record.vendor);
    if (record.title.size() < fw::NOTICE_TITLE_SIZE)
        FUZZ_CHECK(back.title == record.title);
    return 0;
}
