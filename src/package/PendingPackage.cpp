// Temporary empty bodies until the package reader lands; delete each one as it is implemented.
#include "app/TUpgradeForm1.h"

namespace fw {

int TUpgradeForm1::extract_package(File&) { return -1; }
void TUpgradeForm1::process_message_file(const std::uint8_t*, std::uint16_t, std::int64_t, int, int, int) {}

}  // namespace fw
