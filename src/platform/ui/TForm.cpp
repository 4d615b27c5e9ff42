#include "platform/ui/TForm.h"

#include "platform/runtime/Application.h"
#include "platform/runtime/UiBinding.h"
#include "platform/ui/Dialogs.h"

namespace fw {

TForm::TForm(Application& app, std::string name) : Control(std::move(name)), app_(app) {
    set_visible(false);
}

TForm::~TForm() {
    if (app_.binding()) app_.binding()->form_destroyed(*this);
}

void TForm::set_caption(const std::string& caption) {
    caption_ = caption;
    changed(Property::Caption);
}

void TForm::set_client_size(int width, int height) {
    set_bounds(left(), top(), width + kFrameWidth, height + kFrameHeight);
}

void TForm::Show() {
    if (released_) return;
    set_visible(true);
    if (app_.binding()) app_.binding()->form_shown(*this);
}

void TForm::Hide() {
    set_visible(false);
    if (app_.binding()) app_.binding()->form_hidden(*this);
}

int TForm::ShowModal() {
    const Guard self = guard();
    modal_ = true;
    modal_result_ = mrNone;
    Show();
    if (app_.binding()) app_.binding()->modal_begin(*this);
    app_.dialogs().modal_form_shown(*this);
    Activate();
    app_.loop().run_until([&] { return !self.alive() || modal_result_ != mrNone || app_.terminated(); });
    if (!self.alive()) return mrCancel;
    if (app_.binding()) app_.binding()->modal_end(*this);
    modal_ = false;
    Hide();
    return modal_result_;
}

void TForm::Close() {
    CloseAction action = CloseAction::caHide;
    if (on_close) on_close(action);
    if (action == CloseAction::caNone) return;
    // A released form is on its way out; closing it only ends the program when it is the main form.
    if (released_) {
        if (app_.main_form() == this) app_.main_form_closed();
        return;
    }
    if (modal_) {
        if (modal_result_ == mrNone) modal_result_ = mrCancel;
        return;
    }
    if (app_.main_form() == this) {
        Hide();
        app_.main_form_closed();
        return;
    }
    if (action == CloseAction::caFree) Release(); else Hide();
}

void TForm::Release() {
    if (released_) return;
    released_ = true;
    app_.release_form(*this);
}

void TForm::Activate() {
    if (released_) return;
    if (on_activate) on_activate();
}

void TForm::DoCreate() {
    if (on_create) on_create();
}

void TForm::system_command(std::uintptr_t command) {
    WindowMessage m;
    m.msg = WM_SYSCOMMAND;
    m.wparam = command;
    WndProc(m);
}

void TForm::WndProc(WindowMessage& message) { default_handler(message); }

void TForm::default_handler(WindowMessage& message) {
    if (message.msg != WM_SYSCOMMAND) return;
    switch (message.wparam & 0xFFF0) {
        case SC_CLOSE: Close(); break;
        case SC_MINIMIZE: window_state_ = WindowState::Minimized; changed(Property::Geometry); break;
        case SC_MAXIMIZE: window_state_ = WindowState::Maximized; changed(Property::Geometry); break;
        case SC_RESTORE: window_state_ = WindowState::Normal; changed(Property::Geometry); break;
        default: break;
    }
}

}  // namespace fw
