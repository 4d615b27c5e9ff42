#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/Color.h"

namespace fw {

// What changed on a control, so that a view can mirror it.
enum class Property {
    Caption, Text, Visible, Enabled, Geometry, Color, Items, ItemIndex, LineAppended,
    Lines, Range, Position, Focus, Content,
};

// The part of every control model that a view needs: name, parent, geometry
// in pixels, visibility, enabled state and colour, and a change notification.
class Control {
public:
    explicit Control(std::string name, Control* parent = nullptr);
    virtual ~Control();
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& name() const { return name_; }
    Control* parent() const { return parent_; }
    const std::vector<Control*>& children() const { return children_; }

    int left() const { return left_; }
    int top() const { return top_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void set_bounds(int left, int top, int width, int height);
    void set_top(int top);
    void set_height(int height);
    int bottom() const { return top_ + height_; }

    bool visible() const { return visible_; }
    void set_visible(bool visible);
    void show() { set_visible(true); }
    void hide() { set_visible(false); }

    bool enabled() const { return enabled_; }
    void set_enabled(bool enabled);

    TColor color() const { return color_; }
    void set_color(TColor color);

    // Keyboard focus; the view moves the real focus, the model keeps track of it.
    void set_focus();
    bool focused() const;

    // A view registers here to mirror property changes.
    std::function<void(Control&, Property)> observer;

protected:
    void changed(Property p);
    // Called on the ancestors when a descendant takes the focus; the form keeps it.
    virtual void child_focused(Control* child);
    virtual Control* focused_control() const;

private:
    std::string name_;
    Control* parent_ = nullptr;
    std::vector<Control*> children_;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    TColor color_ = clBtnFace;
};

}  // namespace fw
