// nuvo_k48 as an xscreensaver module on a real X server: under the real xscreensaver
// daemon, in a preview window carrying a screenshot, without one, with bad command lines;
// and the saver started by xautolock.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "support/expected_frames.h"
#include "support/settings_text.h"
#include "platform/qt/area_average.h"
#include "x_session.h"

namespace nuvo::qt_test {
namespace {

using test_support::ExpectedFrames;
using test_support::SettingsText;

// The user the daemon runs as when the test runs as root: xscreensaver starts no
// modules as root.
constexpr uid_t kNobody = 65534;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

Picture Scaled(const Picture& picture, int width, int height) {
    TBitmap source(picture.width, picture.height, AllocateHeapBitmapMemory(picture.width, picture.height));
    std::memcpy(source.Pixels(), picture.pixels.data(), picture.pixels.size() * 4);
    TBitmap dest(width, height, AllocateHeapBitmapMemory(width, height));
    qt::ScaleByAreaAverage(source, dest);
    return {width, height, {dest.Pixels(), dest.Pixels() + static_cast<std::size_t>(width) * height}};
}

// Waits for a frame later than phase `after` in what `capture` shows and returns its
// phase, or 0 (and saves what was seen) when none comes.
int NextPhase(ExpectedFrames& frames, const std::function<Picture()>& capture, int after,
              const std::string& name) {
    Picture seen;
    int found = 0;
    WaitUntil(
        [&] {
            seen = capture();
            found = frames.PhaseShown(seen, after + 1, after + 1000).value_or(0);
            return found != 0;
        },
        3s);
    if (found == 0) {
        const auto file = std::filesystem::temp_directory_path() / ("nuvo_module_" + name + ".ppm");
        SavePicture(seen, file);
        ADD_FAILURE() << name << ": no frame after phase " << after << " (what was seen: " << file << ")";
    }
    return found;
}

// Three looks, each at a later frame than the one before; returns the last phase seen.
int ExpectAdvancingFrames(ExpectedFrames& frames, const std::function<Picture()>& capture,
                          const std::string& name, int after = 0) {
    for (int look = 0; look < 3 && after >= 0; ++look) {
        const int phase = NextPhase(frames, capture, after, name + "_look" + std::to_string(look));
        if (phase == 0) return -1;
        after = phase;
    }
    return after;
}

// Processes of this program file on this display (xscreensaver names the screen too).
std::vector<pid_t> ProcessesOf(const std::filesystem::path& programFile, const XSession& session) {
    const std::filesystem::path program = std::filesystem::canonical(programFile);
    const std::set<std::string> displays{"DISPLAY=" + session.DisplayName(), "DISPLAY=" + session.DisplayName() + ".0"};
    std::vector<pid_t> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path() / "exe", error) != program) continue;
        std::istringstream environment(test_support::ReadBytes(entry.path() / "environ"));
        for (std::string variable; std::getline(environment, variable, '\0');) {
            if (displays.count(variable) != 0) found.push_back(static_cast<pid_t>(std::stoi(name)));
        }
    }
    return found;
}

// A connection of the test's own, for windows that play the daemon's part.
class TestConnection {
public:
    explicit TestConnection(const XSession& session) : display_(XOpenDisplay(session.DisplayName().c_str())) {
        if (display_ == nullptr) throw std::runtime_error("cannot connect to " + session.DisplayName());
    }
    ~TestConnection() { XCloseDisplay(display_); }
    TestConnection(const TestConnection&) = delete;
    TestConnection& operator=(const TestConnection&) = delete;
    Display* display() const { return display_; }

private:
    Display* display_;
};

// A window like the preview that xscreensaver's settings page gives a module: a white
// window of its own size, mapped, with the screen's picture in a pixmap under
// _SCREENSAVER_SCREENSHOT, or without that property.
class PreviewWindow {
public:
    PreviewWindow(const XSession& session, int width, int height, const Picture* screenshot)
        : connection_(session) {
        Display* display = connection_.display();
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixel = WhitePixel(display, DefaultScreen(display));
        window_ = XCreateWindow(display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(width),
                                static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                CWOverrideRedirect | CWBackPixel, &attributes);
        if (screenshot != nullptr) {
            pixmap_ = XCreatePixmap(display, window_, static_cast<unsigned>(screenshot->width),
                                    static_cast<unsigned>(screenshot->height),
                                    static_cast<unsigned>(DefaultDepth(display, DefaultScreen(display))));
            std::vector<std::uint32_t> pixels = screenshot->pixels;
            XImage* image = XCreateImage(display, DefaultVisual(display, DefaultScreen(display)),
                                         static_cast<unsigned>(DefaultDepth(display, DefaultScreen(display))),
                                         ZPixmap, 0, reinterpret_cast<char*>(pixels.data()),
                                         static_cast<unsigned>(screenshot->width),
                                         static_cast<unsigned>(screenshot->height), 32, screenshot->width * 4);
            image->byte_order = LSBFirst;
            GC gc = XCreateGC(display, pixmap_, 0, nullptr);
            XPutImage(display, pixmap_, gc, image, 0, 0, 0, 0, static_cast<unsigned>(screenshot->width),
                      static_cast<unsigned>(screenshot->height));
            XFreeGC(display, gc);
            image->data = nullptr;
            XDestroyImage(image);
            const unsigned long id = pixmap_;
            XChangeProperty(display, window_, XInternAtom(display, "_SCREENSAVER_SCREENSHOT", False), XA_PIXMAP,
                            32, PropModeReplace, reinterpret_cast<const unsigned char*>(&id), 1);
        }
        XMapRaised(display, window_);
        XSync(display, False);
    }
    ~PreviewWindow() {
        Destroy();
        if (pixmap_ != 0) XFreePixmap(connection_.display(), pixmap_);
    }

