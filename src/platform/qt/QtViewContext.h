#pragma once

#include <functional>

#include <QFont>

class QWidget;

namespace fw {

// What a view maker gets from the binding for the form it builds.
class QtViewContext {
public:
    virtual ~QtViewContext() = default;

    // Runs a model event raised by the user (click, typing, a key). It does
    // nothing while the binding writes the model's values into the widgets
    // (that is not user input) or once the form is gone, and hands exceptions
    // to the application's exception display.
    virtual void user_event(const std::function<void()>& call) = 0;
    // True while the binding writes model values into widgets.
    virtual bool mirroring() const = 0;
    // Paints the widget now: a change made while no events are dispatched
    // (a busy wait, a sleep) must still reach the screen.
    virtual void show_now(QWidget* widget) = 0;
    // The font of the form, for controls that name no font of their own.
    virtual QFont form_font() const = 0;
};

}  // namespace fw
