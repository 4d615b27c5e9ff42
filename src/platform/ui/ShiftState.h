#pragma once

#include <cstdint>

namespace fw {

// Modifier keys held down with a key.
enum ShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using ShiftState = unsigned;

// Virtual key codes the tool looks at.
constexpr std::uint16_t VK_RETURN = 0x0D;
constexpr std::uint16_t VK_F1 = 0x70;
constexpr std::uint16_t VK_F2 = 0x71;
constexpr std::uint16_t VK_F3 = 0x72;
constexpr std::uint16_t VK_F4 = 0x73;

}  // namespace fw