    XWindow Id() const { return window_; }
    // As xscreensaver prints it.
    std::string IdText() const {
        char text[32];
        std::snprintf(text, sizeof text, "0x%lX", window_);
        return text;
    }
    void Resize(int width, int height) {
        XResizeWindow(connection_.display(), window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XSync(connection_.display(), False);
    }
    void Destroy() {
        if (window_ == 0) return;
        XDestroyWindow(connection_.display(), window_);
        XSync(connection_.display(), False);
        window_ = 0;
    }

private:
    TestConnection connection_;
    Window window_ = 0;
    Pixmap pixmap_ = 0;
};

// nuvo_k48 with these arguments, its stderr going to a file.
class Module {
public:
    Module(XSession& session, std::vector<std::string> arguments, std::vector<std::string> overrides = {})
        : errors_(session.Home() / ("module_errors_" + std::to_string(++count_))) {
        std::vector<std::string> command{"sh", "-c", "exec \"$0\" \"$@\" 2>\"$NUVO_TEST_ERRORS\"",
                                         NUVO_K48_PROGRAM};
        command.insert(command.end(), arguments.begin(), arguments.end());
        overrides.push_back("NUVO_TEST_ERRORS=" + errors_.string());
        process_ = std::make_unique<ChildProcess>(std::move(command), session.Environment(overrides));
    }
    ChildProcess& Process() { return *process_; }
    std::vector<std::string> ErrorLines() const { return Lines(test_support::ReadBytes(errors_)); }

private:
    static inline int count_ = 0;
    std::filesystem::path errors_;
    std::unique_ptr<ChildProcess> process_;
};

TEST(XscreensaverModule, PreviewShowsFramesOfTheScaledScreenshotAtItsSizeAndEndsWithTheWindow) {
    XSession session(640, 480);
    session.ShowPattern();
    const Picture screen = session.CaptureScreen();
    // The options stand in for every key of the file.
    std::filesystem::create_directories(session.ConfigDir());
    test_support::WriteBytes(session.SettingsFile(), SettingsText({.detailLevel = 2, .speed = 0, .amplitude = 5}));
    const TWaveSettings given{.detailLevel = 0, .speed = 400, .amplitude = 20, .vertical = true};

    PreviewWindow window(session, 400, 300, &screen);
    // --window-id wins over --root and the daemon's variable.
    Module module(session, {"--root", "--komakasa", "0", "--speed", "0x190", "--amp", "20", "--no-tate",
                            "--tate", "--window-id", window.IdText()},
                  {"XSCREENSAVER_WINDOW=0x1"});
    const auto inWindow = [&] { return session.CaptureWindow(window.Id()); };
    ExpectedFrames atStart(Scaled(screen, 400, 300), given);
    const int phase = ExpectAdvancingFrames(atStart, inWindow, "preview");
    ASSERT_GT(phase, 0);

    // Nothing of it stops the settings dialog from opening beside it.
    auto dialog = session.StartProgram({"/c"});
    EXPECT_TRUE(WaitUntil([&] { return session.MappedWindowsOfClass("TMorlaptCNF").size() == 1; }, 10s));
    kill(dialog->Pid(), SIGTERM);
    EXPECT_EQ(dialog->WaitForExit(5s), 0);

    // Resized, the frames follow at the new size and the wave goes on.
    window.Resize(300, 200);
    ExpectedFrames resized(Scaled(screen, 300, 200), given);
    EXPECT_GT(ExpectAdvancingFrames(resized, inWindow, "resized", phase), phase);

    window.Destroy();
    EXPECT_EQ(module.Process().WaitForExit(5s), 0);
    EXPECT_EQ(module.ErrorLines(), std::vector<std::string>{});
}

TEST(XscreensaverModule, WithoutScreenshotDrawsBlackFramesSaysWhyOnceAndKeepsRunning) {
    XSession session(320, 240);
    PreviewWindow window(session, 200, 100, nullptr);
    ASSERT_EQ(session.CaptureWindow(window.Id()).pixels[0], 0xFFFFFFu);
    Module module(session, {"--root"}, {"XSCREENSAVER_WINDOW=" + std::to_string(window.Id())});
    const Picture black{200, 100, std::vector<std::uint32_t>(200 * 100, 0)};
    EXPECT_TRUE(WaitUntil([&] { return session.CaptureWindow(window.Id()) == black; }, 5s));
    std::this_thread::sleep_for(500ms);
    EXPECT_TRUE(module.Process().Running());
    const std::vector<std::string> errors = module.ErrorLines();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("_SCREENSAVER_SCREENSHOT"), std::string::npos) << errors[0];
    kill(module.Process().Pid(), SIGTERM);
    EXPECT_EQ(module.Process().WaitForExit(5s), 0);
}

