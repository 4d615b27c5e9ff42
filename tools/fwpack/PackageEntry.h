#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fwpack {

// One entry as the writer stores it: name, attribute word in host order and
// the data after the 38-byte header.
struct PackageEntry {
    std::string name;
    std::uint16_t attribute = 0;
    std::vector<std::uint8_t> data;
};

}  // namespace fwpack
