// The settings dialog on a real X server: what it shows, what it writes, what it leaves
// alone, and the error box when the settings file cannot be written.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

#include "support/settings_text.h"
#include "x_session.h"

namespace nuvo::qt_test {
namespace {

using test_support::ReadBytes;
using test_support::SettingsText;
using test_support::WriteBytes;

const std::string kDefaults = SettingsText(1, 350, 10, 0);

// Points of the dialog's client area, from the form's design.
const std::vector<std::string> kClickOk{"clickat", "244", "20"};
const std::vector<std::string> kClickCancel{"clickat", "244", "52"};
const std::vector<std::string> kClickSpeedRightArrow{"clickat", "203", "96"};
const std::vector<std::string> kClickAmplitudeTrack{"clickat", "180", "120"};
const std::vector<std::string> kClickCheckBox{"clickat", "14", "144"};

using Commands = std::vector<std::vector<std::string>>;

// A session on which the dialog is opened.
class DialogSession {
public:
    DialogSession() : session(640, 480) {}

    void WriteSettings(const std::string& text) {
        std::filesystem::create_directories(session.ConfigDir());
        WriteBytes(session.SettingsFile(), text);
    }

    // Starts the dialog and waits until it is shown with the keyboard focus. `launcher`, if
    // given, is a command that runs the program (setpriv, say).
    void Open(const std::vector<std::string>& environment = {},
              std::vector<std::string> launcher = {}) {
        if (launcher.empty()) {
            dialog = session.StartProgram({"/c"}, environment);
        } else {
            launcher.insert(launcher.end(), {NUVO_K48_PROGRAM, "/c"});
            dialog = std::make_unique<ChildProcess>(launcher, session.Environment(environment));
        }
        const bool shown = WaitUntil(
            [&] {
                const auto windows = session.MappedWindowsOfClass("TMorlaptCNF");
                if (windows.size() != 1) return false;
                window = windows[0];
                return session.FocusedWindow() == window;
            },
            10s);
        ASSERT_TRUE(shown) << "the dialog did not open with the focus";
    }

    // xdotool commands, and two of our own: "clickat X Y" clicks at a point of the client
    // area, "closebox" asks the window to close as a window manager's close box does.
    void Input(const Commands& commands) {
        const XSession::Bounds bounds = session.WindowBounds(window);
        for (const auto& command : commands) {
            if (command.front() == "clickat") {
                session.Xdotool({"mousemove", std::to_string(bounds.left + std::stoi(command[1])),
                                 std::to_string(bounds.top + std::stoi(command[2])), "click", "1"});
            } else if (command.front() == "closebox") {
                session.RequestClose(window);
            } else {
                session.Xdotool(command);
            }
        }
    }

    // Long enough for the dialog to have handled what was sent.
    static void Settle() { std::this_thread::sleep_for(400ms); }

