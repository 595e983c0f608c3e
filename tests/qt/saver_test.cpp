// The saver on a real X server: the frames on the screen, the input that ends it, how it
// holds the screen while it runs, and the signals that end it from outside.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/shm.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/expected_frames.h"
#include "support/settings_text.h"
#include "x_session.h"

namespace nuvo::qt_test {
namespace {

using test_support::ExpectedFrames;
using test_support::SettingsText;

// Starts the saver and waits until it covers the screen with the keyboard and the
// pointer in its hands.
std::unique_ptr<ChildProcess> StartSaver(XSession& session,
                                         const std::vector<std::string>& arguments = {"/s"}) {
    auto saver = session.StartProgram(arguments);
    const bool ready = WaitUntil(
        [&] {
            return session.MappedWindowsOfClass("TMorlaptFMI").size() == 1 &&
                   session.KeyboardGrabbedElsewhere() && session.PointerGrabbedElsewhere();
        },
        10s);
    EXPECT_TRUE(ready) << "the saver did not take the screen";
    return saver;
}

// The shared memory segments a process has attached (in /proc/PID/maps a System V
// segment's inode is its id).
std::vector<int> SharedSegmentsOf(pid_t pid) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    std::vector<int> segments;
    for (std::string line; std::getline(maps, line);) {
        if (line.find("/SYSV") == std::string::npos) continue;
        std::istringstream fields(line);
        std::string range, permissions, offset, device;
        long long inode = 0;
        fields >> range >> permissions >> offset >> device >> inode;
        segments.push_back(static_cast<int>(inode));
    }
    return segments;
}

bool SegmentExists(int id) {
    shmid_ds status{};
    return shmctl(id, IPC_STAT, &status) == 0;
}

struct FrameCase {
    const char* name;
    int width;
    int height;
    TWaveSettings settings;
    bool sharedMemory = true;  // false: the server runs without MIT-SHM
};

class SaverFrames : public ::testing::TestWithParam<FrameCase> {};

// Every frame on the screen is, pixel for pixel, the composed frame of some phase of the
// picture that was shown before the start, and the phases move on between looks.
TEST_P(SaverFrames, ScreenShowsTheComposedFramesOfTheFrozenPicture) {
    const FrameCase& c = GetParam();
    XSession session(c.width, c.height,
                     c.sharedMemory ? std::vector<std::string>{} : std::vector<std::string>{"-extension", "MIT-SHM"});
    session.ShowPattern();
    const Picture frozen = session.CaptureScreen();
    std::filesystem::create_directories(session.ConfigDir());
    test_support::WriteBytes(session.SettingsFile(), SettingsText(c.settings));

    auto saver = StartSaver(session);
    // The display image is the one segment, where the server can share one.
    EXPECT_EQ(SharedSegmentsOf(saver->Pid()).size(), c.sharedMemory ? 1u : 0u);
    ExpectedFrames frames(frozen, c.settings);
    int phase = 0;
    for (int look = 0; look < 3; ++look) {
        // Each look waits for a frame later than the one seen before (a frame every 105 ms
        // at speed 400); a screen that matches no frame at all fails after a while.
        Picture screen;
        int found = 0;
        WaitUntil(
            [&] {
                screen = session.CaptureScreen();
                found = frames.PhaseShown(screen, phase + 1, 1000).value_or(0);
                return found != 0;
            },
            3s);
        if (found == 0) {
            const auto file = session.Home().parent_path() / (std::string("nuvo_") + c.name + ".ppm");
            SavePicture(screen, file);
            FAIL() << "look " << look << ": no frame after phase " << phase
                   << " matches the screen (saved as " << file << ")";
        }
        phase = found;
    }
    session.Xdotool({"mousemove", "10", "10", "sleep", "0.1", "mousemove", "20", "20", "sleep",
                     "0.1", "mousemove", "30", "30"});
    EXPECT_EQ(saver->WaitForExit(5s), 0);
}

// Speed 400: a frame every 105 ms, so the looks above see different frames.
INSTANTIATE_TEST_SUITE_P(
    Qt, SaverFrames,
    ::testing::Values(
        FrameCase{"Fine", 640, 480, {.detailLevel = 0, .speed = 400, .amplitude = 10}},
        FrameCase{"Standard", 640, 480, {.detailLevel = 1, .speed = 400, .amplitude = 35}},
        FrameCase{"Coarse", 640, 480, {.detailLevel = 2, .speed = 400, .amplitude = 5}},
        FrameCase{"FineVertical", 640, 480,
                  {.detailLevel = 0, .speed = 400, .amplitude = 10, .vertical = true}},
        FrameCase{"StandardVertical", 640, 480,
                  {.detailLevel = 1, .speed = 400, .amplitude = 10, .vertical = true}},
        FrameCase{"CoarseVertical", 640, 480,
                  {.detailLevel = 2, .speed = 400, .amplitude = 10, .vertical = true}},
        FrameCase{"LargeScreen", 1280, 1024, {.detailLevel = 1, .speed = 400, .amplitude = 20}},
        FrameCase{"WithoutSharedMemory", 640, 480, {.detailLevel = 1, .speed = 400, .amplitude = 35}, false},
        FrameCase{"LargeScreenWithoutSharedMemory", 1280, 1024,
                  {.detailLevel = 0, .speed = 400, .amplitude = 20, .vertical = true}, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(SaverWindow, CoversTheScreenAboveAllHidesTheCursorAndShowsItAgainAtTheEnd) {
    XSession session(320, 240);
    session.ShowPattern();
    ASSERT_FALSE(session.CursorInvisible());
    auto saver = StartSaver(session);
    const std::vector<XWindow> windows = session.MappedWindowsOfClass("TMorlaptFMI");
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(session.WindowBounds(windows[0]), (XSession::Bounds{0, 0, 320, 240}));
    EXPECT_TRUE(session.OverrideRedirect(windows[0]));
    EXPECT_EQ(session.TopmostWindow(), windows[0]);
    EXPECT_TRUE(session.CursorInvisible());

    session.Xdotool({"click", "1"});
    EXPECT_EQ(saver->WaitForExit(5s), 0);
    EXPECT_FALSE(session.CursorInvisible());
}

// The log bench/run times the saver by: one line per frame shown, "START BEGIN END" in
// microseconds, each frame's wait ending before its present and after the previous one.
TEST(SaverWindow, FrameLogHasOneOrderedLinePerFrameShown) {
    XSession session(320, 240);
    const std::filesystem::path log = session.Home() / "frames.log";
    std::ofstream(session.SettingsFile()) << SettingsText({.detailLevel = 1, .speed = 500, .amplitude = 10});
    auto saver = session.StartProgram({"/s"}, {"NUVO_K48_FRAME_LOG=" + log.string()});
    const auto lines = [&] {
        std::ifstream in(log);
        std::vector<std::string> all;
        for (std::string line; std::getline(in, line);) all.push_back(line);
        return all;
    };
    ASSERT_TRUE(WaitUntil([&] { return lines().size() >= 5; }, 10s)) << "frames logged: " << lines().size();
    session.Xdotool({"key", "Escape"});
    ASSERT_EQ(saver->WaitForExit(5s), 0);

    long long previousEnd = 0;
    for (const std::string& line : lines()) {
        std::istringstream fields(line);
        long long start = 0, begin = 0, end = 0;
        std::string rest;
        ASSERT_TRUE(fields >> start >> begin >> end) << line;
        EXPECT_FALSE(fields >> rest) << line;
        EXPECT_LE(previousEnd, start) << line;
        EXPECT_LE(start, begin) << line;
        EXPECT_LE(begin, end) << line;
        previousEnd = end;
    }
}

struct InputCase {
    const char* name;
    std::vector<std::vector<std::string>> harmless;  // xdotool commands that must not end it
    std::vector<std::string> ending;                 // the xdotool command that ends it
};

class SaverInput : public ::testing::TestWithParam<InputCase> {};

TEST_P(SaverInput, HarmlessInputKeepsItRunningAndTheEndingInputEndsIt) {
    const InputCase& c = GetParam();
    XSession session(320, 240);
    session.ShowPattern();
    auto saver = StartSaver(session);
    for (const auto& command : c.harmless) session.Xdotool(command);
    // Several frame periods (155 ms at the default speed): the input has been handled.
    std::this_thread::sleep_for(600ms);
    ASSERT_TRUE(saver->Running()) << "ended before the ending input";
    session.Xdotool(c.ending);
    EXPECT_EQ(saver->WaitForExit(5s), 0);
}

const std::vector<std::vector<std::string>> kTabKeys{{"key", "Tab"}, {"key", "shift+Tab"}};

INSTANTIATE_TEST_SUITE_P(
    Qt, SaverInput,
    ::testing::Values(
        InputCase{"ThirdMouseMove",
                  {{"mousemove", "10", "10"}, {"mousemove", "200", "100"}},
                  {"mousemove", "20", "30"}},
        InputCase{"Letter", kTabKeys, {"key", "a"}},
        InputCase{"Alt", kTabKeys, {"key", "Alt_L"}},
        InputCase{"ShiftAlone", kTabKeys, {"key", "Shift_L"}},
        InputCase{"CtrlTab", kTabKeys, {"key", "ctrl+Tab"}},
        InputCase{"AltTab", kTabKeys, {"key", "alt+Tab"}},
        InputCase{"F10", kTabKeys, {"key", "F10"}},
        InputCase{"Escape", kTabKeys, {"key", "Escape"}},
        InputCase{"Enter", kTabKeys, {"key", "Return"}},
        InputCase{"ArrowKey", kTabKeys, {"key", "Left"}},
        InputCase{"LeftClick", {{"mousemove", "50", "50"}}, {"click", "1"}},
        InputCase{"RightClick", kTabKeys, {"click", "3"}}),
    [](const auto& row) { return std::string(row.param.name); });

// Mouse movements are not merged (the third one ends the saver), so a flood of them is
// dispatched one by one: it must still end the saver with the frame being drawn when it
// arrives, not keep it drawing while the queue is worked off.
TEST(SaverInput, TenThousandQueuedMovesEndItWithTheFrameBeingDrawn) {
    XSession session(320, 240);
    session.ShowPattern();
    const Picture frozen = session.CaptureScreen();
    const TWaveSettings settings{.speed = 0};  // a frame every 505 ms
    std::filesystem::create_directories(session.ConfigDir());
    test_support::WriteBytes(session.SettingsFile(), SettingsText(settings));
    auto saver = StartSaver(session);
    ExpectedFrames frames(frozen, settings);

    // The moment a new frame appears, the saver has dispatched and begins its wait: the
    // flood lands in the queue during the wait for the next frame.
    int phase = 0;
    ASSERT_TRUE(WaitUntil([&] { return (phase = frames.PhaseShown(session.CaptureScreen(), 1, 50).value_or(0)) != 0; }, 5s));
    const int seen = phase;
    ASSERT_TRUE(WaitUntil([&] { return (phase = frames.PhaseShown(session.CaptureScreen(), seen + 1, seen + 1).value_or(0)) != 0; }, 5s));
    session.MovePointerRepeatedly(10'000);

    // The frame after the one seen is the last; the saver ends once it is shown.
    int latest = phase;
    const bool ended = WaitUntil(
        [&] {
            if (!saver->Running()) return true;
            latest = std::max(latest, frames.PhaseShown(session.CaptureScreen(), latest + 1, latest + 3).value_or(0));
            return false;
        },
        3s);
    EXPECT_TRUE(ended) << "still running 3 s after the flood";
    EXPECT_LE(latest, phase + 1) << "frames went on after the flood was dispatched";
    EXPECT_EQ(saver->WaitForExit(5s), 0);
}

struct EndingCase {
    const char* name;
    std::function<void(XSession&, ChildProcess&)> end;
    int status;
};

class SaverEnding : public ::testing::TestWithParam<EndingCase> {};

// The period is 24.8 days (the lowest speed a hand-edited file can give): whatever ends the
// saver must wake it from its wait, and the display image's segment goes with it.
TEST_P(SaverEnding, EndsItFromTheMiddleOfALongWaitAndLeavesNoSegment) {
    const EndingCase& c = GetParam();
    XSession session(320, 240);
    session.ShowPattern();
    std::filesystem::create_directories(session.ConfigDir());
    test_support::WriteBytes(session.SettingsFile(),
                             SettingsText({.speed = std::numeric_limits<std::int32_t>::min()}));
    auto saver = StartSaver(session);
    const std::vector<int> segments = SharedSegmentsOf(saver->Pid());
    EXPECT_EQ(segments.size(), 1u);
    std::this_thread::sleep_for(300ms);  // the first frame is long shown: the saver sleeps
    c.end(session, *saver);
    EXPECT_EQ(saver->WaitForExit(1s), c.status) << "not ended within a second";
    for (const int id : segments) {
        // The server lets go of it when it has seen the connection end.
        EXPECT_TRUE(WaitUntil([&] { return !SegmentExists(id); }, 2s)) << "segment " << id << " is left behind";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Qt, SaverEnding,
    ::testing::Values(
        EndingCase{"Key", [](XSession& s, ChildProcess&) { s.Xdotool({"key", "a"}); }, 0},
        EndingCase{"Click", [](XSession& s, ChildProcess&) { s.Xdotool({"click", "1"}); }, 0},
        EndingCase{"ThirdMove",
                   [](XSession& s, ChildProcess&) {
                       s.Xdotool({"mousemove", "10", "10", "sleep", "0.1", "mousemove", "20", "20", "sleep",
                                  "0.1", "mousemove", "30", "30"});
                   },
                   0},
        EndingCase{"Sigterm", [](XSession&, ChildProcess& saver) { kill(saver.Pid(), SIGTERM); }, 0},
        EndingCase{"LostServer", [](XSession& s, ChildProcess&) { s.KillServer(); }, 1}),
    [](const auto& row) { return std::string(row.param.name); });

class SaverSignal : public ::testing::TestWithParam<int> {};

// A termination signal is a close: the saver shows the cursor again while its window is
// still there (the window's end would show it in any case), then ends with status 0.
TEST_P(SaverSignal, EndsItAsACloseDoes) {
    XSession session(320, 240);
    session.ShowPattern();
    auto saver = StartSaver(session);
    const std::vector<XWindow> windows = session.MappedWindowsOfClass("TMorlaptFMI");
    ASSERT_EQ(windows.size(), 1u);
    ASSERT_TRUE(session.CursorInvisible());
    session.StartWatchingCursor();
    kill(saver->Pid(), GetParam());
    EXPECT_TRUE(session.CursorChangedWhileMapped(windows[0], 5s));
    EXPECT_EQ(saver->WaitForExit(5s), 0);
    EXPECT_FALSE(session.CursorInvisible());
}

INSTANTIATE_TEST_SUITE_P(Qt, SaverSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const auto& row) { return std::string(sigabbrev_np(row.param)); });

}  // namespace
}  // namespace nuvo::qt_test
