// End-to-end sessions of nuvo_k48 on a virtual X server: Xvfb on a display of its own,
// the program and the picture fixture as child processes, xdotool for the user's input,
// and the test's own X connection to look at the screen and the windows.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/headless/headless_desktop.h"
#include "temporary_directory.h"

struct _XDisplay;

namespace nuvo::qt_test {

using namespace std::chrono_literals;
using Milliseconds = std::chrono::milliseconds;
using XWindow = unsigned long;

// Polls `condition` every few milliseconds until it holds or `timeout` has passed.
bool WaitUntil(const std::function<bool()>& condition, Milliseconds timeout);

// A child process; killed and reaped at the end if it is still running. It starts with
// every signal at its default action and none blocked, whatever the test runner ignores.
class ChildProcess {
public:
    // `environment` holds NAME=value entries; the program is looked up on PATH. The child
    // writes its standard output to `standardOutput` if one is given.
    ChildProcess(std::vector<std::string> arguments, std::vector<std::string> environment,
                 int standardOutput = -1);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    bool Running();
    // The exit status (128 + signal number after a signal) once the process has ended,
    // or nothing if it is still running after `timeout`.
    std::optional<int> WaitForExit(Milliseconds timeout);
    // Asks the process to end (SIGTERM) and waits for it; the destructor kills it if it
    // is still running after `timeout`.
    void Terminate(Milliseconds timeout);

private:
    bool Reap(bool block);
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// A pixel picture of the screen or a part of it, 0x00RRGGBB, rows top-down.
using Picture = headless::ScreenPicture;

// Saves a picture as a binary PPM, for looking at a failure.
void SavePicture(const Picture& picture, const std::filesystem::path& file);

class XSession {
public:
    // Starts Xvfb with one screen of this size on the first free display of :90 to :99
    // (tools/xvfb-start); `serverArguments` go to Xvfb as well (say "-extension", "MIT-SHM").
    XSession(int width, int height, const std::vector<std::string>& serverArguments = {});
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::string& DisplayName() const { return displayName_; }
    const std::filesystem::path& Home() const { return home_.Path(); }
    // The settings directory the program is given ($XDG_CONFIG_HOME).
    std::filesystem::path ConfigDir() const { return home_.Path() / "config"; }
    std::filesystem::path SettingsFile() const { return ConfigDir() / "nuvo_k48.ini"; }

    // The environment of programs on this display: the test's own with DISPLAY, HOME,
    // XDG_CONFIG_HOME and XDG_RUNTIME_DIR of the session. `overrides` are NAME=value
    // entries replacing those; a bare NAME removes the variable.
    std::vector<std::string> Environment(const std::vector<std::string>& overrides = {}) const;

    // nuvo_k48 with these arguments (argv[1] on).
    std::unique_ptr<ChildProcess> StartProgram(const std::vector<std::string>& arguments,
                                               const std::vector<std::string>& overrides = {});
    // The test picture (headless::PatternPicture) on the whole screen; returns once it is
    // shown.
    void ShowPattern();

    // The error box as the program should show it, on top of everything.
    std::unique_ptr<ChildProcess> StartExpectedErrorBox(const std::string& text,
                                                        const std::string& title);

    // Runs xdotool with these arguments and waits for it.
    void Xdotool(const std::vector<std::string>& arguments);
    // Moves the pointer `count` times, to and fro between two points, all in one burst
    // through XTest; returns once the server has generated every movement.
    void MovePointerRepeatedly(int count);

    // The X server dies at once, as in a crash; the session's own connection goes first,
    // so from here on only the child processes can be asked about.
    void KillServer();

    Picture Capture(int x, int y, int width, int height);
    Picture CaptureScreen() { return Capture(0, 0, width_, height_); }
    Picture CaptureWindow(XWindow window);

    // Top-level windows (root children, or the clients inside them) of this WM_CLASS
    // class name that are mapped.
    std::vector<XWindow> MappedWindowsOfClass(std::string_view className);
    // Every root child, mapped or not, bottom to top.
    std::vector<XWindow> TopLevelWindows();
    // The class name of a window's WM_CLASS, "" without one.
    std::string WindowClass(XWindow window);
    // Mapped top-level windows with this title.
    std::vector<XWindow> MappedWindowsTitled(std::string_view title);
    // Bounds of a window relative to the root.
    struct Bounds {
        int left, top, width, height;
        friend bool operator==(const Bounds&, const Bounds&) = default;
    };
    Bounds WindowBounds(XWindow window);
    bool OverrideRedirect(XWindow window);
    // The mapped root child highest in the stacking order.
    XWindow TopmostWindow();
    std::string WindowTitle(XWindow window);
    // The atoms of _NET_WM_STATE by name, and the size limits a window manager must keep.
    std::vector<std::string> WindowStates(XWindow window);
    bool FixedSize(XWindow window, int width, int height);
    // A window as a reparenting window manager leaves a client: a frame on the root holding
    // the client, which has WM_STATE and this class. Unmapped; it lives as long as the session.
    void CreateFramedClient(std::string_view className);
    XWindow TransientFor(XWindow window);
    XWindow FocusedWindow();
    // Sends what a window manager sends when the user clicks the close box.
    void RequestClose(XWindow window);
    // Destroys another client's window, as any client of the display may.
    void DestroyWindow(XWindow window);

    // True while another client holds the keyboard (or the pointer): our own grab fails.
    bool KeyboardGrabbedElsewhere();
    bool PointerGrabbedElsewhere();
    // True when the cursor the server shows now is fully transparent.
    bool CursorInvisible();
    // From now on, notes the order in which the cursor the server shows changes and
    // top-level windows go away.
    void StartWatchingCursor();
    // True if the shown cursor changed while `window` was still mapped, that is before it
    // was unmapped or destroyed (which happens within `timeout`, or false).
    bool CursorChangedWhileMapped(XWindow window, Milliseconds timeout);

    // From now on, counts the windows mapped on the display.
    void StartCountingMaps();
    int MapsCounted();

    // The text of the CLIPBOARD selection, "" if nobody holds it.
    std::string ClipboardText();

private:
    int width_;
    int height_;
    test_support::TemporaryDirectory home_;
    std::string displayName_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> picture_;
    _XDisplay* display_ = nullptr;
    XWindow helperWindow_ = 0;
    int mapsCounted_ = 0;
    int fixesEventBase_ = 0;
};

}  // namespace nuvo::qt_test
