#pragma once

#include <cstdint>

#include "platform/ui/ShiftState.h"

namespace fw {

// The virtual key code of a Qt key (a Qt::Key value), or 0 for a key that has
// none. Letters and digits are their upper-case characters, F1 is 0x70.
std::uint16_t virtual_key(int qt_key);
// The shift state of Qt keyboard modifiers (a Qt::KeyboardModifiers value).
ShiftState shift_state(unsigned qt_modifiers);

}  // namespace fw
