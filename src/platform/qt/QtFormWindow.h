#pragma once

#include <functional>

#include <QWidget>

namespace fw {

// The top-level widget of a form. The window manager's requests (close,
// minimise, maximise, restore) are handed on, not carried out: the form's
// message handler decides, and the binding makes the window follow.
class QtFormWindow final : public QWidget {
public:
    explicit QtFormWindow(Qt::WindowFlags flags) : QWidget(nullptr, flags) {}

    std::function<void()> on_close_request;
    std::function<void()> on_state_change;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
};

}  // namespace fw
