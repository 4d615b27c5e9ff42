#include <algorithm>
#include <climits>
#include <cstdint>
#include <exception>
#include <vector>

#include "app/TUpgradeForm1.h"
#include "core/Texts.h"
#include "package/Attributes.h"
#include "package/FileByteSource.h"
#include "package/PackageLayout.h"
#include "platform/files/FileBuffer.h"
#include "platform/files/FileRoutines.h"
#include "platform/runtime/Application.h"
#include "platform/ui/Dialogs.h"

namespace fw {

namespace {

// What the extraction writes one entry into: an earlier run's file is reused,
// otherwise a new one is made. Neither ever writes through a link or into
// something that is not a regular file of this user.
File open_temp_file(const std::string& path, bool& existed) {
    existed = file_exists(path);
    return existed ? File::open_existing_for_write(path) : File::create_new(path);
}

}  // namespace

int TUpgradeForm1::extract_package(File& program_file) {
    // The whole structure is checked before anything is written, so a damaged
    // package leaves no file and no slot behind.
    FileByteSource source(program_file);
    const PackageCheck check = validate_package(source);
    if (!check.ok()) {
        log("Damaged package refused: " + check.message);
        message_box("Error to open file", "File Error", MB_OKCANCEL);
        return -1;
    }

    const Guard self = guard();
    File temp;
    // The end of an extraction that failed half-way, for whatever reason.
    auto abnormal_end = [&] {
        if (!self.alive()) return -1;
        message_box("Error to open file", "File Error", MB_OKCANCEL);
        temp.close();
        log("Abnormal File Write Handle Close.");
        return -1;
    };
    // One buffer for every entry, as large as the largest one's data and one
    // spare byte (as the notice rules' callers provide; it is never set or
    // read). It is left unfilled: the read fills what is used, and touching
    // tens of megabytes beforehand would cost as much as the copy itself.
    std::uint32_t largest = 0;
    for (const PackageEntryInfo& entry : check.entries) largest = std::max(largest, entry.data_length);
    const FileBuffer buffer(std::size_t{largest} + 1);
    if (!buffer.data()) {
        log("Not enough memory for the package entries (" + dec(largest) + " bytes)");
        return abnormal_end();
    }
    try {
        for (std::size_t i = 0; i < check.entries.size(); ++i) {
            const PackageEntryInfo& entry = check.entries[i];
            const std::string path = temp_dir + entry.name + ".tmp";

            bool existed = false;
            temp = open_temp_file(path, existed);
            if (existed) {
                if (!temp.is_open()) {
                    // A link, a folder, a device or another user's file: it is left alone,
                    // and the extraction stops so that the slots stay in package order.
                    log("Open Write File Handle Error :" + path + " (" + temp.error() + ")");
                    application().dialogs().message_dialog("Create tmp file Error. Check Disk space !",
                                                           MsgDlgType::mtError, mbYes);
                    return -1;
                }
                log("Open Write File Handle " + path);
            } else if (!temp.is_open()) {
                log("File Create Error :" + path);
                application().dialogs().message_dialog("Create tmp file Error. Check Disk space !",
                                                       MsgDlgType::mtError, mbYes);
                return -1;
            }

            file_list.name[i] = temp_dir + entry.name;
            file_list.attribute[i] = entry.attribute;
            file_list.count = static_cast<std::int32_t>(i) + 1;

            std::int64_t got = 0;
            if (entry.data_length > 0) {
                if (program_file.seek(static_cast<std::int64_t>(entry.data_offset), SeekOrigin::Begin) < 0 ||
                    (got = program_file.read(buffer.data(), entry.data_length)) < 0) {
                    log("Package Read Error :" + path + " (" + program_file.error() + ")");
                    return abnormal_end();
                }
            }

            // The file ends up holding exactly the entry's data, also when an earlier one was longer.
            if (temp.seek(0, SeekOrigin::Begin) != 0 || temp.write(buffer.data(), got) != got ||
                !temp.truncate(got)) {
                log("File Write Failure :" + path);
                application().dialogs().message_dialog("Write tmp file Error. Check Disk space !",
                                                       MsgDlgType::mtError, mbYes);
                temp.close();
                return -1;
            }

            if (entry.attribute & ATTR_MESSAGE_FILE) {
                log("Find Message :" + path);
                process_message_file(buffer.data(), entry.attribute, got, MENU_MODE, -1, static_cast<int>(i));
                if (!self.alive()) return -1;
            } else if (entry.attribute & ATTR_UPGRADE_FILE) {
                const std::int64_t total = std::int64_t{file_size} + entry.entry_length;
                file_size = static_cast<std::int32_t>(total > INT32_MAX ? INT32_MAX : total);
                log("Find Upgrade File :" + path);
            } else {
                log("Find Unknow Attribute File :" + path);
            }

            temp.clear_read_only();
            temp.close();
        }
        log("Upgrade file total length = " + dec(file_size));
        return 1;
    } catch (const std::exception&) {
        return abnormal_end();
    }
}

}  // namespace fw
