// The door between the form library and the desktop it runs on. Everything the program
// needs from a windowing system passes through these interfaces; src/platform/* implements
// them for Windows, for X11 with Qt, and for the in-process headless desktop of the tests.
// A platform translates and reports; every rule of input and of dialogs is the form
// library's.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ui/form_design.h"
#include "ui/graphics.h"
#include "ui/profile_functions.h"

namespace nuvo {

// Key codes are the Windows virtual-key numbers on every platform.
using TKeyCode = std::uint16_t;
namespace keys {
constexpr TKeyCode vkTab = 0x09;
constexpr TKeyCode vkReturn = 0x0D;
constexpr TKeyCode vkShift = 0x10;
constexpr TKeyCode vkControl = 0x11;
constexpr TKeyCode vkMenu = 0x12;  // Alt
constexpr TKeyCode vkEscape = 0x1B;
constexpr TKeyCode vkSpace = 0x20;
constexpr TKeyCode vkLeft = 0x25;
constexpr TKeyCode vkUp = 0x26;
constexpr TKeyCode vkRight = 0x27;
constexpr TKeyCode vkDown = 0x28;
constexpr TKeyCode vkF10 = 0x79;
// Letters and digits are their upper-case ASCII codes: 'A' is 0x41.
}  // namespace keys

struct TShiftState {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    friend bool operator==(const TShiftState&, const TShiftState&) = default;
};

enum class TMouseButton { mbLeft, mbRight, mbMiddle, mbOther };

enum class TMessageBoxIcon { Error };

// What a platform window tells the form library: the raw events, translated into the
// library's words and nothing decided. Calls arrive only while the platform dispatches
// events (DispatchPendingEvents or WaitForEvent), never from another thread.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    // The pointer is at (x, y) of the client area; sent whenever the platform says so,
    // also when the pointer has not moved.
    virtual void MouseMove(int x, int y, TShiftState shift) = 0;
    virtual void MouseDown(TMouseButton button, int x, int y, TShiftState shift) = 0;
    // A key went down (a held key repeats it), modifiers included. Returns true when the
    // form library used it; a platform lets the focused native control handle a key that
    // was not.
    virtual bool KeyDown(TKeyCode key, TShiftState shift) = 0;
    // A key was let go.
    virtual void KeyUp(TKeyCode key, TShiftState shift) = 0;
    // A native control was clicked (a button pressed by mouse or Space).
    virtual void ControlClicked(int component) = 0;
    // The user asked the window to close (close box, Alt+F4, window manager).
    virtual void CloseRequested() = 0;
};

// A form's window on the desktop, with its native controls; destroying it destroys them.
class PlatformWindow {
public:
    virtual ~PlatformWindow() = default;
    // Outer bounds of a borderless window, client bounds otherwise.
    virtual void SetBounds(TRect bounds) = 0;
    virtual void Show() = 0;
    // Paints the bitmap into the rectangle of the client area at once.
    virtual void Present(TRect clientRect, const TBitmap& bitmap) = 0;
    // State of a native control: radio group item index (-1: none), scroll bar position,
    // check box 1 or 0. A value is stored as given.
    virtual int ControlValue(int component) = 0;
    virtual void SetControlValue(int component, int value) = 0;
    // The component with the keyboard focus, or -1.
    virtual int FocusedComponent() = 0;
    virtual void FocusComponent(int component) = 0;
    // Where the pointer is, in client coordinates, if the platform knows.
    virtual std::optional<TPoint> CursorPosition() = 0;
};

class PlatformPort : public ProfileFunctions {
public:
    // --- process -------------------------------------------------------------------
    // The program file's path, as the platform reports it (for the application title).
    virtual std::string ModuleFileName() = 0;
    // True if a top-level window of this class exists on the desktop, in any process.
    virtual bool WindowOfClassExists(std::string_view className) = 0;

    // --- screen, cursor, clock -------------------------------------------------------
    virtual int ScreenWidth() = 0;
    virtual int ScreenHeight() = 0;
    // Copies the screen rectangle (0, 0, dest.Width(), dest.Height()) to dest at (0, 0);
    // parts outside the screen are left as they are.
    virtual void CaptureScreen(TBitmap& dest) = 0;
    // Changes the cursor display count by one and returns the new count; the cursor
    // is hidden while the count is negative.
    virtual int ShowCursor(bool show) = 0;
    // Milliseconds since system start, wrapping at 2^32.
    virtual std::uint32_t TickCount() = 0;
    // Sleeps until the tick count has gone `milliseconds` past `from` (a count it returned
    // a moment ago), or less when an event arrives first or is waiting already: input, a
    // close request, a signal, the loss of the display. Never dispatches events. True if
    // an event ended the sleep, false at the deadline.
    virtual bool WaitForTickOrEvent(std::uint32_t from, std::uint32_t milliseconds) = 0;

    // --- bitmaps ---------------------------------------------------------------------
    virtual std::unique_ptr<BitmapMemory> CreateBitmapMemory(int width, int height) {
        return AllocateHeapBitmapMemory(width, height);
    }
    // Memory for a bitmap that is shown in `window`; a platform may share it with the
    // display server, so that showing it copies nothing.
    virtual std::unique_ptr<BitmapMemory> CreateDisplayBitmapMemory(PlatformWindow&, int width, int height) {
        return CreateBitmapMemory(width, height);
    }

    // --- windows ---------------------------------------------------------------------
    // Creates the window and its native controls from the design, hidden; the controls
    // are made in the order of the design. `events` outlives the window.
    virtual std::unique_ptr<PlatformWindow> CreateFormWindow(const TFormDesign& design,
                                                             WindowEvents& events) = 0;

    // --- events ----------------------------------------------------------------------
    // Dispatches every event already waiting, then returns.
    virtual void DispatchPendingEvents() = 0;
    // Blocks until at least one event has arrived and dispatches what is waiting.
    virtual void WaitForEvent() = 0;

    // --- message boxes -----------------------------------------------------------------
    // A modal box with one OK button, owned by `owner` (a window of this port, or null);
    // the program's other windows are disabled while it shows. Texts are UTF-8.
    virtual void ShowMessageBox(PlatformWindow* owner, std::string_view text,
                                std::string_view title, TMessageBoxIcon icon) = 0;
};

}  // namespace nuvo
