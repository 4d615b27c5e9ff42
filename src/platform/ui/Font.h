#pragma once

#include <string>

namespace fw {

// A font as the designer set it. A negative height is the character height in
// pixels; the view picks the platform's nearest face when the name is absent.
struct Font {
    std::string name = "MS Sans Serif";
    int height = -11;
    bool bold = false;
};

}  // namespace fw
