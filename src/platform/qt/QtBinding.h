#pragma once

#include <exception>
#include <functional>
#include <memory>

#include "platform/runtime/UiBinding.h"

class QWidget;

namespace fw {

class Control;
class QtBindingImpl;
class QtEventLoop;
class QtViewRegistry;

// The Qt view of the forms. When a form is first shown it builds one real
// widget per control model (see QtViewRegistry for the widget of each control
// type), then mirrors every change of the models into the widgets and turns
// the user's input into the models' events. The window manager's requests
// become system commands of the form; the form's activate event is raised
// when it becomes active again coming from another of the program's own
// non-modal windows (the model raises it itself when the form is first shown).
//
// A change to a label, status line, progress bar or log is painted at once,
// since it may come in the middle of a wait that dispatches nothing; changes
// that follow each other quickly are painted at most every few milliseconds,
// and the rest when the loop's clock is next looked at or slept on (which is
// what such waits do) or when the loop runs again.
//
// Create it after the QApplication and register it with
// Application::set_binding; it must outlive the application's forms.
class QtBinding final : public UiBinding {
public:
    explicit QtBinding(QtEventLoop& loop);
    ~QtBinding() override;
    QtBinding(const QtBinding&) = delete;
    QtBinding& operator=(const QtBinding&) = delete;

    void form_shown(TForm& form) override;
    void form_hidden(TForm& form) override;
    void form_destroyed(TForm& form) override;
    void modal_begin(TForm& form) override;
    void modal_end(TForm& form) override;

    // Where exceptions escaping a model event go (the application's exception
    // display); without a handler they go to stderr.
    void set_exception_handler(std::function<void(const std::exception&)> handler);

    // The views of further control types are registered here.
    QtViewRegistry& registry();

    // The widget that shows a control or form, or null when it has none (not
    // shown yet, or destroyed).
    QWidget* widget_for(const Control& control) const;

private:
    std::unique_ptr<QtBindingImpl> impl_;
};

}  // namespace fw
