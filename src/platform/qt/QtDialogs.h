#pragma once

#include "platform/ui/Dialogs.h"

namespace fw {

class QtEventLoop;

// The dialogs service on Qt: standard message boxes and the standard file
// dialog, modal to the whole application. Each runs a nested Qt loop, so
// timers and socket events go on while it is open; it closes by itself when
// the event loop is asked to quit.
class QtDialogs final : public Dialogs {
public:
    explicit QtDialogs(QtEventLoop& loop) : loop_(loop) {}

    int message_box(const std::string& text, const std::string& caption, int flags) override;
    int message_dialog(const std::string& text, MsgDlgType type, unsigned buttons) override;
    std::optional<std::string> open_file(const std::string& initial_dir) override;
    void show_exception(const std::string& message) override;

private:
    QtEventLoop& loop_;
};

}  // namespace fw
