#include "core/Texts.h"

#include "core/RouterList.h"
#include "platform/files/FileRoutines.h"

namespace fw {

std::string first_word(const std::string& text) {
    const auto blank = text.find(' ');
    return blank == std::string::npos ? text : text.substr(0, blank);
}

std::string base_name(const std::string& path) {
    const auto sep = path.find_last_of(kPathSeparator);
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string subnet_prefix(const std::string& text) {
    const auto dot = text.find_last_of('.');
    return dot == std::string::npos ? std::string() : text.substr(0, dot + 1);
}

std::string upper_case(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return out;
}

bool module_matches(const router_info& device, const std::string& entry_name) {
    const std::string m = upper_case(device.module);
    const std::string e = upper_case(base_name(entry_name)).substr(0, m.size());
    return e == m;
}

std::string dec(long long n) { return std::to_string(n); }

}  // namespace fw
