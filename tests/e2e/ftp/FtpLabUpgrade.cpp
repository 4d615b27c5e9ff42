// A headless main window on the real clock, with the real network pieces
// (POSIX sockets, ICMP, the libcurl FTP client), that upgrades one running
// router over FTP and prints what the user would have seen. Run it inside the
// PC namespace of a lab network.
//
//   ftp_lab_upgrade --address A --module M --temp DIR [--entry NAME:ATTRIBUTE]... [--picked PATH]
//                   [--exit-during-upload yes]
//
// With --exit-during-upload the Exit button is pressed once the first data
// of an upload has gone out, as a user would while the transfer runs.
// The password comes from the environment variable FW_LAB_PASSWORD, so it
// appears on no command line. Entries are files DIR/NAME.tmp, as the package
// extraction leaves them. Output lines: "BOX caption|text", "LOG line",
// "STATUS text", and "CLOSED yes|no" at the end.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/TUpgradeForm1.h"
#include "platform/files/File.h"
#include "platform/net/curl/CurlFtpClient.h"
#include "platform/net/posix/PosixNetworkFactory.h"
#include "platform/runtime/Application.h"
#include "platform/runtime/Environment.h"
#include "platform/runtime/PollEventLoop.h"
#include "platform/ui/ScriptedDialogs.h"

int main(int argc, char** argv) {
    using namespace fw;
    std::string address, module, temp, picked;
    bool exit_during_upload = false;
    std::vector<std::pair<std::string, std::uint16_t>> entries;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const std::string value = argv[i + 1];
        if (option == "--address") address = value;
        else if (option == "--module") module = value;
        else if (option == "--temp") temp = value;
        else if (option == "--picked") picked = value;
        else if (option == "--exit-during-upload") exit_during_upload = value == "yes";
        else if (option == "--entry") {
            const auto colon = value.rfind(':');
            if (colon == std::string::npos) return 2;
            entries.emplace_back(value.substr(0, colon),
                                 static_cast<std::uint16_t>(std::strtoul(value.c_str() + colon + 1, nullptr, 0)));
        } else {
            std::cerr << "unknown option " << option << "\n";
            return 2;
        }
    }
    const char* password = std::getenv("FW_LAB_PASSWORD");
    if (address.empty() || temp.empty() || !password) {
        std::cerr << "usage: ftp_lab_upgrade --address A --module M --temp DIR [--entry NAME:ATTR]... [--picked PATH]\n";
        return 2;
    }

    PollEventLoop loop;
    ScriptedDialogs dialogs{&loop};
    MapEnvironment env;
    env.set("TEMP", temp);
    PosixNetworkFactory net(loop, [&loop] { return make_curl_ftp_client(loop); });
    Application app{Services{loop, dialogs, net, env, "/nonexistent/fwupgrade"}};
    auto& w = app.CreateForm<TUpgradeForm1>();
    const TForm::Guard window = w.guard();

    std::vector<std::string> statuses;
    w.StatusBar1.observer = [&](Control&, Property p) {
        if (p == Property::Text) statuses.push_back(w.StatusBar1.simple_text());
    };
    for (const auto& [name, attribute] : entries) {
        const int i = w.file_list.count++;
        w.file_list.name[i] = w.temp_dir + name;
        w.file_list.attribute[i] = attribute;
        File f = File::open_read(w.file_list.name[i] + ".tmp");
        if (attribute & 0x0800) w.file_size += static_cast<std::int32_t>(f.size());
        w.embedded = true;
    }
    if (!picked.empty()) w.UpdateFileName.set_text(picked);
    w.routers.info[0] = router_info{1, address, module, ""};
    w.routers.count = 1;
    w.IPComBox.set_text(address);
    w.PasswordComBox.set_text(password);
    w.Upgrade.set_enabled(true);

    // Presses Exit once, right after the first block of an upload has gone out.
    bool exit_pressed = false;
    auto packet_sent = w.NMFTP1->on_packet_sent;
    w.NMFTP1->on_packet_sent = [&, packet_sent] {
        packet_sent();
        if (!exit_during_upload || exit_pressed) return;
        exit_pressed = true;
        loop.post([&] {
            if (!window.alive()) return;
            std::cout << "EXIT pressed at " << w.NMFTP1->bytes_sent() << " of " << w.NMFTP1->bytes_total() << "\n";
            w.Exit.click();
        });
    };

    w.Upgrade.click();

    for (const auto& box : dialogs.boxes()) std::cout << "BOX " << box << "\n";
    if (window.alive()) {
        for (const auto& line : w.Memo1.lines()) std::cout << "LOG " << line << "\n";
    }
    for (const auto& text : statuses) std::cout << "STATUS " << text << "\n";
    std::cout << "CLOSED " << (app.terminated() ? "yes" : "no") << "\n";
    return 0;
}
