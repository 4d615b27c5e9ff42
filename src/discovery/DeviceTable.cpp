#include "discovery/DeviceTable.h"

#include "core/Texts.h"

namespace fw {

bool table_has_address(const router_list& table, const std::string& address) {
    for (int i = 0; i < table.count && i < router_list::kCapacity; ++i)
        if (table.info[i].address == address) return true;
    return false;
}

bool table_full(const router_list& table) { return table.count >= router_list::kCapacity; }

int reserve_record(router_list& table) {
    if (table.count < 0) table.count = 0;
    if (table_full(table)) return -1;
    return table.count++;
}

void empty_table(router_list& table) {
    for (int i = 0; i < table.count && i < router_list::kCapacity; ++i) table.info[i] = router_info{};
    table.count = 0;
}

std::string device_count_text(std::int32_t count) {
    return dec(count) + (count >= 2 ? " devices found" : " device found");
}

}  // namespace fw