// Frames without pause, so the window goes while one is being put into it, again and again.
TEST(XscreensaverModule, WindowDestroyedWhileFramesFlowEndsItQuietly) {
    XSession session(640, 480);
    const Picture screen = headless::PatternPicture(640, 480);
    for (int round = 0; round < 5; ++round) {
        PreviewWindow window(session, 640, 480, &screen);
        Module module(session, {"--window-id", window.IdText(), "--speed", "1000"});
        ASSERT_TRUE(WaitUntil([&] { return session.CaptureWindow(window.Id()).pixels[0] != 0xFFFFFFu; }, 5s));
        window.Destroy();
        EXPECT_EQ(module.Process().WaitForExit(5s), 0) << "round " << round;
        EXPECT_EQ(module.ErrorLines(), std::vector<std::string>{}) << "round " << round;
    }
}

class ModuleSignal : public ::testing::TestWithParam<int> {};

// In the middle of a pause of 100 s between two frames, the signal still ends it.
TEST_P(ModuleSignal, EndsItWithStatusZeroAlsoDuringALongPause) {
    XSession session(320, 240);
    PreviewWindow window(session, 160, 120, nullptr);
    Module module(session, {"--window-id", std::to_string(window.Id()), "--speed", "-100000"});
    const Picture black{160, 120, std::vector<std::uint32_t>(160 * 120, 0)};
    ASSERT_TRUE(WaitUntil([&] { return session.CaptureWindow(window.Id()) == black; }, 5s));
    std::this_thread::sleep_for(300ms);
    kill(module.Process().Pid(), GetParam());
    EXPECT_EQ(module.Process().WaitForExit(2s), 0);
}

INSTANTIATE_TEST_SUITE_P(Qt, ModuleSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const auto& row) { return std::string(sigabbrev_np(row.param)); });

TEST(XscreensaverModule, BadCommandLinesEndWithStatusOneAndAMessage) {
    XSession session(320, 240);
    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::string> overrides;
        std::string message;
    };
    const std::vector<Case> cases{
        {{"--root"}, {"XSCREENSAVER_WINDOW"}, "nuvo_k48: --root: XSCREENSAVER_WINDOW is not set"},
        {{"--window-id", "0x1FFFFF0"}, {}, "nuvo_k48: there is no window 0x1fffff0 on the display"},
        {{"-window-id", "preview"}, {}, "nuvo_k48: -window-id: \"preview\" is not a window id"},
        {{"--root", "--fps"}, {"XSCREENSAVER_WINDOW=0x1"}, "nuvo_k48: unknown option \"--fps\""},
    };
    for (const Case& c : cases) {
        Module module(session, c.arguments, c.overrides);
        EXPECT_EQ(module.Process().WaitForExit(10s), 1) << c.message;
        EXPECT_EQ(module.ErrorLines(), std::vector<std::string>{c.message});
    }
}

