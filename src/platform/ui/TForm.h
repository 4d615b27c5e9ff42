#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/Control.h"
#include "platform/ui/Font.h"
#include "platform/ui/WindowMessage.h"

namespace fw {

class Application;

enum class BorderStyle { Dialog, Sizeable };
enum class FormPosition { Designed, ScreenCenter };
enum class CloseAction { caNone, caHide, caFree, caMinimize };
enum class WindowState { Normal, Minimized, Maximized };

// A top-level window model. Geometry is kept in design pixels; the outer
// height is the client height plus the frame (caption and borders).
class TForm : public Control {
public:
    // Caption bar and the two fixed borders of a dialog frame.
    static constexpr int kFrameHeight = 25;
    static constexpr int kFrameWidth = 6;

    TForm(Application& app, std::string name);
    ~TForm() override;

    Application& application() const { return app_; }

    const std::string& caption() const { return caption_; }
    void set_caption(const std::string& caption);

    int client_width() const { return width() - kFrameWidth; }
    int client_height() const { return height() - kFrameHeight; }
    void set_client_size(int width, int height);
    int outer_height() const { return height(); }
    void set_outer_height(int height) { set_height(height); }

    BorderStyle border_style = BorderStyle::Dialog;
    FormPosition position = FormPosition::Designed;
    Font font;

    WindowState window_state() const { return window_state_; }

    void Show();
    void Hide();
    // Shows the form and runs a nested loop until it is closed; returns the modal result.
    int ShowModal();
    bool modal() const { return modal_; }
    int modal_result() const { return modal_result_; }
    void set_modal_result(int result) { modal_result_ = result; }
    // Closes the form: ends a modal run, or hides it (the main form ends the application).
    void Close();
    // Destroys the form once the current event has been handled.
    void Release();
    bool released() const { return released_; }

    // Lets code that unwinds out of a nested wait tell whether the form still stands.
    class Guard {
    public:
        explicit Guard(const TForm& form) : alive_(form.alive_), form_(&form) {}
        bool alive() const { return !alive_.expired() && !form_->released_; }

    private:
        std::weak_ptr<void> alive_;
        const TForm* form_;
    };
    Guard guard() const { return Guard(*this); }

    // The form became the active window.
    void Activate();
    // A system command from the window manager, through the window's message handler.
    void system_command(std::uintptr_t command);
    // The window's message handler; what it passes on is carried out by default_handler.
    virtual void WndProc(WindowMessage& message);

    // Runs the creation event; the application calls it once all components exist.
    void DoCreate();

    std::function<void()> on_create;
    std::function<void()> on_activate;
    std::function<void(CloseAction&)> on_close;

    Control* focused_control() const override { return focused_; }

protected:
    // The platform's own handling of a message: carries out system commands.
    void default_handler(WindowMessage& message);
    void child_focused(Control* child) override { focused_ = child; }

private:
    Application& app_;
    std::string caption_;
    WindowState window_state_ = WindowState::Normal;
    bool modal_ = false;
    int modal_result_ = 0;
    bool released_ = false;
    Control* focused_ = nullptr;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace fw
