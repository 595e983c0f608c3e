// What the Wine tests do on the desktop: start Windows processes with exact command
// lines, find and read windows, drive the X server with xdotool and grab it with xwd,
// and handle the settings file in the Windows directory.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nuvo::wine_test {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// Polls until the condition holds or the time is up; true if it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

// A Windows process started with an exact command line; killed if still running at the end.
class Process {
public:
    Process(const std::wstring& application, const std::wstring& commandLine);
    ~Process();
    Process(Process&& other) noexcept
        : started_(std::exchange(other.started_, false)), info_(std::exchange(other.info_, {})) {}
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return started_; }
    bool WaitForExit(DWORD timeoutMs = 10000);
    bool Running();
    DWORD ExitCode();

private:
    bool started_ = false;
    PROCESS_INFORMATION info_{};  // no handles for a Unix program started by Wine
};

// Starts nuvo_k48.scr with this text after its quoted path, as Windows would.
Process StartSaverProgram(std::string_view arguments);

// The first top-level window of that class, or nullptr.
HWND FindTopWindow(const wchar_t* className);
// Waits until a visible top-level window of the class exists.
HWND WaitForVisibleWindow(const wchar_t* className, DWORD timeoutMs = 10000);
std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);
// The child windows in z-order, which is the order they were created in.
std::vector<HWND> ChildWindows(HWND parent);

// Runs a Linux command through /bin/sh and waits for it; returns its exit status.
int RunUnixCommand(const std::string& command);
// xdotool with these arguments, for example "key Tab" or "mousemove 10 20".
void Xdotool(const std::string& arguments);
// Moves the X pointer to a place it has not been before, so the move is a real one.
void MoveMouseSomewhere();
// Puts the X pointer over the middle of the window: without a window manager, keys go to
// the window under the pointer.
void MovePointerInto(HWND window);

struct ScreenImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top-down
    std::uint32_t Pixel(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};
// What the X server shows, grabbed with xwd.
ScreenImage GrabScreen();
// The known picture at this size.
ScreenImage TestPicture(int width, int height);
bool SameImage(const ScreenImage& a, const ScreenImage& b);

// The test picture shown full screen by the fixture program, for as long as this lives.
class PictureOnScreen {
public:
    PictureOnScreen();
    bool Shown() const { return shown_; }

private:
    Process fixture_;
    bool shown_ = false;
};

// The settings file as the profile functions see it: nuvo_k48.ini in the Windows directory.
std::wstring SettingsFilePath();
void RemoveSettingsFile();
void WriteSettingsFile(std::string_view bytes);
std::optional<std::string> ReadSettingsFile();

}  // namespace nuvo::wine_test
