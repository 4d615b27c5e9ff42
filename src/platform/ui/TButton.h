#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/ui/Control.h"
#include "platform/ui/ShiftState.h"

namespace fw {

// A push button.
class TButton : public Control {
public:
    TButton(std::string name, Control* parent, std::string caption = {})
        : Control(std::move(name), parent), caption_(std::move(caption)) {}

    const std::string& caption() const { return caption_; }
    void set_caption(const std::string& caption) { caption_ = caption; changed(Property::Caption); }

    // A click by the user: only an enabled, visible button reacts.
    void click() {
        if (enabled() && visible() && on_click) on_click();
    }
    // A key pressed while the button has the focus.
    void key_down(std::uint16_t key, ShiftState shift) {
        std::uint16_t k = key;
        if (on_key_down) on_key_down(k, shift);
    }

    std::function<void()> on_click;
    std::function<void(std::uint16_t& key, ShiftState shift)> on_key_down;

private:
    std::string caption_;
};

}  // namespace fw
