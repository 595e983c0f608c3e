// The Windows desktop: Win32 windows and standard controls, GDI, the profile functions.
// One file per concern: this port (process, screen, clock, bitmaps, events, profile,
// message boxes) and form_window.cpp (the windows and controls built from a form design).
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ui/platform_port.h"

namespace nuvo::win32 {

class FormWindow;
class DibMemory;

class Win32Port final : public PlatformPort {
public:
    explicit Win32Port(HINSTANCE instance);
    ~Win32Port() override;
    Win32Port(const Win32Port&) = delete;
    Win32Port& operator=(const Win32Port&) = delete;

    std::string ModuleFileName() override;
    bool WindowOfClassExists(std::string_view className) override;

    int ScreenWidth() override;
    int ScreenHeight() override;
    void CaptureScreen(TBitmap& dest) override;
    int ShowCursor(bool show) override;
    std::uint32_t TickCount() override;
    bool WaitForTickOrEvent(std::uint32_t from, std::uint32_t milliseconds) override;

    std::unique_ptr<BitmapMemory> CreateBitmapMemory(int width, int height) override;

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

    // A form window going away is no longer one of this port's.
    void ForgetForm(FormWindow* form) { std::erase(forms_, form); }

    // The DIB section behind these pixels, if this port made them (CreateBitmapMemory).
    DibMemory* DibOf(const std::uint32_t* pixels) const;
    void ForgetDib(const std::uint32_t* pixels) { dibs_.erase(pixels); }

    // An exception thrown by the form library inside a window procedure cannot unwind
    // through the system's frames; it is kept here and thrown again once the message
    // has been dispatched.
    void KeepError(std::exception_ptr error) { pendingError_ = std::move(error); }

    // The dialog font: 13 pixels (as designed) in a face that has Japanese glyphs.
    HFONT FontFor(const TFormDesign& design);

private:
    // The form whose window is, or contains, hwnd; nullptr if none of ours.
    FormWindow* FormContaining(HWND hwnd);
    bool RouteKey(const MSG& msg);
    void RethrowPendingError();

    HINSTANCE instance_;
    std::vector<FormWindow*> forms_;  // the windows the forms hold
    std::unordered_map<const std::uint32_t*, DibMemory*> dibs_;
    std::exception_ptr pendingError_;
    HFONT font_ = nullptr;
    bool timerResolutionRaised_ = false;
    HANDLE frameTimer_ = nullptr;  // the frame wait's deadline
};

// Shift, Ctrl and Alt as they were when the message being handled was posted.
TShiftState CurrentShiftState();

}  // namespace nuvo::win32
