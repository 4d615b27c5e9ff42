#include "platform/qt/QtFormWindow.h"

#include <QCloseEvent>

namespace fw {

void QtFormWindow::closeEvent(QCloseEvent* event) {
    // The form closes itself (or refuses to) through its system command.
    event->ignore();
    if (on_close_request) on_close_request();
}

void QtFormWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && on_state_change) on_state_change();
}

}  // namespace fw
