// An in-process desktop for running the program without a display: a screen holding a
// picture, top-level windows findable by class across program instances, a millisecond
// counter the test sets, input the test queues, a profile directory the test chooses and
// message boxes that are recorded and answered. The program cannot tell it from a real
// desktop; a test reads outcomes (pixels, windows, cursor count, files, exit status).
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/profile/file_operations.h"
#include "platform/profile/profile_store.h"
#include "ui/platform_port.h"

namespace nuvo::headless {

class HeadlessPlatform;

using WindowHandle = std::uintptr_t;  // a window of the desktop; 0: none

struct MessageBoxRecord {
    std::string text;
    std::string title;
    TMessageBoxIcon icon;
    bool ownerDisabled;  // the owning window could take no input while the box showed
};

// A picture of the whole screen, row by row.
struct ScreenPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    friend bool operator==(const ScreenPicture&, const ScreenPicture&) = default;
};

// A picture whose every pixel differs from its neighbours' and from black, so a misplaced
// row or column shows.
ScreenPicture PatternPicture(int width, int height);

class HeadlessDesktop {
public:
    HeadlessDesktop(int width, int height);

    int Width() const { return wallpaper_.width; }
    int Height() const { return wallpaper_.height; }

    // What the screen shows beneath all windows.
    void SetWallpaper(ScreenPicture picture);
    // The screen as the user sees it: the wallpaper with every visible window on top, in
    // the order they were shown.
    ScreenPicture Screen() const;

    // --- the pointer, in screen coordinates -------------------------------------------
    TPoint CursorPos() const { return cursor_; }
    void SetCursorPos(TPoint at) { cursor_ = at; }

    // --- the clock -----------------------------------------------------------------
    std::uint32_t TickCount() const { return tick_; }
    void SetTickCount(std::uint32_t tick) { tick_ = tick; }
    void Advance(std::uint32_t milliseconds) { tick_ += milliseconds; }

    // --- windows ---------------------------------------------------------------------
    struct Window {
        WindowHandle handle = 0;
        const HeadlessPlatform* owner = nullptr;  // null for a window of another program
        const TFormDesign* design = nullptr;
        std::string className;
        WindowEvents* events = nullptr;
        TRect bounds;
        bool visible = false;
        bool enabled = true;
        ScreenPicture surface;            // what the window shows, bounds-sized
        std::vector<int> controlValues;   // per component
        int focused = -1;
    };
    bool WindowOfClassExists(std::string_view className) const;
    // A window of another program, for tests of the instance guard; 0 removes nothing.
    WindowHandle AddForeignWindow(std::string className);
    void RemoveWindow(WindowHandle handle);
    Window* FindWindow(WindowHandle handle);
    // The windows of all programs, in creation order.
    const std::vector<std::unique_ptr<Window>>& Windows() const { return windows_; }
    WindowHandle CreateWindow(const HeadlessPlatform* owner, const TFormDesign* design,
                              std::string className, WindowEvents* events);
    void ShowWindow(WindowHandle handle);

    // --- message boxes ---------------------------------------------------------------
    std::vector<MessageBoxRecord> messageBoxes;

private:
    ScreenPicture wallpaper_;
    TPoint cursor_;
    std::uint32_t tick_ = 0;
    std::vector<std::unique_ptr<Window>> windows_;
    std::vector<WindowHandle> shownOrder_;
    WindowHandle nextHandle_ = 1;
};

// Something that happens at the keyboard or mouse, or that the user does to a control.
struct InputEvent {
    enum class Kind { MouseMove, MouseDown, KeyDown, KeyUp, Click, SetValue, CloseBox };
    Kind kind;
    std::uint32_t dueTick = 0;  // not delivered before the clock reaches it
    TKeyCode key = 0;
    TShiftState shift{};
    TMouseButton button = TMouseButton::mbLeft;
    int x = 0;
    int y = 0;
    std::string component;  // Click and SetValue
    int value = 0;
};

