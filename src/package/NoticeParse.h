#pragma once

#include "package/NoticeRecord.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace fw {

enum class NoticeError {
    None,
    TooShort,  // fewer bytes than the 125-byte header
};

// The outcome of parse_notice_record.
struct NoticeParse {
    NoticeError error = NoticeError::None;
    std::string message;
    NoticeRecord record;

    bool ok() const { return error == NoticeError::None; }
};

// Reads a notice record from `length` bytes at `data` and never reads past
// them. A record shorter than its header is refused. A text_length that
// reaches past the data is cut to the bytes present (record.text_cut), and a
// vendor or title field without a zero byte ends at the field's end.
NoticeParse parse_notice_record(const std::uint8_t* data, std::size_t length);

}  // namespace fw
