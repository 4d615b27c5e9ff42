// Temporary bodies until the exit guard lands; delete each one as it is implemented.
#include "app/TUpgradeForm1.h"

namespace fw {

void TUpgradeForm1::FormClose(CloseAction&) {}
void TUpgradeForm1::ExitClick() { Close(); }
void TUpgradeForm1::ExitKeyDown(std::uint16_t&, ShiftState) {}
void TUpgradeForm1::WndProc(WindowMessage& message) { TForm::WndProc(message); }

}  // namespace fw
