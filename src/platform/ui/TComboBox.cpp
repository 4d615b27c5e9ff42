#include "platform/ui/TComboBox.h"

#include <algorithm>

namespace fw {

int TComboBox::add_item(const std::string& item) {
    std::size_t at = items_.size();
    if (sorted_) {
        // A list box sorts without regard to letter case; equal texts keep their order.
        auto less = [](const std::string& a, const std::string& b) {
            return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
                auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
                return static_cast<unsigned char>(lower(x)) < static_cast<unsigned char>(lower(y));
            });
        };
        at = std::upper_bound(items_.begin(), items_.end(), item, less) - items_.begin();
    }
    items_.insert(items_.begin() + at, item);
    if (item_index_ >= int(at)) ++item_index_;
    changed(Property::Items);
    return int(at);
}

void TComboBox::clear() {
    items_.clear();
    item_index_ = -1;
    text_.clear();
    changed(Property::Items);
    changed(Property::Text);
}

void TComboBox::set_item_index(int i) {
    if (i < -1 || i >= int(items_.size())) i = -1;
    item_index_ = i;
    if (i >= 0) text_ = items_[i];
    changed(Property::ItemIndex);
    changed(Property::Text);
}

void TComboBox::set_text(const std::string& text) {
    text_ = text;
    // The selection follows an exact match of the text, as the edit of a combo box does.
    item_index_ = -1;
    for (std::size_t k = 0; k < items_.size(); ++k)
        if (items_[k] == text_) {
            item_index_ = int(k);
            break;
        }
    changed(Property::Text);
}

void TComboBox::user_select(int i) {
    if (i < 0 || i >= int(items_.size())) return;
    set_item_index(i);
    if (on_change) on_change();
}

void TComboBox::user_type(const std::string& text) {
    set_text(text);
    if (on_change) on_change();
}

void TComboBox::key_press(char key) {
    if (on_key_press) on_key_press(key);
}

}  // namespace fw
