#pragma once

#include <functional>

#include <QEvent>
#include <QObject>

namespace fw {

// An event filter from a function: install it on a widget, parented to that
// widget so that it goes with it. Returning true swallows the event.
class QtEventFilter final : public QObject {
public:
    using Handler = std::function<bool(QObject* watched, QEvent* event)>;

    QtEventFilter(QObject* parent, Handler handler) : QObject(parent), handler_(std::move(handler)) {}

    // Installs a filter on `target` that lives as long as it.
    static void install(QObject* target, Handler handler) {
        target->installEventFilter(new QtEventFilter(target, std::move(handler)));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override { return handler_ && handler_(watched, event); }

private:
    Handler handler_;
};

}  // namespace fw
