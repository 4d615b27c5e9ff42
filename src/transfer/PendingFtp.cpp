// Temporary empty bodies until the FTP upgrade lands; delete each one as it is implemented.
#include "app/TUpgradeForm1.h"

namespace fw {

void TUpgradeForm1::UpgradeClick() {}

}  // namespace fw
