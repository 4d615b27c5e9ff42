#pragma once

#include <functional>
#include <typeindex>
#include <unordered_map>

#include "platform/qt/QtView.h"
#include "platform/qt/QtViewContext.h"
#include "platform/ui/Control.h"

class QWidget;

namespace fw {

// Makes the widget of a control model, chosen by the model's dynamic type.
//
// Adding a control type is one function and one line: write
//     QtView make_rich_edit_view(TRichEdit& model, QWidget* parent, QtViewContext& ctx);
// that creates the widget under `parent`, connects the user's input to the
// model's events through ctx.user_event, and returns an `apply` that mirrors
// the type's own properties (Property::Content and so on); then register it in
// register_standard_views (QtStandardViews.cpp):
//     registry.add<TRichEdit>(make_rich_edit_view);
// Geometry, visibility, enabled state and focus need no code of their own.
class QtViewRegistry {
public:
    template <class T>
    using Maker = std::function<QtView(T& model, QWidget* parent, QtViewContext& ctx)>;

    template <class T>
    void add(Maker<T> maker) {
        makers_[std::type_index(typeid(T))] = [maker = std::move(maker)](Control& c, QWidget* parent,
                                                                          QtViewContext& ctx) {
            return maker(static_cast<T&>(c), parent, ctx);
        };
    }
    template <class T>
    void add(QtView (*maker)(T&, QWidget*, QtViewContext&)) {
        add<T>(Maker<T>(maker));
    }

    // The view for the model's exact type; a plain container for a type that
    // has no maker, so that its children still show.
    QtView make(Control& model, QWidget* parent, QtViewContext& ctx) const;
    bool knows(const Control& model) const { return makers_.count(std::type_index(typeid(model))) != 0; }

private:
    std::unordered_map<std::type_index, Maker<Control>> makers_;
};

}  // namespace fw
