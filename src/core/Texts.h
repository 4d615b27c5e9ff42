#pragma once

#include <string>

namespace fw {

struct router_info;

// The text up to its first blank, or the whole text when it has none.
std::string first_word(const std::string& text);
// The text after the last folder separator of a path, or the whole text.
std::string base_name(const std::string& path);
// The text with characters removed from its end until its last one is "."; empty without ".".
std::string subnet_prefix(const std::string& text);
// Upper case of the letters a to z only; every other byte stays as it is.
std::string upper_case(const std::string& text);
// The entry's base name, upper-cased, begins with the device's module text, upper-cased.
bool module_matches(const router_info& device, const std::string& entry_name);
// Decimal text of a number, as log lines and messages write numbers.
std::string dec(long long n);

}  // namespace fw