    XSession session;
    std::unique_ptr<ChildProcess> dialog;
    XWindow window = 0;
};

TEST(Dialog, HasItsFixedDesignedSizeAndTitleCentredOnTheScreenAboveOthers) {
    DialogSession d;
    d.Open();
    EXPECT_EQ(d.session.WindowBounds(d.window), (XSession::Bounds{170, 160, 299, 160}));
    EXPECT_EQ(d.session.WindowTitle(d.window), "設定 — nuvo 開発チーム");
    EXPECT_TRUE(d.session.FixedSize(d.window, 299, 160));
    const std::vector<std::string> states = d.session.WindowStates(d.window);
    EXPECT_NE(std::ranges::find(states, "_NET_WM_STATE_ABOVE"), states.end());
    d.Input({{"key", "Escape"}});
    EXPECT_EQ(d.dialog->WaitForExit(5s), 0);
}

struct LocationCase {
    const char* name;
    std::vector<std::string> environment;  // "{home}" stands for the session's home
    const char* expectedFile;              // relative to the home
};

class DialogWithoutFile : public ::testing::TestWithParam<LocationCase> {};

// Without a file the defaults are shown, and Enter (the focus starts on OK) writes
// exactly the four keys, creating the settings directory where it is missing.
TEST_P(DialogWithoutFile, EnterWritesTheDefaults) {
    DialogSession d;
    std::vector<std::string> environment = GetParam().environment;
    for (std::string& entry : environment) {
        if (const auto at = entry.find("{home}"); at != std::string::npos)
            entry.replace(at, 6, d.session.Home().string());
    }
    d.Open(environment);
    d.Input({{"key", "Return"}});
    EXPECT_EQ(d.dialog->WaitForExit(5s), 0);
    EXPECT_EQ(ReadBytes(d.session.Home() / GetParam().expectedFile), kDefaults);
}

INSTANTIATE_TEST_SUITE_P(
    Qt, DialogWithoutFile,
    ::testing::Values(
        LocationCase{"ConfigHome", {}, "config/nuvo_k48.ini"},
        LocationCase{"NestedConfigHome", {"XDG_CONFIG_HOME={home}/a/b"}, "a/b/nuvo_k48.ini"},
        LocationCase{"NoConfigHome", {"XDG_CONFIG_HOME"}, ".config/nuvo_k48.ini"},
        LocationCase{"RelativeConfigHome", {"XDG_CONFIG_HOME=relative"}, ".config/nuvo_k48.ini"}),
    [](const auto& row) { return std::string(row.param.name); });

struct FileCase {
    const char* name;
    std::string stored;
    std::string written;
};

class StoredValues : public ::testing::TestWithParam<FileCase> {};

TEST_P(StoredValues, AreClampedIntoTheControlsAndOkStoresTheClampedValues) {
    DialogSession d;
    d.WriteSettings(GetParam().stored);
    d.Open();
    d.Input({kClickOk});
    EXPECT_EQ(d.dialog->WaitForExit(5s), 0);
    EXPECT_EQ(ReadBytes(d.session.SettingsFile()), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Qt, StoredValues,
    ::testing::Values(
        FileCase{"AboveTheRanges", SettingsText(7, 900, 99, 2), SettingsText(2, 500, 35, 1)},
        FileCase{"BelowTheRanges", SettingsText(-3, -40, 2, 0), SettingsText(-1, 0, 5, 0)},
        FileCase{"HexAndJunk", "[nuvo_k48]\r\nKomakasa=$0\r\nSpeed=0x1F4\r\nAmp=12mm\r\nTate=yes\r\n",
                 SettingsText(0, 500, 10, 0)}),
    [](const auto& row) { return std::string(row.param.name); });

struct EditCase {
    const char* name;
    Commands input;
    std::string written;
};

class Editing : public ::testing::TestWithParam<EditCase> {};

// Tab order, the controls' own keys and clicks, steps of 1, and Enter for OK.
TEST_P(Editing, ReachesTheFileOnOk) {
    DialogSession d;
    d.Open();
    d.Input(GetParam().input);
    EXPECT_EQ(d.dialog->WaitForExit(5s), 0);
    EXPECT_EQ(ReadBytes(d.session.SettingsFile()), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Qt, Editing,
    ::testing::Values(
        EditCase{"DownOnDetail", {{"key", "Tab", "Tab", "Down", "Return"}}, SettingsText(2, 350, 10, 0)},
        EditCase{"UpOnDetail", {{"key", "Tab", "Tab", "Up", "Return"}}, SettingsText(0, 350, 10, 0)},
        EditCase{"RightOnSpeed", {{"key", "Tab", "Tab", "Tab", "Right", "Return"}},
                 SettingsText(1, 351, 10, 0)},
        EditCase{"LeftOnAmplitude", {{"key", "Tab", "Tab", "Tab", "Tab", "Left", "Return"}},
                 SettingsText(1, 350, 9, 0)},
        EditCase{"SpaceOnCheckBox", {{"key", "Tab", "Tab", "Tab", "Tab", "Tab", "space", "Return"}},
                 SettingsText(1, 350, 10, 1)},
        EditCase{"ShiftTabWrapsToCheckBox", {{"key", "shift+Tab", "space", "Return"}},
                 SettingsText(1, 350, 10, 1)},
        EditCase{"ClickSpeedArrow", {kClickSpeedRightArrow, {"key", "Return"}},
                 SettingsText(1, 351, 10, 0)},
        EditCase{"ClickAmplitudeTrack", {kClickAmplitudeTrack, {"key", "Return"}},
                 SettingsText(1, 350, 11, 0)},
        EditCase{"ClickCheckBoxThenOk", {kClickCheckBox, kClickOk}, SettingsText(1, 350, 10, 1)}),
    [](const auto& row) { return std::string(row.param.name); });

struct LeaveCase {
    const char* name;
    Commands input;
};

class LeavingWithoutOk : public ::testing::TestWithParam<LeaveCase> {};

// After a change in the controls, every way out but OK leaves the file as it was, byte
// for byte, and no other file behind.
TEST_P(LeavingWithoutOk, LeavesTheFileByteForByte) {
    const std::string stored = "; kept as it is\n[other]\nKomakasa=9\n[nuvo_k48]\nSpeed=100\nAmp=7\nExtra=x\n";
    DialogSession d;
    d.WriteSettings(stored);
    d.Open();
    d.Input({{"key", "Tab", "Tab", "Tab", "Right"}});  // the speed bar moves to 101
    d.Input(GetParam().input);
    EXPECT_EQ(d.dialog->WaitForExit(5s), 0);
    EXPECT_EQ(ReadBytes(d.session.SettingsFile()), stored);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d.session.ConfigDir()),
                            std::filesystem::directory_iterator()),
              1);
}

INSTANTIATE_TEST_SUITE_P(
    Qt, LeavingWithoutOk,
    ::testing::Values(LeaveCase{"Escape", {{"key", "Escape"}}},
                      LeaveCase{"CancelButton", {kClickCancel}},
                      LeaveCase{"CloseBox", {{"closebox"}}},
                      LeaveCase{"EnterOnCancel", {{"key", "shift+Tab", "shift+Tab", "Return"}}},
                      LeaveCase{"SpaceOnCancel", {{"key", "shift+Tab", "shift+Tab", "space"}}}),
    [](const auto& row) { return std::string(row.param.name); });

class ModifiedDialogKey : public ::testing::TestWithParam<const char*> {};

TEST_P(ModifiedDialogKey, DoesNothing) {
    DialogSession d;
    d.Open();
    d.Input({{"key", GetParam()}});
    DialogSession::Settle();
    EXPECT_TRUE(d.dialog->Running());
    d.Input({{"key", "Escape"}});
    EXPECT_EQ(d.dialog->WaitForExit(5s), 0);
    EXPECT_FALSE(std::filesystem::exists(d.session.SettingsFile()));
}

INSTANTIATE_TEST_SUITE_P(Qt, ModifiedDialogKey,
                         ::testing::Values("shift+Return", "ctrl+Return", "alt+Return",
                                           "shift+Escape", "ctrl+Escape", "alt+Escape"),
                         [](const auto& row) {
                             std::string name = row.param;
                             std::erase(name, '+');
                             return name;
                         });

struct PlaceCase {
    const char* name;
    bool throughLink;  // the settings file is a link to ../dotfiles/nuvo_k48.ini
    mode_t mode;
    bool refused;      // OK shows the error box and the file stays as it was
};

class FilePlace : public ::testing::TestWithParam<PlaceCase> {};

// OK writes through a symbolic link into the file it names and keeps the file's mode; a
// file its owner made read-only is refused with the error box. Root may write any file, so
// when the suite runs as root the program runs as uid and gid 65534 (nobody), owning the home.
TEST_P(FilePlace, OkKeepsLinkAndModeOrShowsTheErrorForAReadOnlyFile) {
    const PlaceCase& row = GetParam();
    DialogSession d;
    const std::filesystem::path link = d.session.SettingsFile();
    const std::filesystem::path file =
        row.throughLink ? d.session.Home() / "dotfiles" / "nuvo_k48.ini" : link;
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::create_directories(d.session.ConfigDir());
    const std::string stored = SettingsText(7, 900, 99, 2);
    WriteBytes(file, stored);
    if (row.throughLink) std::filesystem::create_symlink("../dotfiles/nuvo_k48.ini", link);
    ASSERT_EQ(chmod(file.c_str(), row.mode), 0);

    std::vector<std::string> launcher;
    if (geteuid() == 0) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(d.session.Home())) {
            ASSERT_EQ(lchown(entry.path().c_str(), 65534, 65534), 0);
        }
        ASSERT_EQ(lchown(d.session.Home().c_str(), 65534, 65534), 0);
        launcher = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    d.Open({}, launcher);
    d.Input({kClickOk});

