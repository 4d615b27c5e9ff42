// Temporary empty bodies until the device search lands; delete each one as it is implemented.
#include "app/TUpgradeForm1.h"

namespace fw {

void TUpgradeForm1::FormActivate() {}
void TUpgradeForm1::IPReFreshClick() {}
void TUpgradeForm1::IPComBoxChange() {}
void TUpgradeForm1::IPComBoxKeyPress(char&) {}
int TUpgradeForm1::query_device(int, const std::string&, const std::string&) { return 0; }
bool TUpgradeForm1::mark_duplicate(const std::string&) { return false; }
int TUpgradeForm1::start_sockets() { return 0; }
void TUpgradeForm1::stop_sockets() {}
std::string TUpgradeForm1::get_host_name() { return {}; }
IP_List TUpgradeForm1::local_addresses() { return {}; }
bool TUpgradeForm1::same_subnet(const std::string&) { return false; }

}  // namespace fw
