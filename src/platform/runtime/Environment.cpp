#include "platform/runtime/Environment.h"

#include <cstdlib>
#include <cstring>

extern char** environ;

namespace fw {
namespace {

bool equal_ignoring_case(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> SystemEnvironment::get_ignoring_case(const std::string& name) const {
    if (auto exact = get(name)) return exact;
    for (char** e = environ; e && *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (!eq) continue;
        if (equal_ignoring_case(std::string(*e, static_cast<std::size_t>(eq - *e)), name)) return std::string(eq + 1);
    }
    return std::nullopt;
}

std::optional<std::string> SystemEnvironment::get(const std::string& name) const {
    if (const char* v = std::getenv(name.c_str())) return std::string(v);
    return std::nullopt;
}

std::optional<std::string> MapEnvironment::get_ignoring_case(const std::string& name) const {
    if (auto exact = get(name)) return exact;
    for (const auto& [k, v] : vars_)
        if (equal_ignoring_case(k, name)) return v;
    return std::nullopt;
}

std::optional<std::string> MapEnvironment::get(const std::string& name) const {
    auto it = vars_.find(name);
    if (it == vars_.end()) return std::nullopt;
    return it->second;
}

}  // namespace fw
