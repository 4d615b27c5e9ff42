#pragma once

#include "app/TUpgradeForm1.h"

namespace fw::test {

// The layout mode the window shows, told from what SetFormMode leaves
// visible and the window's height; 0 for any other arrangement.
inline int layout_mode(const TUpgradeForm1& w) {
    const int full = w.full_height;
    const int L = w.GSystemLog.height(), P = w.PasswordGroup.height(), F = w.UpgreadFileGroup.height();
    const bool p = w.PasswordGroup.visible(), f = w.UpgreadFileGroup.visible(), l = w.GSystemLog.visible();
    const int h = w.outer_height();
    if (l) return 0;
    if (!p && f && h == full - L - P + 4) return 2;
    if (p && f && h == full - L + 4) return 3;
    if (!p && !f && h == full - L - P - F + 4) return 4;
    if (p && !f && h == full - L - F + 4) return 5;
    return 0;
}

}  // namespace fw::test
