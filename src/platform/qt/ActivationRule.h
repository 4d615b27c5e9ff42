#pragma once

namespace fw {

class TForm;

// When a form's activate event is raised on this platform. The model raises
// it itself when a form is first shown; after that it comes only when a form
// becomes active again coming straight from another of the program's own
// non-modal windows. Not when one of its modal windows or a message box
// closes, and not when the user comes back from another program: a search
// on every return would empty the device list and stop a running transfer.
class ActivationRule {
public:
    // What became the active window.
    enum class Kind {
        None,       // no window of the program (the user is in another program)
        Form,       // a form shown non-modally
        ModalForm,  // a form running modally
        Foreign,    // another window of the program: a message box, the file dialog
    };

    // The active window changed; true when `form` (of kind Form) is to be activated.
    bool activated(Kind kind, const TForm* form) {
        const bool from_other_form = last_kind_ == Kind::Form && last_form_ != nullptr && last_form_ != form;
        last_kind_ = kind;
        last_form_ = form;
        return kind == Kind::Form && form != nullptr && from_other_form;
    }
    // The form is gone; it can no longer be the window focus comes from.
    void forget(const TForm* form) {
        if (last_form_ == form) last_form_ = nullptr;
    }

private:
    Kind last_kind_ = Kind::None;
    const TForm* last_form_ = nullptr;
};

}  // namespace fw