    if (row.refused) {
        ASSERT_TRUE(WaitUntil(
            [&] {
                const auto boxes = d.session.MappedWindowsTitled("nuvo_k48");
                return boxes.size() == 1 && d.session.TransientFor(boxes[0]) == d.window &&
                       d.session.FocusedWindow() == boxes[0];
            },
            5s))
            << "no error box over the dialog";
        d.session.Xdotool({"key", "Return"});  // the box's OK
        ASSERT_TRUE(WaitUntil([&] { return d.session.FocusedWindow() == d.window; }, 5s));
        d.Input({{"key", "Escape"}});
    }
    EXPECT_EQ(d.dialog->WaitForExit(5s), 0);

    EXPECT_EQ(ReadBytes(file), row.refused ? stored : SettingsText(2, 500, 35, 1));
    struct stat status {};
    ASSERT_EQ(stat(file.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, row.mode) << std::oct << (status.st_mode & 07777);
    if (row.throughLink) {
        ASSERT_TRUE(std::filesystem::is_symlink(link)) << "the link was replaced";
        EXPECT_EQ(std::filesystem::read_symlink(link), "../dotfiles/nuvo_k48.ini");
    }
    for (const std::filesystem::path& folder : {link.parent_path(), file.parent_path()}) {
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                                std::filesystem::directory_iterator()),
                  1)
            << folder << " holds more than the settings file";
    }
}

