#include "package/PackageLayout.h"
#include "package/QuotedText.h"

#include "package/ByteOrder.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace fw {

namespace {


PackageCheck refused(PackageError error, std::string message)
{
    PackageCheck check;
    check.error = error;
    check.message = std::move(message);
    return check;
}

std::string entry_prefix(std::size_t index)
{
    return "entry " + std::to_string(index) + ": ";
}

std::string name_fault_message(PackageError error, std::string_view name)
{
    switch (error) {
    case PackageError::NameEmpty:
        return "entry_name is empty";
    case PackageError::NameTooLong:
        return "entry_name " + quote_text(name) + " is longer than " +
               std::to_string(PACKAGE_ENTRY_NAME_MAX) + " characters";
    case PackageError::NameDotted:
        return "entry_name " + quote_text(name) + " is not a file name";
    case PackageError::NameHasSeparator:
        return "entry_name " + quote_text(name) + " holds a path separator";
    default:
        return "entry_name " + quote_text(name) + " is not usable";
    }
}

}  // namespace

bool has_package_magic(ByteSource& source)
{
    const std::uint64_t size = source.size();
    if (size < PACKAGE_MAGIC.size())
        return false;
    std::array<std::uint8_t, 8> tail{};
    if (!source.read_at(size - PACKAGE_MAGIC_FROM_END, tail.data(), tail.size()))
        return false;
    return tail == PACKAGE_MAGIC;
}

PackageError check_entry_name(std::string_view name)
{
    if (name.empty())
        return PackageError::NameEmpty;
    if (name.size() > PACKAGE_ENTRY_NAME_MAX)
        return PackageError::NameTooLong;
    if (name.find('\0') != std::string_view::npos)
        return PackageError::NameNotTerminated;
    if (name == "." || name == "..")
        return PackageError::NameDotted;
    if (name.find_first_of("/\\") != std::string_view::npos)
        return PackageError::NameHasSeparator;
    return PackageError::None;
}

PackageCheck validate_package(ByteSource& source)
{
    const std::uint64_t size = source.size();
    if (!has_package_magic(source))
        return refused(PackageError::NoPackage, "no package: the file does not end with the package magic");
    if (size < PACKAGE_TRAILER_SIZE)
        return refused(PackageError::TruncatedTrailer,
                       "trailer: the file is " + std::to_string(size) + " bytes, shorter than the " +
                           std::to_string(PACKAGE_TRAILER_SIZE) + "-byte trailer");

    std::array<std::uint8_t, PACKAGE_TRAILER_SIZE> trailer{};
    if (!source.read_at(size - PACKAGE_TRAILER_SIZE, trailer.data(), trailer.size()))
        return refused(PackageError::ReadFailed, "trailer: read error");
    const std::uint16_t entry_count =
        read_le16(trailer.data() + PACKAGE_TRAILER_SIZE - PACKAGE_COUNT_FROM_END);
    const std::uint16_t table_distance =
        read_le16(trailer.data() + PACKAGE_TRAILER_SIZE - PACKAGE_DISTANCE_FROM_END);

    if (entry_count > PACKAGE_MAX_ENTRIES)
        return refused(PackageError::TooManyEntries,
                       "trailer: entry_count " + std::to_string(entry_count) + " is above the limit of " +
                           std::to_string(PACKAGE_MAX_ENTRIES) + " entries");
    const std::size_t expected_distance = package_table_distance(entry_count);
    if (table_distance != expected_distance)
        return refused(PackageError::BadTableDistance,
                       "trailer: table_distance " + std::to_string(table_distance) +
                           " does not match 14 + 4 * entry_count = " + std::to_string(expected_distance));
    if (table_distance > size)
        return refused(PackageError::TableOutsideFile,
                       "trailer: table_distance " + std::to_string(table_distance) +
                           " points before the start of the file (" + std::to_string(size) + " bytes)");

    PackageCheck check;
    if (entry_count == 0) {
        // No table and no entries: the package is the trailer alone.
        check.package_offset = size - PACKAGE_TRAILER_SIZE;
        check.package_size = PACKAGE_TRAILER_SIZE;
        return check;
    }

    std::uint8_t first_offset_bytes[4] = {};
    if (!source.read_at(size - table_distance, first_offset_bytes, sizeof first_offset_bytes))
        return refused(PackageError::ReadFailed, "offset table: read error");
    const std::uint32_t first_offset = read_le32(first_offset_bytes);
    if (first_offset > size)
        return refused(PackageError::FirstEntryOutsideFile,
                       "offset table: entry_offset[0] " + std::to_string(first_offset) +
                           " points before the start of the file (" + std::to_string(size) + " bytes)");
    check.package_offset = size - first_offset;
    check.package_size = first_offset;

    std::uint64_t position = check.package_offset;
    for (std::size_t i = 0; i < entry_count; ++i) {
        const std::string prefix = entry_prefix(i);
        if (position > size || size - position < PACKAGE_ENTRY_HEADER_SIZE)
            return refused(PackageError::EntryHeaderOutsideFile,
                           prefix + "the 38-byte header at offset " + std::to_string(position) +
                               " runs past the end of the file (" + std::to_string(size) + " bytes)");
        std::array<std::uint8_t, PACKAGE_ENTRY_HEADER_SIZE> header{};
        if (!source.read_at(position, header.data(), header.size()))
            return refused(PackageError::ReadFailed, prefix + "read error at offset " + std::to_string(position));

        PackageEntryInfo entry;
        entry.entry_offset = position;
        entry.entry_length = read_le32(header.data() + PACKAGE_ENTRY_LENGTH_AT);
        entry.attribute = read_be16(header.data() + PACKAGE_ENTRY_ATTRIBUTE_AT);
        if (entry.entry_length < PACKAGE_ENTRY_HEADER_SIZE)
            return refused(PackageError::EntryLengthTooSmall,
                           prefix + "entry_length " + std::to_string(entry.entry_length) + " is below the " +
                               std::to_string(PACKAGE_ENTRY_HEADER_SIZE) + "-byte header");
        if (entry.entry_length > size - position)
            return refused(PackageError::EntryPastEnd,
                           prefix + "entry_length " + std::to_string(entry.entry_length) + " at offset " +
                               std::to_string(position) + " runs past the end of the file (" +
                               std::to_string(size) + " bytes)");

        const auto* name_field = header.data() + PACKAGE_ENTRY_NAME_AT;
        const auto* name_end = std::find(name_field, name_field + PACKAGE_ENTRY_NAME_SIZE, 0);
        if (name_end == name_field + PACKAGE_ENTRY_NAME_SIZE)
            return refused(PackageError::NameNotTerminated,
                           prefix + "entry_name has no zero byte in its " +
                               std::to_string(PACKAGE_ENTRY_NAME_SIZE) + " bytes");
        entry.name.assign(reinterpret_cast<const char*>(name_field), static_cast<std::size_t>(name_end - name_field));
        if (const PackageError fault = check_entry_name(entry.name); fault != PackageError::None)
            return refused(fault, prefix + name_fault_message(fault, entry.name));

        entry.data_offset = position + PACKAGE_ENTRY_HEADER_SIZE;
        entry.data_length = entry.entry_length - static_cast<std::uint32_t>(PACKAGE_ENTRY_HEADER_SIZE);
        position += entry.entry_length;
        check.entries.push_back(std::move(entry));
    }
    return check;
}

}  // namespace fw
