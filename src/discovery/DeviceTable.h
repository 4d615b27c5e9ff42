#pragma once

#include <cstdint>
#include <string>

#include "core/RouterList.h"

namespace fw {

// Device state codes of a router_info record. The duplicate variant of a
// code s from 0 to 4 is -(s+1).
constexpr std::int32_t STATE_CRASH = 0;              // recovery loader, answers ping
constexpr std::int32_t STATE_NORMAL = 1;             // running firmware, answers ping
constexpr std::int32_t STATE_DEFAULT_NORMAL = 2;     // found at a default address by "QQ", not pinged
constexpr std::int32_t STATE_CRASH_UNREACHABLE = 3;  // recovery loader without ping, or found at a default address
constexpr std::int32_t STATE_NORMAL_UNREACHABLE = 4; // running firmware without ping answer

constexpr std::int32_t duplicate_state(std::int32_t s) { return s >= 0 ? -(s + 1) : s; }

// Suffixes of the items in the device list, after the address. The search and
// the manual entry spell the duplicates differently.
constexpr const char* ITEM_CRASH = "  crash";
constexpr const char* ITEM_UNREACHABLE = "  unreachable";
constexpr const char* ITEM_CRASH_UNREACHABLE = "  crash and unreachable";
constexpr const char* ITEM_SEARCH_CRASH_DUPLICATE = "  crash and IP Duplicate";
constexpr const char* ITEM_SEARCH_DUPLICATE = "  IP Duplicate ";
constexpr const char* ITEM_SEARCH_CRASH_DUPLICATE_UNREACHABLE = "  crash and IP Duplicate and unreachable";
constexpr const char* ITEM_SEARCH_DUPLICATE_UNREACHABLE = "  IP Duplicate and unreachable";
constexpr const char* ITEM_ENTRY_CRASH_DUPLICATE = "  crash and IP duplicate";
constexpr const char* ITEM_ENTRY_DUPLICATE = "  IP duplicate";
constexpr const char* ITEM_ENTRY_FOUND_DUPLICATE = "  found IP Duplicate";
constexpr const char* ITEM_ENTRY_UNCONNECT = "  unConnect";
constexpr const char* ITEM_ENTRY_UNKNOWN = "  Unknown Router Type";

// The System Log line written when a device cannot be recorded because the
// table already holds router_list::kCapacity records.
constexpr const char* TABLE_FULL_TEXT = "Device table full: further devices ignored.";

// Some record in use has this address.
bool table_has_address(const router_list& table, const std::string& address);
bool table_full(const router_list& table);
// Takes the next record (index count) and counts it in use; -1 when the table is full.
int reserve_record(router_list& table);
// Every record in use gets empty texts and state 0, then the table holds none.
void empty_table(router_list& table);
// The status line after a search: the count and " device found" or " devices found".
std::string device_count_text(std::int32_t count);

}  // namespace fw