// The real daemon, as the user nobody when the test runs as root, with nuvo_k48 --root as
// its one module and the settings in its user's ~/.config. The module is a copy of the
// program in that user's home, which the user can reach whatever the build directory allows.
class XscreensaverDaemon {
public:
    XscreensaverDaemon(XSession& session, const TWaveSettings& settings) : session_(session) {
        const auto& home = home_.Path();
        std::filesystem::create_directories(home / ".config");
        std::filesystem::create_directories(home / "runtime");
        std::filesystem::create_directories(home / "bin");
        std::filesystem::copy_file(NUVO_K48_PROGRAM, Module());
        test_support::WriteBytes(home / ".config" / "nuvo_k48.ini", SettingsText(settings));
        test_support::WriteBytes(home / ".xscreensaver",
                                 "mode: one\nselected: 0\ntimeout: 0:30:00\nlock: False\nfade: False\n"
                                 "unfade: False\nsplash: False\ndpmsEnabled: False\n"
                                 "programs: " + Module().string() + " --root \\n\n");
        if (geteuid() == 0) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(home)) {
                EXPECT_EQ(chown(entry.path().c_str(), kNobody, kNobody), 0);
            }
            EXPECT_EQ(chown(home.c_str(), kNobody, kNobody), 0);
            std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all);
        }
        daemon_ = std::make_unique<ChildProcess>(AsUser({"xscreensaver", "-no-splash"}), Environment());
    }

    // xscreensaver-command -activate, again until the daemon has started to listen.
    bool Activate() {
        return WaitUntil(
            [&] {
                ChildProcess command(AsUser({"xscreensaver-command", "-activate"}), Environment());
                return command.WaitForExit(10s) == 0;
            },
            15s);
    }

    std::filesystem::path Module() const { return home_.Path() / "bin" / "nuvo_k48"; }

private:
    std::vector<std::string> AsUser(std::vector<std::string> command) const {
        if (geteuid() != 0) return command;
        std::vector<std::string> full{"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        full.insert(full.end(), command.begin(), command.end());
        return full;
    }
    std::vector<std::string> Environment() const {
        const auto& home = home_.Path();
        return session_.Environment({"HOME=" + home.string(), "XDG_CONFIG_HOME=" + (home / ".config").string(),
                                     "XDG_RUNTIME_DIR=" + (home / "runtime").string()});
    }

    XSession& session_;
    test_support::TemporaryDirectory home_;
    std::unique_ptr<ChildProcess> daemon_;
};

TEST(XscreensaverModule, DaemonShowsOurFramesOfTheScreenItCoveredAndAKeyEndsThem) {
    XSession session(640, 480);
    session.ShowPattern();
    const Picture screen = session.CaptureScreen();
    const TWaveSettings settings{.detailLevel = 1, .speed = 400, .amplitude = 15};
    XscreensaverDaemon daemon(session, settings);
    const std::vector<XWindow> before = session.TopLevelWindows();

    ASSERT_TRUE(daemon.Activate());
    const auto activated = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitUntil([&] { return ProcessesOf(daemon.Module(), session).size() == 1; }, 10s));
    ExpectedFrames frames(screen, settings);
    EXPECT_GT(ExpectAdvancingFrames(frames, [&] { return session.CaptureScreen(); }, "daemon"), 0);

    // Every window that came since belongs to the daemon; none is ours.
    for (XWindow window : session.TopLevelWindows()) {
        if (std::find(before.begin(), before.end(), window) == before.end()) {
            EXPECT_EQ(session.WindowClass(window), "XScreenSaver") << window;
        }
    }
    EXPECT_TRUE(session.MappedWindowsOfClass("TMorlaptFMI").empty());

    // The daemon takes no notice of input in the first seconds after -activate.
    std::this_thread::sleep_until(activated + 3s);
    session.Xdotool({"key", "a"});
    EXPECT_TRUE(WaitUntil([&] { return ProcessesOf(daemon.Module(), session).empty(); }, 1s));
}

TEST(Xautolock, StartsTheSaverOnTheLiveDesktop) {
    XSession session(640, 480);
    session.ShowPattern();
    const Picture screen = session.CaptureScreen();
    const TWaveSettings settings{.detailLevel = 0, .speed = 400, .amplitude = 10};
    std::filesystem::create_directories(session.ConfigDir());
    test_support::WriteBytes(session.SettingsFile(), SettingsText(settings));
    ChildProcess serverSaverOff({"xset", "s", "off"}, session.Environment());
    ASSERT_EQ(serverSaverOff.WaitForExit(10s), 0);

    ChildProcess xautolock({"xautolock", "-time", "1", "-locker", std::string(NUVO_K48_PROGRAM) + " /s"},
                           session.Environment());
    EXPECT_TRUE(WaitUntil(
        [&] {
            ChildProcess lockNow({"xautolock", "-locknow"}, session.Environment());
            lockNow.WaitForExit(10s);
            return WaitUntil([&] { return session.MappedWindowsOfClass("TMorlaptFMI").size() == 1; }, 2s);
        },
        20s));
    ExpectedFrames frames(screen, settings);
    EXPECT_GT(ExpectAdvancingFrames(frames, [&] { return session.CaptureScreen(); }, "xautolock"), 0);
    session.Xdotool({"key", "a"});
    EXPECT_TRUE(WaitUntil([&] { return session.MappedWindowsOfClass("TMorlaptFMI").empty(); }, 5s));
}

}  // namespace
}  // namespace nuvo::qt_test
