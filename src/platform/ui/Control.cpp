#include "platform/ui/Control.h"

#include <algorithm>

namespace fw {

Control::Control(std::string name, Control* parent) : name_(std::move(name)), parent_(parent) {
    if (parent_) parent_->children_.push_back(this);
}

Control::~Control() {
    if (parent_) {
        auto& siblings = parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    for (Control* child : children_) child->parent_ = nullptr;
}

void Control::set_bounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    changed(Property::Geometry);
}

void Control::set_top(int top) { set_bounds(left_, top, width_, height_); }
void Control::set_height(int height) { set_bounds(left_, top_, width_, height); }

void Control::set_visible(bool visible) {
    if (visible == visible_) return;
    visible_ = visible;
    changed(Property::Visible);
}

void Control::set_enabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    changed(Property::Enabled);
}

void Control::set_color(TColor color) {
    if (color == color_) return;
    color_ = color;
    changed(Property::Color);
}

void Control::set_focus() {
    if (parent_) parent_->child_focused(this);
    changed(Property::Focus);
}

bool Control::focused() const {
    const Control* root = this;
    while (root->parent_) root = root->parent_;
    return root->focused_control() == this;
}

void Control::child_focused(Control* child) {
    if (parent_) parent_->child_focused(child);
}

Control* Control::focused_control() const { return nullptr; }

void Control::changed(Property p) {
    if (observer) observer(*this, p);
}

}  // namespace fw
