#pragma once

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/TUpgradeForm1.h"
#include "fwpack/PackageEntry.h"
#include "fwpack/PackageWriter.h"
#include "package/Attributes.h"
#include "package/NoticeRecord.h"
#include "support/HeadlessApp.h"
#include "support/TempDir.h"

namespace fw::test {

// The bytes standing for the program image in front of a package.
inline std::vector<std::uint8_t> program_image() {
    std::vector<std::uint8_t> image = {0x7F, 'E', 'L', 'F'};
    image.resize(300, 0x90);
    return image;
}

// A notice record with the fields that matter for the rules and the window.
inline std::vector<std::uint8_t> notice_bytes(std::uint8_t ftp_only, std::uint8_t tftp_only,
                                              const std::string& vendor = "ORBE1",
                                              const std::string& text = "Please read this.",
                                              std::uint16_t close_after = 0, std::uint8_t no_blink = 1,
                                              const std::string& title = "Notice") {
    NoticeRecord record;
    record.vendor = vendor;
    record.title = title;
    record.close_after = close_after;
    record.ftp_only = ftp_only;
    record.tftp_only = tftp_only;
    record.no_blink = no_blink;
    record.text_color = 0x00E0FFFF;
    record.message_text.assign(text.begin(), text.end());
    return encode_notice_record(record);
}

inline std::vector<std::uint8_t> filled(std::size_t size, std::uint8_t value) {
    return std::vector<std::uint8_t>(size, value);
}

// A program file carrying a package, a temporary folder for the extraction,
// and the main window started on them.
struct PackagedProgram {
    TempDir dir;
    std::string temp = dir.path() + "/temp";
    std::string exe = dir.path() + "/fwupgrade";
    std::unique_ptr<HeadlessApp> h;
    TUpgradeForm1* w = nullptr;

    PackagedProgram() { std::filesystem::create_directory(temp); }

    // The program file: the image followed by these bytes.
    void write_program(const std::vector<std::uint8_t>& package_bytes) {
        std::vector<unsigned char> file = program_image();
        file.insert(file.end(), package_bytes.begin(), package_bytes.end());
        dir.write("fwupgrade", file);
    }
    void write_program(const std::vector<fwpack::PackageEntry>& entries) {
        const fwpack::PackageBytes package = fwpack::encode_package(entries);
        if (!package.ok()) throw std::runtime_error(package.error);
        write_program(package.bytes);
    }

    // Creates the main window, which extracts the package in its creation.
    // A notice window left open by its record is closed by the "user" after a second.
    TUpgradeForm1& start(const std::string& program = {}) {
        h = std::make_unique<HeadlessApp>(program.empty() ? exe : program);
        h->env.set("TEMP", temp);
        h->dialogs.set_modal_close_after(1000);
        w = &h->app.CreateForm<TUpgradeForm1>();
        return *w;
    }

    std::string tmp(const std::string& name) const { return temp + "/" + name + ".tmp"; }
    std::vector<std::string> temp_files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(temp)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    // The System Log without the empty line the memo starts with.
    std::vector<std::string> log() const {
        const auto& lines = w->Memo1.lines();
        return std::vector<std::string>(lines.begin() + 1, lines.end());
    }
    std::vector<ScriptedDialogs::Call> calls_of(ScriptedDialogs::Kind kind) const {
        std::vector<ScriptedDialogs::Call> out;
        for (const auto& c : h->dialogs.calls())
            if (c.kind == kind) out.push_back(c);
        return out;
    }
};

inline bool write_text(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    return bool(out);
}

inline unsigned mode_bits(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return 0;
    return st.st_mode & 07777;
}

}  // namespace fw::test
