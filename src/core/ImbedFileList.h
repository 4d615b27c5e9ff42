#pragma once

#include <cstdint>
#include <string>

namespace fw {

// The extracted package entries, slot i for entry i.
struct ImbedFileList {
    static constexpr int kCapacity = 64;
    std::string name[kCapacity];             // temp_dir + entry name, without ".tmp"
    std::uint16_t attribute[kCapacity] = {};  // attribute word in host order
    std::int32_t count = 0;
};

}  // namespace fw
