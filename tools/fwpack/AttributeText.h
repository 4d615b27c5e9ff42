#pragma once

#include "package/QuotedText.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace fwpack {

using fw::quote_text;

// "0x0802 upgrade module": the word in hex, its kind and its selection.
// Kinds: upgrade, notice, upgrade+notice, no-kind; selection: general,
// module, default, none. Bits outside those are added as "+0x....".
std::string describe_attribute(std::uint16_t attribute);


}  // namespace fwpack
