#pragma once

#include <functional>
#include <string>

#include "platform/ui/Control.h"

namespace fw {

// A one-line edit. Setting the text from code raises no change event; typing does.
class TEdit : public Control {
public:
    TEdit(std::string name, Control* parent) : Control(std::move(name), parent) { set_color(clWindow); }

    const std::string& text() const { return text_; }
    void set_text(const std::string& text) {
        if (text == text_) return;
        text_ = text;
        changed(Property::Text);
    }
    // The user typed: the text becomes this and the change event runs.
    virtual void user_type(const std::string& text) {
        set_text(text);
        if (on_change) on_change();
    }

    std::function<void()> on_change;

private:
    std::string text_;
};

}  // namespace fw
