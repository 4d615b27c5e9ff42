#include <cstddef>
#include <cstring>
#include <memory>

#include "app/TUpgradeForm1.h"
#include "core/Texts.h"
#include "package/Attributes.h"
#include "package/NoticeParse.h"
#include "package/THintForm.h"

namespace fw {

namespace {

// The watchdog does not count while a notice rule runs (a notice window may
// stay open for as long as the user reads it). It runs again afterwards only
// when it ran before, and only while the main window still stands; also when
// a notice window fails and its exception passes on.
class WatchdogPause {
public:
    explicit WatchdogPause(TUpgradeForm1& window)
        : window_(window), self_(window.guard()), was_enabled_(window.StopTimer1.enabled()) {
        if (was_enabled_) window_.StopTimer1.set_enabled(false);
    }
    ~WatchdogPause() {
        if (was_enabled_ && self_.alive()) window_.StopTimer1.set_enabled(true);
    }
    WatchdogPause(const WatchdogPause&) = delete;
    WatchdogPause& operator=(const WatchdogPause&) = delete;

private:
    TUpgradeForm1& window_;
    TForm::Guard self_;
    bool was_enabled_;
};

// Shows the notice window modally and destroys it. Returns false when the
// main window did not survive the nested loop, so nothing of it may be touched.
bool show_notice(TUpgradeForm1& window, const std::uint8_t* data, std::int64_t length) {
    const TForm::Guard self = window.guard();
    {
        auto hint = std::make_unique<THintForm>(window.application(), length, data);
        hint->ShowModal();
    }
    return self.alive();
}

// The vendor text begins with the tag and has at least one more character;
// byte-wise and case-sensitive.
bool vendor_passes(const std::string& vendor) {
    const std::string tag = vendor_tag;
    return vendor > tag && vendor.compare(0, tag.size(), tag) == 0;
}

}  // namespace

void TUpgradeForm1::process_message_file(const std::uint8_t* data, std::uint16_t attribute, std::int64_t length,
                                         int mode, int device, int slot) {
    WatchdogPause pause(*this);

    const std::string name = slot >= 0 && slot < ImbedFileList::kCapacity ? file_list.name[slot] : std::string();
    const std::string attribute_line = "Message Attribute > " + dec(attribute);

    // Only the record's own bytes are read: never past `length`, whatever its text_length says.
    const NoticeParse parse =
        parse_notice_record(length > 0 ? data : nullptr, length > 0 ? static_cast<std::size_t>(length) : 0);
    if (!parse.ok()) {
        log("Damaged Message File. Ignore Message File >>" + name + " (" + parse.message + ")");
        return;
    }
    const NoticeRecord& notice = parse.record;
    const bool no_idcheck = (attribute & ATTR_NO_IDCHECK) != 0;
    const bool idcheck = (attribute & ATTR_IDCHECK) != 0;

    if (mode == MENU_MODE && notice.ftp_only != 0 && notice.tftp_only != 0) {
        if (no_idcheck) {
            if (!show_notice(*this, data, length)) return;
            if (idcheck) notice_shown = true;
        } else if (idcheck) {
            if (vendor_passes(notice.vendor)) {
                if (!show_notice(*this, data, length)) return;
                notice_shown = true;
            }
        } else {
            log("Unknow Message File in menu mode >>" + name);
            log(attribute_line);
        }
        return;
    }

    if (mode == FTP_MODE || mode == TFTP_MODE) {
        const bool ftp = mode == FTP_MODE;
        const bool foreign = ftp ? notice.tftp_only != 0 : notice.ftp_only != 0;
        if (foreign) {
            log(std::string(ftp ? "Unknow Message File in FTP Mode >>" : "Unknow Message File in TFTP Mode >>") + name);
            log(attribute_line);
            return;
        }
        if (no_idcheck) {
            if (idcheck) {
                if (notice_shown) return;
                if (!show_notice(*this, data, length)) return;
                notice_shown = true;
            } else {
                show_notice(*this, data, length);
            }
        } else if (idcheck) {
            const bool known_device = device >= 0 && device < router_list::kCapacity;
            if (known_device && module_matches(routers.info[device], name)) {
                notice_shown = true;
                show_notice(*this, data, length);
            } else {
                log("Message name different. Ignore Message File >>" + name);
                log(attribute_line);
            }
        }
        return;
    }

    log(std::string("Didn't Process this Message Attribute in ") + "Menu Mode");
}

}  // namespace fw
