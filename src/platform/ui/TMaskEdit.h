#pragma once

#include <string>

#include "platform/ui/TEdit.h"

namespace fw {

// An edit with a maximum length and a password character.
class TMaskEdit : public TEdit {
public:
    using TEdit::TEdit;

    int max_length() const { return max_length_; }
    void set_max_length(int n) { max_length_ = n; }
    char password_char() const { return password_char_; }
    void set_password_char(char c) { password_char_ = c; changed(Property::Text); }

    void user_type(const std::string& text) override {
        TEdit::user_type(max_length_ > 0 && text.size() > std::size_t(max_length_) ? text.substr(0, max_length_) : text);
    }

private:
    int max_length_ = 0;
    char password_char_ = 0;
};

}  // namespace fw
