#include "CommandLine.h"

#include <arpa/inet.h>

#include <charconv>
#include <stdexcept>

namespace routersim {

namespace {

struct KeyValue {
    std::string key;
    std::string value;
    bool has_value = false;
};

std::vector<KeyValue> split_settings(const std::string& text) {
    std::vector<KeyValue> settings;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        if (!item.empty()) {
            const std::size_t equals = item.find('=');
            if (equals == std::string::npos)
                settings.push_back({item, "", false});
            else
                settings.push_back({item.substr(0, equals), item.substr(equals + 1), true});
        }
        start = comma + 1;
    }
    return settings;
}

[[noreturn]] void bad(const std::string& message) { throw std::invalid_argument(message); }

long number(const KeyValue& kv, long low, long high) {
    long value = 0;
    const char* end = kv.value.data() + kv.value.size();
    const auto [ptr, ec] = std::from_chars(kv.value.data(), end, value);
    if (!kv.has_value || kv.value.empty() || ec != std::errc() || ptr != end || value < low || value > high)
        bad("Cannot use \"" + kv.value + "\" for " + kv.key + ": expected a number from " + std::to_string(low) +
            " to " + std::to_string(high));
    return value;
}

bool yes_no(const KeyValue& kv) {
    if (!kv.has_value || kv.value == "yes")
        return true;
    if (kv.value == "no")
        return false;
    bad("Cannot use \"" + kv.value + "\" for " + kv.key + ": expected yes or no");
}

bool apply_normal(NormalRouterOptions& options, const KeyValue& kv) {
    if (kv.key == "module")
        options.module = kv.value;
    else if (kv.key == "detail")
        options.detail = kv.value;
    else if (kv.key == "answers")
        options.answers = static_cast<int>(number(kv, 0, 100));
    else if (kv.key == "reply-length")
        options.reply_length = static_cast<std::size_t>(number(kv, 0, 1472));
    else if (kv.key == "ping")
        options.answers_ping = yes_no(kv);
    else
        return false;
    return true;
}

NormalRouterOptions parse_normal(const std::string& text) {
    NormalRouterOptions options;
    for (const auto& kv : split_settings(text)) {
        if (!apply_normal(options, kv))
            bad("Unknown setting \"" + kv.key + "\" for --normal");
    }
    return options;
}

RecoveryLoaderOptions parse_loader(const std::string& text) {
    RecoveryLoaderOptions options;
    for (const auto& kv : split_settings(text)) {
        if (kv.key == "text")
            options.text = kv.value;
        else if (kv.key == "wrong-marker")
            options.wrong_marker = yes_no(kv);
        else if (kv.key == "answers")
            options.answers = static_cast<int>(number(kv, 0, 100));
        else if (kv.key == "ping")
            options.answers_ping = yes_no(kv);
        else if (kv.key == "ack-port")
            options.ack_port = static_cast<int>(number(kv, 1, 65535));
        else if (kv.key == "lose-ack")
            options.lose_ack = static_cast<int>(number(kv, 0, 65535));
        else if (kv.key == "repeat-ack")
            options.repeat_ack = static_cast<int>(number(kv, 0, 65535));
        else if (kv.key == "error-at")
            options.error_at = static_cast<int>(number(kv, 0, 65535));
        else if (kv.key == "error-code")
            options.error_code = static_cast<std::uint16_t>(number(kv, 0, 65535));
        else if (kv.key == "error-message")
            options.error_message = kv.value;
        else if (kv.key == "silent-after")
            options.silent_after = static_cast<int>(number(kv, 0, 65535));
        else if (kv.key == "reboot-delay")
            options.reboot_delay_ms = static_cast<std::uint32_t>(number(kv, 0, 3600000));
        else if (kv.key == "after-reboot") {
            if (kv.value == "silent")
                options.after_reboot = AfterReboot::Silent;
            else if (kv.value == "normal")
                options.after_reboot = AfterReboot::NormalRouter;
            else if (kv.value == "loader")
                options.after_reboot = AfterReboot::RecoveryLoader;
            else
                bad("Cannot use \"" + kv.value + "\" for after-reboot: expected silent, normal or loader");
        } else if (!apply_normal(options.normal, kv))
            bad("Unknown setting \"" + kv.key + "\" for --loader");
    }
    return options;
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& args) {
    CommandLine line;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            line.help = true;
            continue;
        }
        const bool takes_value = arg == "--normal" || arg == "--loader" || arg == "--bind" || arg == "--store-dir" ||
                                 arg == "--log";
        if (!takes_value)
            bad("Unknown option \"" + arg + "\"");
        if (i + 1 >= args.size())
            bad("Option " + arg + " needs a value");
        const std::string& value = args[++i];
        if (arg == "--normal") {
            line.devices.push_back({.kind = DeviceKind::Normal, .normal = parse_normal(value)});
        } else if (arg == "--loader") {
            line.devices.push_back({.kind = DeviceKind::Loader, .loader = parse_loader(value)});
        } else if (arg == "--bind") {
            in_addr address{};
            if (inet_pton(AF_INET, value.c_str(), &address) != 1)
                bad("Cannot use \"" + value + "\" as an IPv4 address for --bind");
            line.bind_address = value;
        } else if (arg == "--store-dir") {
            line.store_dir = value;
        } else {
            line.log_file = value;
        }
    }
    if (line.devices.empty() && !line.help)
        bad("No device given: use --normal or --loader at least once");
    return line;
}

std::unique_ptr<Device> make_device(const DeviceSpec& spec) {
    if (spec.kind == DeviceKind::Normal)
        return std::make_unique<NormalRouter>(spec.normal);
    return std::make_unique<RecoveryLoader>(spec.loader);
}

std::string usage_text() {
    return "usage: routersim [--bind ADDRESS] [--store-dir DIR] [--log FILE] DEVICE...\n"
           "devices (one or more, all at the same address):\n"
           "  --normal module=TEXT,detail=TEXT,answers=N,reply-length=N,ping=yes|no\n"
           "  --loader text=TEXT,wrong-marker,answers=N,ack-port=PORT,lose-ack=B,repeat-ack=B,\n"
           "           error-at=B,error-code=N,error-message=TEXT,silent-after=B,reboot-delay=MS,\n"
           "           after-reboot=silent|normal|loader,module=TEXT,detail=TEXT\n"
           "See tools/routersim/README.md.\n";
}

}  // namespace routersim
