// Temporary bodies until the FTP progress lands; delete each one as it is implemented.
#include "app/TUpgradeForm1.h"

namespace fw {

void TUpgradeForm1::Timer2Timer() {}

}  // namespace fw
