#pragma once

namespace fw {

class TForm;

// What a view of the forms hears about them. The Qt binding builds real
// widgets when a form is first shown and mirrors it from then on.
class UiBinding {
public:
    virtual ~UiBinding() = default;
    virtual void form_shown(TForm& form) = 0;
    virtual void form_hidden(TForm& form) = 0;
    virtual void form_destroyed(TForm& form) = 0;
    // The form's modal loop begins or ends.
    virtual void modal_begin(TForm& form) { (void)form; }
    virtual void modal_end(TForm& form) { (void)form; }
};

}  // namespace fw
