#pragma once

#include <cstdint>

namespace fw {

// A colour value as the component library keeps it: a plain RGB colour has
// red in the lowest byte, then green, then blue; values with the top bit set
// name a system colour.
using TColor = std::uint32_t;

constexpr TColor clWhite = 0x00FFFFFF;
constexpr TColor clBlack = 0x00000000;
constexpr TColor clMenu = 0x80000004;
constexpr TColor clWindow = 0x80000005;
constexpr TColor clBtnFace = 0x8000000F;

constexpr bool is_system_color(TColor c) { return (c & 0x80000000u) != 0; }

}  // namespace fw
