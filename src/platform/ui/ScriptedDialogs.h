#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Dialogs.h"

namespace fw {

class EventLoop;

// A dialogs service for tests: records every box and dialog, answers from a
// queue, and can let time pass on the event loop while a box is "open", since
// timers and socket events go on under a modal box.
class ScriptedDialogs final : public Dialogs {
public:
    enum class Kind { MessageBox, MessageDialog, OpenFile, Exception, ModalForm };

    struct Call {
        Kind kind = Kind::MessageBox;
        std::string text;
        std::string caption;
        int flags = 0;                       // message box flags
        MsgDlgType type = MsgDlgType::mtCustom;  // message dialog
        unsigned buttons = 0;                // message dialog
        std::string initial_dir;             // open-file dialog
    };

    // Without a loop, boxes close at once.
    explicit ScriptedDialogs(EventLoop* loop = nullptr) : loop_(loop) {}

    // The next answers, in order. Without one: IDOK, the first button, or a cancelled open dialog.
    void answer(int result) { answers_.push_back(result); }
    void answer_open(std::optional<std::string> path) { open_answers_.push_back(std::move(path)); }
    // Each box stays open this long on the loop's clock before it is answered.
    void set_open_time(std::uint32_t ms) { open_ms_ = ms; }
    // Runs while a box is open, before it is answered (a test acting "under" the box).
    std::function<void(const Call&)> while_open;
    // Modal forms are closed by the "user" after this long (0: left to the form itself).
    void set_modal_close_after(std::uint32_t ms) { modal_close_ms_ = ms; }

    int message_box(const std::string& text, const std::string& caption, int flags) override;
    int message_dialog(const std::string& text, MsgDlgType type, unsigned buttons) override;
    std::optional<std::string> open_file(const std::string& initial_dir) override;
    void show_exception(const std::string& message) override;
    void modal_form_shown(TForm& form) override;

    const std::vector<Call>& calls() const { return calls_; }
    // The message boxes and dialogs only, as "caption|text" pairs, handy for comparisons.
    std::vector<std::string> boxes() const;
    void clear() { calls_.clear(); }

private:
    int next_answer(int fallback);
    void stay_open(const Call& call);

    EventLoop* loop_;
    std::deque<int> answers_;
    std::deque<std::optional<std::string>> open_answers_;
    std::uint32_t open_ms_ = 0;
    std::uint32_t modal_close_ms_ = 0;
    std::vector<Call> calls_;
};

}  // namespace fw
