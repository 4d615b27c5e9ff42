#pragma once

#include <memory>

class QApplication;

namespace fw {

// Owns the QApplication of a run: create it first, before the Qt event loop,
// the dialogs and the binding, and keep it until they are gone. The forms
// decide when the program ends, so closing the last window does not quit Qt.
class QtApplicationHost {
public:
    QtApplicationHost(int& argc, char** argv);
    ~QtApplicationHost();
    QtApplicationHost(const QtApplicationHost&) = delete;
    QtApplicationHost& operator=(const QtApplicationHost&) = delete;

    QApplication& qt() const { return *app_; }

private:
    std::unique_ptr<QApplication> app_;
};

}  // namespace fw