// One program instance ("process") on the desktop: its cursor count, its input queue and
// its view of the profile directory.
class HeadlessPlatform final : public PlatformPort {
public:
    HeadlessPlatform(HeadlessDesktop& desktop, std::filesystem::path profileDirectory,
                     std::string moduleFileName = "C:\\WINDOWS\\nuvo_k48.scr");
    ~HeadlessPlatform() override;

    HeadlessDesktop& Desktop() { return desktop_; }
    int CursorCount() const { return cursorCount_; }
    void SetCursorCount(int count) { cursorCount_ = count; }
    FaultInjectingFileOperations& FileFaults() { return fileFaults_; }
    const std::filesystem::path& ProfileDirectory() const { return profileDirectory_; }

    // The program's main window, once it exists (0 before and after).
    WindowHandle MainWindow() const;
    HeadlessDesktop::Window* MainWindowState();

    // --- input: queued now, delivered when the program dispatches and the clock has
    // reached dueTick (0: at once) -----------------------------------------------------
    void PostMouseMove(int x, int y, std::uint32_t dueTick = 0);
    void PostMouseDown(TMouseButton button, std::uint32_t dueTick = 0);
    // A key pressed and let go; Shift, Ctrl and Alt in `shift` are held meanwhile.
    void PostKey(TKeyCode key, TShiftState shift = {}, std::uint32_t dueTick = 0);
    void PostKeyDown(TKeyCode key, TShiftState shift = {}, std::uint32_t dueTick = 0);
    void PostKeyUp(TKeyCode key, TShiftState shift = {}, std::uint32_t dueTick = 0);
    void PostClick(std::string component, std::uint32_t dueTick = 0);     // a button click
    void PostSetValue(std::string component, int value, std::uint32_t dueTick = 0);
    void PostCloseBox(std::uint32_t dueTick = 0);

    // Called each time one of the program's windows is shown, after the screen shows it.
    std::function<void(WindowHandle window)> onShowWindow;
    // Called each time the program shows a bitmap, after the screen shows it.
    std::function<void(const TBitmap& bitmap, std::uint32_t tick)> onPresent;
    // Called when the program would wait for input and none is queued; a test script can
    // post input from here. If it posts nothing, the wait fails: the program would hang.
    std::function<void()> onWaitForInput;
    // Called while a message box shows, before it is answered.
    std::function<void(const MessageBoxRecord&)> onMessageBox;

    // --- PlatformPort --------------------------------------------------------------------
    std::string ModuleFileName() override { return moduleFileName_; }
    bool WindowOfClassExists(std::string_view className) override;
    int ScreenWidth() override { return desktop_.Width(); }
    int ScreenHeight() override { return desktop_.Height(); }
    void CaptureScreen(TBitmap& dest) override;
    int ShowCursor(bool show) override;
    std::uint32_t TickCount() override { return desktop_.TickCount(); }
    bool WaitForTickOrEvent(std::uint32_t from, std::uint32_t milliseconds) override;
    std::unique_ptr<PlatformWindow> CreateFormWindow(const TFormDesign& design,
                                                     WindowEvents& events) override;
    void DispatchPendingEvents() override;
    void WaitForEvent() override;
    std::string GetProfileString(std::string_view section, std::string_view key,
                                 std::string_view fileName) override;
    bool WriteProfileString(std::string_view section, std::string_view key,
                            std::string_view value, std::string_view fileName) override;
    void ShowMessageBox(PlatformWindow* owner, std::string_view text, std::string_view title,
                        TMessageBoxIcon icon) override;

private:
    class FormWindow;

    void Post(InputEvent event);
    void Deliver(const InputEvent& event);
    // What a native control does with a key the form library left to it.
    void NativeKey(HeadlessDesktop::Window& window, TKeyCode key);

    HeadlessDesktop& desktop_;
    std::filesystem::path profileDirectory_;
    std::string moduleFileName_;
    FaultInjectingFileOperations fileFaults_;
    ProfileStore profiles_;
    int cursorCount_ = 0;
    std::deque<InputEvent> input_;
    std::vector<WindowHandle> ownWindows_;
};

}  // namespace nuvo::headless
