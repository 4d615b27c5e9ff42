#pragma once

#include <string>
#include <vector>

#include "platform/ui/Control.h"

namespace fw {

// A multi-line text that only grows: each report is one appended line. Lines
// are kept in a vector, so appending stays cheap however long the log gets.
class TMemo : public Control {
public:
    TMemo(std::string name, Control* parent) : Control(std::move(name), parent) { set_color(clWindow); }

    const std::vector<std::string>& lines() const { return lines_; }
    std::size_t line_count() const { return lines_.size(); }
    void append(const std::string& line) {
        lines_.push_back(line);
        changed(Property::LineAppended);
    }
    void set_lines(std::vector<std::string> lines) {
        lines_ = std::move(lines);
        changed(Property::Lines);
    }

private:
    std::vector<std::string> lines_;
};

}  // namespace fw
