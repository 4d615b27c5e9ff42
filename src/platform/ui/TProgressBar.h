#pragma once

#include <algorithm>

#include "platform/ui/Control.h"

namespace fw {

// A progress bar. Like the system control it keeps the position inside the range.
class TProgressBar : public Control {
public:
    using Control::Control;

    int min() const { return min_; }
    int max() const { return max_; }
    int position() const { return position_; }
    bool smooth() const { return smooth_; }
    void set_smooth(bool smooth) { smooth_ = smooth; }

    void set_min(int v) { min_ = v; clamp(); changed(Property::Range); }
    void set_max(int v) { max_ = v; clamp(); changed(Property::Range); }
    void set_position(int v) {
        position_ = v;
        clamp();
        changed(Property::Position);
    }
    void step_by(int delta) { set_position(position_ + delta); }

private:
    void clamp() { position_ = std::clamp(position_, min_, std::max(min_, max_)); }

    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    bool smooth_ = false;
};

}  // namespace fw
