#include "platform/qt/QtApplicationHost.h"

#include <QApplication>

namespace fw {

QtApplicationHost::QtApplicationHost(int& argc, char** argv) : app_(std::make_unique<QApplication>(argc, argv)) {
    QApplication::setQuitOnLastWindowClosed(false);
}

QtApplicationHost::~QtApplicationHost() = default;

}  // namespace fw
