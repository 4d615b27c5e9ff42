#pragma once

#include <string>

#include "platform/ui/Control.h"
#include "platform/ui/Font.h"

namespace fw {

// A static text.
class TLabel : public Control {
public:
    TLabel(std::string name, Control* parent, std::string caption = {})
        : Control(std::move(name), parent), caption_(std::move(caption)) {}

    const std::string& caption() const { return caption_; }
    void set_caption(const std::string& caption) { caption_ = caption; changed(Property::Caption); }

    // Empty name: the form's font.
    Font font{"", 0, false};

private:
    std::string caption_;
};

}  // namespace fw
