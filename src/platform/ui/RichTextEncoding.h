#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fw {

// Appends `code_point` to `out` as UTF-8; surrogates and values above
// U+10FFFF become U+FFFD.
void append_utf8(std::string& out, std::uint32_t code_point);

// The Unicode code point of a Windows-1252 byte; the five bytes the code
// page leaves undefined map to U+FFFD.
std::uint32_t windows1252_code_point(std::uint8_t byte);

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates
// or values above U+10FFFF).
bool is_valid_utf8(const std::uint8_t* data, std::size_t length);

}  // namespace fw
