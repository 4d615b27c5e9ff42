#include "platform/qt/QtViewRegistry.h"

#include <QWidget>

namespace fw {

QtView QtViewRegistry::make(Control& model, QWidget* parent, QtViewContext& ctx) const {
    auto it = makers_.find(std::type_index(typeid(model)));
    if (it != makers_.end()) return it->second(model, parent, ctx);
    QtView view;
    view.widget = new QWidget(parent);
    view.apply = [](Property) {};
    return view;
}

}  // namespace fw
