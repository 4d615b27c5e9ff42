// Temporary bodies until the watchdog and the FTP progress land; delete each one as it is implemented.
#include "app/TUpgradeForm1.h"

namespace fw {

void TUpgradeForm1::Timer2Timer() {}
void TUpgradeForm1::StopTimer1Timer() {}

}  // namespace fw