INSTANTIATE_TEST_SUITE_P(Qt, FilePlace,
                         ::testing::Values(PlaceCase{"LinkToAPrivateFile", true, 0600, false},
                                           PlaceCase{"ReadOnlyFile", false, 0444, true},
                                           PlaceCase{"LinkToAReadOnlyFile", true, 0444, true}),
                         [](const auto& row) { return std::string(row.param.name); });

// A directory where the file should be: OK shows the error box over the disabled dialog,
// which stays open; once the way is clear, OK writes the file.
TEST(Dialog, FileThatCannotBeWrittenShowsTheErrorBoxAndTheDialogStaysOpen) {
    DialogSession d;
    std::filesystem::create_directories(d.session.SettingsFile());
    d.Open();
    d.Input({{"key", "Return"}});

    XWindow box = 0;
    ASSERT_TRUE(WaitUntil(
        [&] {
            const auto boxes = d.session.MappedWindowsTitled("nuvo_k48");
            box = boxes.empty() ? 0 : boxes.front();
            return box != 0 && d.session.FocusedWindow() == box;
        },
        5s));
    EXPECT_EQ(d.session.TransientFor(box), d.window);
    // Text, title, icon and the single OK button: the box looks exactly like the error
    // box made for this text and title.
    const Picture shown = d.session.CaptureWindow(box);
    {
        auto expected = d.session.StartExpectedErrorBox("nuvo_k48.ini に書き込めません.", "nuvo_k48");
        XWindow expectedBox = 0;
        ASSERT_TRUE(WaitUntil(
            [&] {
                for (XWindow w : d.session.MappedWindowsTitled("nuvo_k48"))
                    if (w != box) expectedBox = w;
                return expectedBox != 0 && d.session.CaptureWindow(expectedBox) == shown;
            },
            5s))
            << "the box shown differs from the expected one";
    }

    // The dialog is disabled: a click on its check box and its close box do nothing.
    d.Input({kClickCheckBox, {"closebox"}});
    DialogSession::Settle();
    ASSERT_TRUE(d.dialog->Running());
    EXPECT_TRUE(WaitUntil([&] { return d.session.FocusedWindow() == box; }, 5s))
        << "the click on the dialog took the keyboard from the box";

    d.session.Xdotool({"key", "Return"});  // the box's OK
    ASSERT_TRUE(WaitUntil([&] { return d.session.MappedWindowsTitled("nuvo_k48").empty(); }, 5s));
    DialogSession::Settle();
    ASSERT_TRUE(d.dialog->Running());
    EXPECT_EQ(d.session.MappedWindowsOfClass("TMorlaptCNF").size(), 1u);

    std::filesystem::remove(d.session.SettingsFile());
    ASSERT_TRUE(WaitUntil([&] { return d.session.FocusedWindow() == d.window; }, 5s));
    d.Input({{"key", "Return"}});
    EXPECT_EQ(d.dialog->WaitForExit(5s), 0);
    EXPECT_EQ(ReadBytes(d.session.SettingsFile()), kDefaults);
}

// A termination signal closes the dialog even while the error box waits for the user: the
// box goes with it, and the program ends as a close would, with status 0.
TEST(Dialog, SignalWhileTheErrorBoxShowsEndsTheProgram) {
    DialogSession d;
    std::filesystem::create_directories(d.session.SettingsFile());
    d.Open();
    d.Input({{"key", "Return"}});
    ASSERT_TRUE(WaitUntil([&] { return !d.session.MappedWindowsTitled("nuvo_k48").empty(); }, 5s));
    kill(d.dialog->Pid(), SIGTERM);
    EXPECT_EQ(d.dialog->WaitForExit(5s), 0);
}

}  // namespace
}  // namespace nuvo::qt_test
