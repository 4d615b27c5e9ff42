#include "platform/ui/ScriptedDialogs.h"

#include "platform/runtime/EventLoop.h"
#include "platform/ui/TForm.h"

#include <memory>

namespace fw {

int ScriptedDialogs::next_answer(int fallback) {
    if (answers_.empty()) return fallback;
    const int a = answers_.front();
    answers_.pop_front();
    return a;
}

void ScriptedDialogs::stay_open(const Call& call) {
    if (while_open) while_open(call);
    if (loop_ && open_ms_ > 0) {
        const std::uint32_t start = loop_->clock().now_ms();
        loop_->run_until([&] { return std::uint32_t(loop_->clock().now_ms() - start) >= open_ms_; });
    }
}

int ScriptedDialogs::message_box(const std::string& text, const std::string& caption, int flags) {
    Call call;
    call.kind = Kind::MessageBox;
    call.text = text;
    call.caption = caption;
    call.flags = flags;
    calls_.push_back(call);
    stay_open(call);
    return next_answer(IDOK);
}

int ScriptedDialogs::message_dialog(const std::string& text, MsgDlgType type, unsigned buttons) {
    Call call;
    call.kind = Kind::MessageDialog;
    call.text = text;
    call.caption = message_dialog_caption(type);
    call.type = type;
    call.buttons = buttons;
    calls_.push_back(call);
    stay_open(call);
    int first = mrOk;
    if (buttons & mbYes) first = mrYes;
    else if (buttons & mbOK) first = mrOk;
    else if (buttons & mbNo) first = mrNo;
    else if (buttons & mbCancel) first = mrCancel;
    return next_answer(first);
}

std::optional<std::string> ScriptedDialogs::open_file(const std::string& initial_dir) {
    Call call;
    call.kind = Kind::OpenFile;
    call.initial_dir = initial_dir;
    calls_.push_back(call);
    if (open_answers_.empty()) return std::nullopt;
    auto a = std::move(open_answers_.front());
    open_answers_.pop_front();
    return a;
}

void ScriptedDialogs::show_exception(const std::string& message) {
    Call call;
    call.kind = Kind::Exception;
    call.text = message;
    calls_.push_back(call);
}

void ScriptedDialogs::modal_form_shown(TForm& form) {
    Call call;
    call.kind = Kind::ModalForm;
    call.caption = form.caption();
    calls_.push_back(call);
    if (loop_ && modal_close_ms_ > 0) {
        const TForm::Guard g = form.guard();
        TForm* f = &form;
        // A one-shot "user closes the window" after the given time.
        auto fired = std::make_shared<EventLoop::Id>(0);
        *fired = loop_->start_timer(modal_close_ms_, [this, g, f, fired] {
            loop_->stop_timer(*fired);
            if (g.alive() && f->modal()) f->Close();
        });
    }
}

std::vector<std::string> ScriptedDialogs::boxes() const {
    std::vector<std::string> out;
    for (const auto& c : calls_)
        if (c.kind == Kind::MessageBox || c.kind == Kind::MessageDialog) out.push_back(c.caption + "|" + c.text);
    return out;
}

}  // namespace fw
