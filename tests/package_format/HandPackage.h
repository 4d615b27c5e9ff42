#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds package bytes field by field, apart from the fwpack writer, so the
// validator is checked against the layout itself. Offsets of interest are
// kept so tests can damage one field at a time.
class HandPackage {
public:
    struct Entry {
        std::string name;
        std::uint16_t attribute = 0;
        std::vector<std::uint8_t> data;
    };

    HandPackage(std::vector<std::uint8_t> prefix, const std::vector<Entry>& entries) : bytes(std::move(prefix))
    {
        std::vector<std::size_t> starts;
        for (const Entry& entry : entries) {
            starts.push_back(bytes.size());
            entry_starts.push_back(bytes.size());
            put32(static_cast<std::uint32_t>(38 + entry.data.size()));
            bytes.push_back(static_cast<std::uint8_t>(entry.attribute >> 8));
            bytes.push_back(static_cast<std::uint8_t>(entry.attribute));
            std::string field = entry.name;
            field.resize(32, '\0');
            bytes.insert(bytes.end(), field.begin(), field.end());
            bytes.insert(bytes.end(), entry.data.begin(), entry.data.end());
        }
        const std::size_t end = bytes.size() + 4 * entries.size() + 14;
        table_start = bytes.size();
        for (std::size_t start : starts)
            put32(static_cast<std::uint32_t>(end - start));
        put16(0);
        put16(static_cast<std::uint16_t>(entries.size()));
        put16(static_cast<std::uint16_t>(14 + 4 * entries.size()));
        const char magic[8] = {'m', 'o', 'r', 'v', 'a', 'n', 'e', 0};
        bytes.insert(bytes.end(), magic, magic + 8);
    }

    void set16(std::size_t at, std::uint16_t value)
    {
        bytes[at] = static_cast<std::uint8_t>(value);
        bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
    }

    void set32(std::size_t at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }

    std::size_t entry_count_at() const { return bytes.size() - 12; }
    std::size_t table_distance_at() const { return bytes.size() - 10; }
    std::size_t name_at(std::size_t entry) const { return entry_starts[entry] + 6; }

    void set_name_field(std::size_t entry, const std::string& field)
    {
        for (std::size_t i = 0; i < 32; ++i)
            bytes[name_at(entry) + i] = i < field.size() ? static_cast<std::uint8_t>(field[i]) : 0;
    }

    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> entry_starts;
    std::size_t table_start = 0;

private:
    void put16(std::uint16_t value)
    {
        bytes.push_back(static_cast<std::uint8_t>(value));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    }

    void put32(std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
};
