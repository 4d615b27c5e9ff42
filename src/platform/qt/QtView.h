#pragma once

#include <functional>

#include "platform/ui/Control.h"

class QWidget;

namespace fw {

// The widget that shows one control model, and how it follows the model.
// The binding itself mirrors what every control has (geometry, visibility,
// enabled state, focus); `apply` mirrors the rest of the control's own
// properties and is called once for each Property when the widget is built.
struct QtView {
    // Owned by its parent widget.
    QWidget* widget = nullptr;
    // Where the widgets of the model's children go; the widget itself when null.
    QWidget* children_parent = nullptr;
    std::function<void(Property)> apply;
};

}  // namespace fw
