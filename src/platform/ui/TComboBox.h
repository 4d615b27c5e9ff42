#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/Control.h"

namespace fw {

// A combo box with an edit field: free text allowed, items optionally kept
// sorted by text. Setting the text or the item index from code raises no
// change event; a choice or typing by the user does.
class TComboBox : public Control {
public:
    TComboBox(std::string name, Control* parent) : Control(std::move(name), parent) { set_color(clWindow); }

    bool sorted() const { return sorted_; }
    void set_sorted(bool sorted) { sorted_ = sorted; }

    const std::vector<std::string>& items() const { return items_; }
    // Adds an item, at its sorted place when the box is sorted; returns its index.
    int add_item(const std::string& item);
    // Empties the text and the item list.
    void clear();

    int item_index() const { return item_index_; }
    // Selects item i (its text becomes the box's text); -1 selects nothing.
    void set_item_index(int i);

    const std::string& text() const { return text_; }
    void set_text(const std::string& text);

    // The user picked item i from the list.
    void user_select(int i);
    // The user typed: the edit text becomes this.
    void user_type(const std::string& text);
    // A character key pressed in the box; the handler may change or swallow it.
    void key_press(char key);

    std::function<void()> on_change;
    std::function<void(char& key)> on_key_press;

private:
    bool sorted_ = false;
    std::vector<std::string> items_;
    int item_index_ = -1;
    std::string text_;
};

}  // namespace fw
