#include "platform/qt/QtKeys.h"

#include <Qt>

namespace fw {

std::uint16_t virtual_key(int qt_key) {
    if (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z) return static_cast<std::uint16_t>('A' + (qt_key - Qt::Key_A));
    if (qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return static_cast<std::uint16_t>('0' + (qt_key - Qt::Key_0));
    if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F24) return static_cast<std::uint16_t>(VK_F1 + (qt_key - Qt::Key_F1));
    switch (qt_key) {
        case Qt::Key_Backspace: return 0x08;
        case Qt::Key_Tab: case Qt::Key_Backtab: return 0x09;
        case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
        case Qt::Key_Shift: return 0x10;
        case Qt::Key_Control: return 0x11;
        case Qt::Key_Alt: return 0x12;
        case Qt::Key_Pause: return 0x13;
        case Qt::Key_CapsLock: return 0x14;
        case Qt::Key_Escape: return 0x1B;
        case Qt::Key_Space: return 0x20;
        case Qt::Key_PageUp: return 0x21;
        case Qt::Key_PageDown: return 0x22;
        case Qt::Key_End: return 0x23;
        case Qt::Key_Home: return 0x24;
        case Qt::Key_Left: return 0x25;
        case Qt::Key_Up: return 0x26;
        case Qt::Key_Right: return 0x27;
        case Qt::Key_Down: return 0x28;
        case Qt::Key_Print: return 0x2C;
        case Qt::Key_Insert: return 0x2D;
        case Qt::Key_Delete: return 0x2E;
        case Qt::Key_Meta: return 0x5B;
        case Qt::Key_Menu: return 0x5D;
        case Qt::Key_NumLock: return 0x90;
        case Qt::Key_ScrollLock: return 0x91;
        default: return 0;
    }
}

ShiftState shift_state(unsigned qt_modifiers) {
    ShiftState s = 0;
    if (qt_modifiers & Qt::ShiftModifier) s |= ssShift;
    if (qt_modifiers & Qt::AltModifier) s |= ssAlt;
    if (qt_modifiers & Qt::ControlModifier) s |= ssCtrl;
    return s;
}

}  // namespace fw
