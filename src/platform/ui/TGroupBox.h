#pragma once

#include <string>

#include "platform/ui/Control.h"

namespace fw {

// A framed group with a caption, holding other controls.
class TGroupBox : public Control {
public:
    TGroupBox(std::string name, Control* parent, std::string caption = {})
        : Control(std::move(name), parent), caption_(std::move(caption)) {}

    const std::string& caption() const { return caption_; }
    void set_caption(const std::string& caption) { caption_ = caption; changed(Property::Caption); }

private:
    std::string caption_;
};

}  // namespace fw
