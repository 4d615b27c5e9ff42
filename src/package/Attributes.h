#pragma once

#include <cstdint>

namespace fw {

// Bits of a package entry's attribute word, in host order.

// The entry is an upgrade file: material that is sent to the device.
inline constexpr std::uint16_t ATTR_UPGRADE_FILE = 0x0800;
// The entry is a notice record shown in a notice window ("Message File").
inline constexpr std::uint16_t ATTR_MESSAGE_FILE = 0x0400;
// Selection bit: the entry is used without any identity test.
inline constexpr std::uint16_t ATTR_NO_IDCHECK = 0x0001;
// Selection bit: the entry is used only after an identity test.
// Together with ATTR_NO_IDCHECK it marks a default entry.
inline constexpr std::uint16_t ATTR_IDCHECK = 0x0002;

}  // namespace fw
