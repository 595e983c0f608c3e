// A top-level window and its standard controls, built from a form design, and the
// window procedure that turns their messages into the form library's events.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "ui/form_design.h"
#include "ui/platform_port.h"

namespace nuvo::win32 {

class Win32Port;

class FormWindow final : public PlatformWindow {
public:
    FormWindow(Win32Port& port, HINSTANCE instance, const TFormDesign& design,
               WindowEvents& events);
    ~FormWindow() override;
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND Hwnd() const { return hwnd_; }
    WindowEvents& Events() { return events_; }

    void SetBounds(TRect bounds) override;
    void Show() override;
    void Present(TRect clientRect, const TBitmap& bitmap) override;
    int ControlValue(int component) override;
    void SetControlValue(int component, int value) override;
    int FocusedComponent() override;
    void FocusComponent(int component) override;
    std::optional<TPoint> CursorPosition() override;

    // True when hwnd is this window or one of its controls.
    bool Contains(HWND hwnd) const;
    // Arrow keys move the selection within a radio group, as dialog navigation would.
    bool MoveRadioSelection(HWND focus, TKeyCode key, TShiftState shift);

private:
    struct Control {
        HWND hwnd = nullptr;           // nullptr for images: they are drawn, not windows
        std::vector<HWND> items;       // radio group: one auto radio button per item
        HICON glyph = nullptr;         // buttons with a glyph
    };

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls(HINSTANCE instance);
    void CreateControl(HINSTANCE instance, int index);
    HWND CreateChild(HINSTANCE instance, const wchar_t* windowClass, std::string_view text,
                     DWORD style, TRect bounds, int id);
    int ComponentOf(HWND hwnd) const;
    void OnCommand(HWND control, int notification);
    void OnHorizontalScroll(HWND control, int request);
    void OnPaint();
    void UpdateDefaultButton();

    Win32Port& port_;
    const TFormDesign& design_;
    WindowEvents& events_;
    HWND hwnd_ = nullptr;
    HBRUSH background_ = nullptr;
    std::vector<Control> controls_;
    // What Present last showed, so that a repaint shows it again.
    const std::uint32_t* presentedPixels_ = nullptr;
    TRect presentedRect_;
};

}  // namespace nuvo::win32
