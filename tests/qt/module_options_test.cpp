// The xscreensaver module's command line: which arguments make the module, the window it
// draws in, and the settings it passes on in place of the file's.
#include <gtest/gtest.h>

#include "platform/qt/module_options.h"
#include "settings/wave_settings.h"

namespace nuvo::qt {
namespace {

using Arguments = std::vector<std::string>;

TEST(ModuleCommandLine, OnlyTheModuleOptionsFirstMakeTheModule) {
    for (const Arguments& module : {Arguments{"--root"}, Arguments{"-root"}, Arguments{"--window-id", "1"},
                                    Arguments{"-window-id", "1"}, Arguments{"--speed", "3", "--root"},
                                    Arguments{"--tate", "--root"}}) {
        EXPECT_TRUE(IsModuleCommandLine(module)) << module.front();
    }
    for (const Arguments& saver : {Arguments{}, Arguments{"/s", "--root"}, Arguments{"-s"}, Arguments{"/c"},
                                   Arguments{"/p", "--window-id"}, Arguments{"--ROOT"}, Arguments{"root"}}) {
        EXPECT_FALSE(IsModuleCommandLine(saver)) << (saver.empty() ? "(none)" : saver.front());
    }
}

TEST(ModuleCommandLine, WindowIdsInHexOfEitherCaseAndDecimal) {
    struct Case {
        const char* text;
        std::optional<unsigned long> id;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"0x1A0002B", 0x1A0002B}, {"0x1a0002b", 0x1A0002B}, {"0X3F", 0x3F}, {"27262978", 27262978},
             {"0x", {}}, {"0", {}}, {"0x0", {}}, {"", {}}, {"-5", {}}, {"+5", {}}, {" 5", {}}, {"5 ", {}},
             {"0x12g", {}}, {"12abc", {}}, {"0x1FFFFFFFF", {}}, {"99999999999", {}}}) {
        EXPECT_EQ(ParseWindowId(c.text), c.id) << '"' << c.text << '"';
    }
}

TEST(ModuleCommandLine, WindowIdWinsOverRootAndRootTakesTheDaemonsVariable) {
    EXPECT_EQ(ParseModuleOptions({"--root"}, "0x4A0000B").window, 0x4A0000Bu);
    EXPECT_EQ(ParseModuleOptions({"-root"}, "123").window, 123u);
    EXPECT_EQ(ParseModuleOptions({"--root", "--window-id", "0x77"}, "0x4A0000B").window, 0x77u);
    EXPECT_EQ(ParseModuleOptions({"-window-id", "0x77", "-root"}, nullptr).window, 0x77u);
}

TEST(ModuleCommandLine, BadCommandLinesSayWhatIsWrong) {
    struct Case {
        Arguments arguments;
        const char* xscreensaverWindow;
        const char* message;
    };
    for (const Case& c : std::initializer_list<Case>{
             {{"--root"}, nullptr, "--root: XSCREENSAVER_WINDOW is not set"},
             {{"--root"}, "", "--root: XSCREENSAVER_WINDOW is not set"},
             {{"--root"}, "window", "--root: XSCREENSAVER_WINDOW=\"window\" is not a window id"},
             {{"--window-id", "zz"}, "0x5", "--window-id: \"zz\" is not a window id"},
             {{"--window-id"}, "0x5", "--window-id needs a value"},
             {{"--speed", "350"}, "0x5", "--root or --window-id ID says where to draw"},
             {{"--root", "--speed"}, "0x5", "--speed needs a value"},
             {{"--root", "--delay", "5"}, "0x5", "unknown option \"--delay\""},
             {{"--root", "/s"}, "0x5", "unknown option \"/s\""}}) {
        try {
            ParseModuleOptions(c.arguments, c.xscreensaverWindow);
            ADD_FAILURE() << c.message << ": accepted";
        } catch (const ModuleArgumentError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

// The options' values stand in for the file's keys, as text the settings reader converts;
// other keys, sections and files are not touched.
TEST(ModuleCommandLine, SettingOptionsOverrideTheirKeysOnly) {
    const ModuleOptions options = ParseModuleOptions(
        {"--root", "--komakasa", "0", "--speed", "0x1F4", "--amp", " -7", "--tate", "--no-tate", "--tate"},
        "0x5");
    const SettingOverrides& settings = options.settings;
    EXPECT_EQ(settings.Find("nuvo_k48", "Komakasa", "nuvo_k48.ini"), "0");
    EXPECT_EQ(settings.Find("nuvo_k48", "Speed", "nuvo_k48.ini"), "0x1F4");
    EXPECT_EQ(settings.Find("NUVO_K48", "amp", "nuvo_k48.ini"), " -7");
    EXPECT_EQ(settings.Find("nuvo_k48", "Tate", "nuvo_k48.ini"), "1");
    EXPECT_EQ(settings.Find("nuvo_k48", "Other", "nuvo_k48.ini"), std::nullopt);
    EXPECT_EQ(settings.Find("other", "Speed", "nuvo_k48.ini"), std::nullopt);
    EXPECT_EQ(settings.Find("nuvo_k48", "Speed", "other.ini"), std::nullopt);

    const ModuleOptions none = ParseModuleOptions({"--root", "--no-tate"}, "0x5");
    EXPECT_EQ(none.settings.Find("nuvo_k48", "Tate", "nuvo_k48.ini"), "0");
    EXPECT_EQ(none.settings.Find("nuvo_k48", "Speed", "nuvo_k48.ini"), std::nullopt);
}

// A value that is no integer is read as an unreadable value in the file is: the key takes
// its default, and the module says so on stderr instead of refusing to run.
TEST(ModuleCommandLine, AValueThatIsNoIntegerWarnsAndTheKeyTakesItsDefault) {
    const ModuleOptions options =
        ParseModuleOptions({"--root", "--amp", "12mm", "--komakasa", "0x", "--speed", "400"}, "0x5");
    EXPECT_EQ(options.warnings,
              (Arguments{"--amp: \"12mm\" is not an integer; the setting's default applies",
                         "--komakasa: \"0x\" is not an integer; the setting's default applies"}));

    struct OverridesOnly : ProfileFunctions {
        explicit OverridesOnly(const SettingOverrides& given) : settings(given) {}
        std::string GetProfileString(std::string_view section, std::string_view key,
                                     std::string_view fileName) override {
            return settings.Find(section, key, fileName).value_or("");
        }
        bool WriteProfileString(std::string_view, std::string_view, std::string_view,
                                std::string_view) override {
            return false;
        }
        const SettingOverrides& settings;
    } profile(options.settings);
    const TWaveSettings read = ReadWaveSettings(profile);
    EXPECT_EQ(read.amplitude, 10);
    EXPECT_EQ(read.detailLevel, 1);
    EXPECT_EQ(read.speed, 400);
}

}  // namespace
}  // namespace nuvo::qt
