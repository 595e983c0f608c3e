#include "platform/qt/module_options.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "settings/wave_settings.h"
#include "ui/ini_files.h"

namespace nuvo::qt {
namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

struct ValueOption {
    std::string_view name;
    std::string_view key;
};
constexpr std::array<ValueOption, 3> kValueOptions{{
    {"--komakasa", "Komakasa"},
    {"--speed", "Speed"},
    {"--amp", "Amp"},
}};
constexpr std::string_view kVerticalKey = "Tate";

bool IsRootOption(std::string_view argument) { return argument == "--root" || argument == "-root"; }
bool IsWindowIdOption(std::string_view argument) {
    return argument == "--window-id" || argument == "-window-id";
}

// Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) on "\"" + std::string.
std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    quoted += text;
    quoted += '"';
    return quoted;
}

}  // namespace

void SettingOverrides::Set(std::string_view key, std::string text) {
    for (auto& [known, value] : values_) {
        if (SameIgnoringCase(known, key)) {
            value = std::move(text);
            return;
        }
    }
    values_.emplace_back(std::string(key), std::move(text));
}

std::optional<std::string> SettingOverrides::Find(std::string_view section, std::string_view key,
                                                  std::string_view fileName) const {
    if (!SameIgnoringCase(section, kSettingsSection) || fileName != kSettingsFileName) return {};
    for (const auto& [known, value] : values_) {
        if (SameIgnoringCase(known, key)) return value;
    }
    return {};
}

bool IsModuleCommandLine(const std::vector<std::string>& arguments) {
    if (arguments.empty()) return false;
    const std::string_view first = arguments.front();
    return IsRootOption(first) || IsWindowIdOption(first) || first == "--tate" ||
           first == "--no-tate" ||
           std::any_of(kValueOptions.begin(), kValueOptions.end(),
                       [&](const ValueOption& option) { return first == option.name; });
}

std::optional<unsigned long> ParseWindowId(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty() || text.front() == '+' || text.front() == '-') return {};
    // X resource ids have 29 bits; anything wider is no window.
    std::uint32_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id, base);
    if (error != std::errc() || end != text.data() + text.size() || id == 0) return {};
    return id;
}

ModuleOptions ParseModuleOptions(const std::vector<std::string>& arguments,
                                 const char* xscreensaverWindow) {
    ModuleOptions options;
    bool root = false;
    std::optional<unsigned long> windowId;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) throw ModuleArgumentError(argument + " needs a value");
            return arguments[++i];
        };
        if (IsRootOption(argument)) {
            root = true;
        } else if (IsWindowIdOption(argument)) {
            const std::string& text = value();
            windowId = ParseWindowId(text);
            if (!windowId) throw ModuleArgumentError(argument + ": " + Quoted(text) + " is not a window id");
        } else if (argument == "--tate" || argument == "--no-tate") {
            options.settings.Set(kVerticalKey, argument == "--tate" ? "1" : "0");
        } else if (const auto* option = std::find_if(kValueOptions.begin(), kValueOptions.end(),
                                                     [&](const ValueOption& o) { return argument == o.name; });
                   option != kValueOptions.end()) {
            const std::string& text = value();
            if (!TryIniTextToInt(text)) {
                options.warnings.push_back(argument + ": " + Quoted(text) +
                                           " is not an integer; the setting's default applies");
            }
            options.settings.Set(option->key, text);
        } else {
            throw ModuleArgumentError("unknown option " + Quoted(argument));
        }
    }
    if (windowId) {
        options.window = *windowId;
    } else if (!root) {
        throw ModuleArgumentError("--root or --window-id ID says where to draw");
    } else if (xscreensaverWindow == nullptr || *xscreensaverWindow == '\0') {
        throw ModuleArgumentError("--root: XSCREENSAVER_WINDOW is not set");
    } else if (const auto fromDaemon = ParseWindowId(xscreensaverWindow)) {
        options.window = *fromDaemon;
    } else {
        throw ModuleArgumentError(std::string("--root: XSCREENSAVER_WINDOW=") + Quoted(xscreensaverWindow) +
                                  " is not a window id");
    }
    return options;
}

}  // namespace nuvo::qt
