#pragma once

#include <string>

#include "platform/ui/Dialogs.h"

namespace fw {

// The open-file dialog component: remembers its initial folder and the chosen file.
class TOpenDialog {
public:
    explicit TOpenDialog(Dialogs& dialogs) : dialogs_(dialogs) {}

    std::string initial_dir;
    std::string file_name;

    // Shows the dialog; false when the user cancels.
    bool Execute() {
        auto chosen = dialogs_.open_file(initial_dir);
        if (!chosen) return false;
        file_name = *chosen;
        return true;
    }

private:
    Dialogs& dialogs_;
};

}  // namespace fw
