// A top-level window and its standard controls, built from a form design, and the
// window procedure that turns their messages into the form library's events.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "ui/form_design.h"
#include "ui/platform_port.h"

namespace nuvo::win32 {

class Win32Port;

class FormWindow {
public:
    FormWindow(Win32Port& port, HINSTANCE instance, const TFormDesign& design,
               WindowEvents& events);
    ~FormWindow();
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;

    HWND Hwnd() const { return hwnd_; }
    WindowEvents& Events() { return events_; }

    void SetBounds(TRect bounds);
    void Show();
    void Present(TRect clientRect, const TBitmap& bitmap);

    int Value(int component) const;
    void SetValue(int component, int value);
    int FocusedComponent() const;
    void Focus(int component);
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
    bool CursorMoved();
    void UpdateDefaultButton();

    Win32Port& port_;
    const TFormDesign& design_;
    WindowEvents& events_;
    HWND hwnd_ = nullptr;
    HBRUSH background_ = nullptr;
    std::vector<Control> controls_;
    // What PresentBitmap last showed, so that a repaint shows it again.
    const std::uint32_t* presentedPixels_ = nullptr;
    TRect presentedRect_;
    POINT lastCursor_{};  // screen position of the last mouse move reported
};

}  // namespace nuvo::win32
