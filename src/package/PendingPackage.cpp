// Temporary empty body until the entry selection lands; delete it when it is implemented.
#include "app/TUpgradeForm1.h"

namespace fw {

int TUpgradeForm1::select_next_entry(int, int) { return SELECT_NONE; }

}  // namespace fw
