#pragma once

#include <cstdint>

namespace fw {

// One entry of a rich text colour table.
struct RichTextColor {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    bool operator==(const RichTextColor&) const = default;
};

}  // namespace fw
