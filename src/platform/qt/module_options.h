// The command line of nuvo_k48 as an xscreensaver module: the window to draw in and the
// settings that xscreensaver's settings page passes as options.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nuvo::qt {

// A command line the module cannot run with; the message is meant for stderr as it stands.
class ModuleArgumentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Values of settings-file keys given on the command line; they take the place of the
// file's values for those keys, and the file itself is left alone.
class SettingOverrides {
public:
    // A later value for the same key replaces the earlier one.
    void Set(std::string_view key, std::string text);
    // The text given for this key of the settings file's section, if any. Keys match
    // without regard to case, as they do in the file.
    std::optional<std::string> Find(std::string_view section, std::string_view key,
                                    std::string_view fileName) const;

private:
    std::vector<std::pair<std::string, std::string>> values_;
};

struct ModuleOptions {
    unsigned long window = 0;  // the X window to draw in
    SettingOverrides settings;
    // One line each for stderr: values that are no integer, so their keys take the
    // settings' defaults, as an unreadable value in the file does.
    std::vector<std::string> warnings;
};

// True when the arguments (argv[1] on) start with one of the module's options, so the
// program runs as a module rather than by the saver's mode argument.
bool IsModuleCommandLine(const std::vector<std::string>& arguments);

// A window id as xscreensaver prints it ("0x…" in either case) or in decimal; 0, a sign,
// blanks or anything after the digits make it no id.
std::optional<unsigned long> ParseWindowId(std::string_view text);

// --root / -root: the window named by XSCREENSAVER_WINDOW (`xscreensaverWindow`, null when
// unset); --window-id ID / -window-id ID, which wins over --root; --komakasa N, --speed N,
// --amp N, --tate, --no-tate. Values are integer text as the settings file holds it.
// Throws ModuleArgumentError for an unknown option, a missing value, or no usable window.
ModuleOptions ParseModuleOptions(const std::vector<std::string>& arguments,
                                 const char* xscreensaverWindow);

}  // namespace nuvo::qt
