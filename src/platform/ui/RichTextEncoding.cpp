#include "platform/ui/RichTextEncoding.h"

#include <array>

namespace fw {

void append_utf8(std::string& out, std::uint32_t code_point)
{
    if ((code_point >= 0xD800 && code_point <= 0xDFFF) || code_point > 0x10FFFF)
        code_point = 0xFFFD;
    if (code_point < 0x80) {
        out += static_cast<char>(code_point);
    } else if (code_point < 0x800) {
        out += static_cast<char>(0xC0 | (code_point >> 6));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
        out += static_cast<char>(0xE0 | (code_point >> 12));
        out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code_point >> 18));
        out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code_point & 0x3F));
    }
}

std::uint32_t windows1252_code_point(std::uint8_t byte)
{
    static constexpr std::array<std::uint16_t, 32> high_controls = {
        0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
        0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    if (byte >= 0x80 && byte < 0xA0)
        return high_controls[byte - 0x80];
    return byte;
}

bool is_valid_utf8(const std::uint8_t* data, std::size_t length)
{
    std::size_t i = 0;
    while (i < length) {
        const std::uint8_t lead = data[i];
        std::size_t extra = 0;
        std::uint32_t code_point = 0;
        std::uint32_t minimum = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            code_point = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            code_point = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            code_point = lead & 0x07;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (length - i <= extra)
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const std::uint8_t next = data[i + k];
            if ((next & 0xC0) != 0x80)
                return false;
            code_point = (code_point << 6) | (next & 0x3F);
        }
        if (code_point < minimum || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

}  // namespace fw
