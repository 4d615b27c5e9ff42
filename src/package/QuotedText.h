#pragma once

#include <string>
#include <string_view>

namespace fw {

// A text in double quotes with quotes, backslashes and unprintable bytes
// escaped, so names read from untrusted bytes stay printable in messages.
std::string quote_text(std::string_view text);

}  // namespace fw
