// The watchdog that abandons a run which has stopped making progress, and the
// removal of the extracted entry files.
#include <algorithm>

#include "app/TUpgradeForm1.h"
#include "core/Texts.h"
#include "platform/files/FileRoutines.h"
#include "platform/runtime/Application.h"
#include "platform/ui/Dialogs.h"

namespace fw {

namespace {
constexpr int kWatchdogLimit = 16;
}  // namespace

void TUpgradeForm1::StopTimer1Timer() {
    ++stop_counter;
    log("Stop Counter = " + dec(stop_counter));
    if (stop_counter < kWatchdogLimit) return;

    remove_temp_files();
    StopTimer1.set_enabled(false);
    // The window goes once this event is handled, and may go during the box
    // below: nothing of it is touched after the release.
    const bool recovery_open = tftp.transfer_open;
    Application& app = application();
    Release();
    if (recovery_open) {
        app.MessageBox("Recover Not Complete. Please execution program again !!", "Abnormal Terminated", MB_OK);
        app.Terminate();
    }
}

void TUpgradeForm1::remove_temp_files() {
    if (!embedded) return;
    const int count = std::clamp<int>(file_list.count, 0, ImbedFileList::kCapacity);
    // A file that is missing or cannot be deleted does not stop the others.
    for (int i = 0; i < count; ++i) delete_file(file_list.name[i] + ".tmp");
}

}  // namespace fw
