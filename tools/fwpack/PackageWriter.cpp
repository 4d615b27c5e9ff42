#include "fwpack/PackageWriter.h"

#include "package/ByteOrder.h"
#include "package/PackageLayout.h"

#include <algorithm>
#include <limits>
#include <set>

namespace fwpack {

namespace {

PackageBytes failed(std::string error)
{
    PackageBytes result;
    result.error = std::move(error);
    return result;
}

std::string name_problem(fw::PackageError error)
{
    switch (error) {
    case fw::PackageError::NameEmpty:
        return "is empty";
    case fw::PackageError::NameTooLong:
        return "is longer than " + std::to_string(fw::PACKAGE_ENTRY_NAME_MAX) + " characters";
    case fw::PackageError::NameNotTerminated:
        return "holds a zero byte";
    case fw::PackageError::NameDotted:
        return "is not a file name";
    case fw::PackageError::NameHasSeparator:
        return "holds a path separator";
    default:
        return "is not usable";
    }
}

}  // namespace

PackageBytes encode_package(const std::vector<PackageEntry>& entries)
{
    if (entries.size() > fw::PACKAGE_MAX_ENTRIES)
        return failed(std::to_string(entries.size()) + " entries, more than the " +
                      std::to_string(fw::PACKAGE_MAX_ENTRIES) + " a package can hold");

    std::set<std::string> names;
    std::uint64_t total = fw::package_table_distance(entries.size());
    for (const PackageEntry& entry : entries) {
        if (const fw::PackageError fault = fw::check_entry_name(entry.name); fault != fw::PackageError::None)
            return failed("entry name \"" + entry.name + "\" " + name_problem(fault));
        if (!names.insert(entry.name).second)
            return failed("entry name \"" + entry.name + "\" is used twice");
        total += fw::PACKAGE_ENTRY_HEADER_SIZE + entry.data.size();
    }
    if (total > std::numeric_limits<std::uint32_t>::max())
        return failed("the package would be " + std::to_string(total) +
                      " bytes, beyond what its 32-bit offsets can address");

    PackageBytes result;
    std::vector<std::uint8_t>& bytes = result.bytes;
    bytes.reserve(total);
    std::vector<std::uint32_t> starts;
    for (const PackageEntry& entry : entries) {
        starts.push_back(static_cast<std::uint32_t>(bytes.size()));
        std::uint8_t header[fw::PACKAGE_ENTRY_HEADER_SIZE] = {};
        fw::write_le32(header + fw::PACKAGE_ENTRY_LENGTH_AT,
                       static_cast<std::uint32_t>(fw::PACKAGE_ENTRY_HEADER_SIZE + entry.data.size()));
        fw::write_be16(header + fw::PACKAGE_ENTRY_ATTRIBUTE_AT, entry.attribute);
        std::copy(entry.name.begin(), entry.name.end(), header + fw::PACKAGE_ENTRY_NAME_AT);
        bytes.insert(bytes.end(), header, header + sizeof header);
        bytes.insert(bytes.end(), entry.data.begin(), entry.data.end());
    }
    for (const std::uint32_t start : starts) {
        std::uint8_t value[4];
        fw::write_le32(value, static_cast<std::uint32_t>(total - start));
        bytes.insert(bytes.end(), value, value + sizeof value);
    }
    std::uint8_t trailer[fw::PACKAGE_TRAILER_SIZE] = {};
    fw::write_le16(trailer + fw::PACKAGE_TRAILER_SIZE - fw::PACKAGE_RESERVED_FROM_END, 0);
    fw::write_le16(trailer + fw::PACKAGE_TRAILER_SIZE - fw::PACKAGE_COUNT_FROM_END,
                   static_cast<std::uint16_t>(entries.size()));
    fw::write_le16(trailer + fw::PACKAGE_TRAILER_SIZE - fw::PACKAGE_DISTANCE_FROM_END,
                   static_cast<std::uint16_t>(fw::package_table_distance(entries.size())));
    std::copy(fw::PACKAGE_MAGIC.begin(), fw::PACKAGE_MAGIC.end(),
              trailer + fw::PACKAGE_TRAILER_SIZE - fw::PACKAGE_MAGIC_FROM_END);
    bytes.insert(bytes.end(), trailer, trailer + sizeof trailer);
    return result;
}

}  // namespace fwpack
