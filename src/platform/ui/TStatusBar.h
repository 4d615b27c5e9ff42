#pragma once

#include <string>

#include "platform/ui/Control.h"

namespace fw {

// A status bar with one simple panel, kept to the bottom edge of its form.
class TStatusBar : public Control {
public:
    using Control::Control;

    const std::string& simple_text() const { return simple_text_; }
    void set_simple_text(const std::string& text) {
        simple_text_ = text;
        changed(Property::Text);
    }

private:
    std::string simple_text_;
};

}  // namespace fw
