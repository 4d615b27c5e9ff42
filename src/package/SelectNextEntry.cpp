// The entry selection of a recovery transfer: which package entry goes to the
// device next, with the notices met on the way.
#include <algorithm>
#include <cstdint>
#include <exception>
#include <vector>

#include "app/TUpgradeForm1.h"
#include "package/Attributes.h"
#include "core/Texts.h"
#include "platform/files/File.h"
#include "platform/runtime/Exception.h"
#include "platform/ui/Dialogs.h"

namespace fw {
namespace {

// The whole of a notice entry's file in a buffer one byte longer than the
// file; that last byte is zero and nobody may rely on it. A read that fails or
// comes up short raises, so that no byte that was not read is ever shown.
std::vector<std::uint8_t> read_notice(File& file, std::int64_t& size) {
    size = file.seek(0, SeekOrigin::End);
    if (size < 0 || file.seek(0, SeekOrigin::Begin) != 0) throw EFileError("cannot seek in the notice file");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size) + 1, 0);
    if (file.read(bytes.data(), size) != size) throw EFileError("cannot read the notice file");
    return bytes;
}

}  // namespace

int TUpgradeForm1::select_next_entry(int start, int device) {
    const TForm::Guard self = guard();
    const int count = std::clamp<int>(file_list.count, 0, ImbedFileList::kCapacity);
    for (int i = std::max(start, 0); i < count; ++i) {
        const std::uint16_t attribute = file_list.attribute[i];
        log("File Attribute : " + dec(attribute));

        if (attribute & ATTR_MESSAGE_FILE) {
            File notice = File::open_read(file_list.name[i] + ".tmp");
            if (!notice.is_open()) return -1;
            try {
                std::int64_t size = 0;
                const std::vector<std::uint8_t> bytes = read_notice(notice, size);
                notice.close();
                process_message_file(bytes.data(), attribute, size, TFTP_MODE, device, i);
            } catch (const std::exception&) {
                message_box("Show and Msg File read error", "File Error", MB_OKCANCEL);
            }
            // A notice window or box runs a nested loop, in which the window may have gone.
            if (!self.alive()) return -1;
            continue;
        }

        if (!(attribute & ATTR_UPGRADE_FILE)) {
            log("Unknow File Attribute -> " + dec(attribute));
            continue;
        }

        const bool no_idcheck = attribute & ATTR_NO_IDCHECK;
        const bool idcheck = attribute & ATTR_IDCHECK;
        const std::string& name = file_list.name[i];
        if (no_idcheck && idcheck) {
            if (module_file_put) {
                log("Default Upgrade File Ignore >>" + name);
                continue;
            }
            log("Put Default Upgrade File >>" + name);
            ++files_put;
            return i;
        }
        if (no_idcheck) {
            log("Put Upgrade File without IDCheck >>" + name);
            ++files_put;
            return i;
        }
        if (idcheck) {
            const bool known_device = target_index >= 0 && target_index < router_list::kCapacity;
            if (known_device && module_matches(routers.info[target_index], name)) {
                module_file_put = true;
                ++files_put;
                log("Put Upgrade File >>" + name);
                return i;
            }
            log("Module name different. Ignore Upgrade File >>" + name);
            continue;
        }
        log("Unkown Attribute. Ignore Upgrade File >>" + name);
    }
    return (start == 0 || files_put == 0) ? SELECT_NONE : SELECT_DONE;
}

}  // namespace fw
