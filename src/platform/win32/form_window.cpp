#include "form_window.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

#include "dib_memory.h"
#include "glyphs.h"
#include "text.h"
#include "win32_port.h"

namespace nuvo::win32 {
namespace {

COLORREF ToColorRef(TColor color) {
    return RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

// No WS_CLIPCHILDREN: a group box paints only its frame, so the window's own background
// has to show through it.
DWORD WindowStyle(const TFormDesign& design) {
    if (design.borderStyle == TBorderStyle::bsNone) return WS_POPUP;
    DWORD style = WS_CAPTION | WS_SYSMENU;
    if (!design.systemMenuOnly) style |= WS_MINIMIZEBOX;
    return style;
}

DWORD WindowExStyle(const TFormDesign& design) {
    return design.stayOnTop ? WS_EX_TOPMOST : 0;
}

// Outer window rectangle for the bounds: the bounds themselves for a borderless window,
// the client area otherwise.
RECT OuterRect(const TFormDesign& design, TRect bounds) {
    RECT rect{bounds.left, bounds.top, bounds.Right(), bounds.Bottom()};
    if (design.borderStyle != TBorderStyle::bsNone) {
        // The client area keeps its place; the frame grows around it.
        AdjustWindowRectEx(&rect, WindowStyle(design), FALSE, WindowExStyle(design));
    }
    return rect;
}

void RegisterFormClass(HINSTANCE instance, const std::wstring& className, WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    if (GetClassInfoExW(instance, className.c_str(), &windowClass)) return;
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = className.c_str();
    RegisterClassExW(&windowClass);
}

// Items of a one-column radio group share its height below the caption line.
TRect RadioItemBounds(TRect group, int item, int itemCount, int fontHeight) {
    const int available = group.height - fontHeight - 5;
    const int itemHeight = available / std::max(itemCount, 1);
    const int topMargin = fontHeight + 1 + (available % std::max(itemCount, 1)) / 2;
    return {group.left + 8, group.top + topMargin + item * itemHeight, group.width - 10,
            itemHeight};
}

// Height of a line of text in the font (the system font for none).
int TextHeight(HFONT font) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = font ? SelectObject(screen, font) : nullptr;
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    if (previous) SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return static_cast<int>(metrics.tmHeight);
}

TMouseButton ButtonOf(UINT message) {
    switch (message) {
        case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: return TMouseButton::mbLeft;
        case WM_RBUTTONDOWN: case WM_RBUTTONDBLCLK: return TMouseButton::mbRight;
        case WM_MBUTTONDOWN: case WM_MBUTTONDBLCLK: return TMouseButton::mbMiddle;
        default: return TMouseButton::mbOther;
    }
}

TShiftState MouseShiftState(WPARAM wParam) {
    return {.shift = (wParam & MK_SHIFT) != 0,
            .ctrl = (wParam & MK_CONTROL) != 0,
            .alt = GetKeyState(VK_MENU) < 0};
}

}  // namespace

FormWindow::FormWindow(Win32Port& port, HINSTANCE instance, const TFormDesign& design,
                       WindowEvents& events)
    : port_(port), design_(design), events_(events),
      background_(CreateSolidBrush(ToColorRef(design.color))),
      controls_(design.components.size()) {
    const std::wstring className = Widen(design.className);
    RegisterFormClass(instance, className, &FormWindow::WindowProc);

    TRect bounds = design.bounds;
    if (design.screenCenter) {
        const RECT outer = OuterRect(design, {0, 0, bounds.width, bounds.height});
        const int outerWidth = outer.right - outer.left;
        const int outerHeight = outer.bottom - outer.top;
        bounds.left = (GetSystemMetrics(SM_CXSCREEN) - outerWidth) / 2 - outer.left;
        bounds.top = (GetSystemMetrics(SM_CYSCREEN) - outerHeight) / 2 - outer.top;
    }
    const RECT outer = OuterRect(design, bounds);
    CreateWindowExW(WindowExStyle(design), className.c_str(), Widen(design.caption).c_str(),
                    WindowStyle(design), outer.left, outer.top, outer.right - outer.left,
                    outer.bottom - outer.top, nullptr, nullptr, instance, this);
    if (hwnd_) CreateControls(instance);
}

FormWindow::~FormWindow() {
    port_.ForgetForm(this);
    if (hwnd_) {
        // No more events once the form library lets the window go.
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    for (Control& control : controls_) {
        if (control.glyph) DestroyIcon(control.glyph);
    }
    DeleteObject(background_);
}

// --- building ---------------------------------------------------------------------------

// In the order of the design: a control made later lies below those made before it.
void FormWindow::CreateControls(HINSTANCE instance) {
    for (std::size_t index = 0; index < controls_.size(); ++index) {
        CreateControl(instance, static_cast<int>(index));
    }
}

HWND FormWindow::CreateChild(HINSTANCE instance, const wchar_t* windowClass,
                             std::string_view text, DWORD style, TRect bounds, int id) {
    HWND child = CreateWindowExW(0, windowClass, Widen(text).c_str(),
                                 style | WS_CHILD | WS_CLIPSIBLINGS, bounds.left, bounds.top,
                                 bounds.width, bounds.height, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                 nullptr);
    if (HFONT font = port_.FontFor(design_)) {
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return child;
}

void FormWindow::CreateControl(HINSTANCE instance, int index) {
    const TComponentDesign& design = design_.components[static_cast<std::size_t>(index)];
    Control& control = controls_[static_cast<std::size_t>(index)];
    DWORD common = 0;
    if (design.visible) common |= WS_VISIBLE;
    if (!design.enabled) common |= WS_DISABLED;
    const DWORD tabStop = design.tabOrder >= 0 ? WS_TABSTOP : 0;
    const int id = 100 + index;

    switch (design.kind) {
        case TComponentKind::Image:
            break;  // drawn by Present into the form's client area
        case TComponentKind::Label:
            control.hwnd = CreateChild(instance, L"STATIC", design.text,
                                       common | SS_LEFT | SS_NOPREFIX, design.bounds, id);
            break;
        case TComponentKind::RadioGroup: {
            // The items come first: a later sibling lies below, so the frame does not
            // hide them.
            const int count = static_cast<int>(design.items.size());
            const int fontHeight = TextHeight(port_.FontFor(design_));
            for (int item = 0; item < count; ++item) {
                const DWORD first = item == 0 ? WS_GROUP | tabStop : 0;
                control.items.push_back(CreateChild(
                    instance, L"BUTTON", design.items[static_cast<std::size_t>(item)],
                    common | BS_AUTORADIOBUTTON | first,
                    RadioItemBounds(design.bounds, item, count, fontHeight), id * 10 + item));
            }
            control.hwnd = CreateChild(instance, L"BUTTON", design.text,
                                       common | BS_GROUPBOX, design.bounds, id);
            SetControlValue(index, design.itemIndex);
            break;
        }
        case TComponentKind::ScrollBar:
            control.hwnd = CreateChild(instance, L"SCROLLBAR", "",
                                       common | SBS_HORZ | WS_GROUP | tabStop, design.bounds, id);
            SetScrollRange(control.hwnd, SB_CTL, design.min, design.max, FALSE);
            SetControlValue(index, design.position);
            break;
        case TComponentKind::CheckBox:
            control.hwnd = CreateChild(instance, L"BUTTON", design.text,
                                       common | BS_AUTOCHECKBOX | WS_GROUP | tabStop,
                                       design.bounds, id);
            SetControlValue(index, design.checked ? 1 : 0);
            break;
        case TComponentKind::BitBtn: {
            const int buttonId = design.buttonKind == TBitBtnKind::bkOK       ? IDOK
                                 : design.buttonKind == TBitBtnKind::bkCancel ? IDCANCEL
                                                                              : id;
            const DWORD type = design.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            control.hwnd = CreateChild(instance, L"BUTTON", design.text,
                                       common | type | BS_NOTIFY | WS_GROUP | tabStop,
                                       design.bounds, buttonId);
            control.glyph = CreateButtonGlyph(design.buttonKind);
            if (control.glyph) {
                SendMessageW(control.hwnd, BM_SETIMAGE, IMAGE_ICON,
                             reinterpret_cast<LPARAM>(control.glyph));
            }
            break;
        }
    }
}

// --- what the port asks of a window -----------------------------------------------------

void FormWindow::SetBounds(TRect bounds) {
    const RECT outer = OuterRect(design_, bounds);
    SetWindowPos(hwnd_, nullptr, outer.left, outer.top, outer.right - outer.left,
                 outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormWindow::Show() {
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    UpdateWindow(hwnd_);
}

void FormWindow::Present(TRect clientRect, const TBitmap& bitmap) {
    presentedPixels_ = bitmap.Pixels();
    presentedRect_ = {clientRect.left, clientRect.top, std::min(clientRect.width, bitmap.Width()),
                      std::min(clientRect.height, bitmap.Height())};
    HDC dc = GetDC(hwnd_);
    if (DibMemory* dib = port_.DibOf(bitmap.Pixels())) {
        BitBlt(dc, presentedRect_.left, presentedRect_.top, presentedRect_.width,
               presentedRect_.height, dib->Dc(), 0, 0, SRCCOPY);
        // GDI may batch the copy; it must have read the pixels before the next frame
        // writes them.
        GdiFlush();
    } else {
        const BITMAPINFO info = TopDownBitmapInfo(bitmap.Width(), bitmap.Height());
        SetDIBitsToDevice(dc, presentedRect_.left, presentedRect_.top,
                          static_cast<DWORD>(presentedRect_.width),
                          static_cast<DWORD>(presentedRect_.height), 0, 0, 0,
                          static_cast<UINT>(bitmap.Height()), bitmap.Pixels(), &info,
                          DIB_RGB_COLORS);
        presentedPixels_ = nullptr;  // heap pixels may go away unnoticed
    }
    ReleaseDC(hwnd_, dc);
    const RECT shown{presentedRect_.left, presentedRect_.top, presentedRect_.Right(),
                     presentedRect_.Bottom()};
    ValidateRect(hwnd_, &shown);
}

int FormWindow::ControlValue(int component) {
    const TComponentDesign& design = design_.components[static_cast<std::size_t>(component)];
    const Control& control = controls_[static_cast<std::size_t>(component)];
    switch (design.kind) {
        case TComponentKind::RadioGroup:
            for (std::size_t item = 0; item < control.items.size(); ++item) {
                if (SendMessageW(control.items[item], BM_GETCHECK, 0, 0) == BST_CHECKED) {
                    return static_cast<int>(item);
                }
            }
            return -1;
        case TComponentKind::ScrollBar:
            return GetScrollPos(control.hwnd, SB_CTL);
        case TComponentKind::CheckBox:
            return SendMessageW(control.hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        default:
            return 0;
    }
}

void FormWindow::SetControlValue(int component, int value) {
    const TComponentDesign& design = design_.components[static_cast<std::size_t>(component)];
    const Control& control = controls_[static_cast<std::size_t>(component)];
    switch (design.kind) {
        case TComponentKind::RadioGroup:
            for (std::size_t item = 0; item < control.items.size(); ++item) {
                const bool checked = static_cast<int>(item) == value;
                SendMessageW(control.items[item], BM_SETCHECK,
                             checked ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            break;
        case TComponentKind::ScrollBar:
            SetScrollPos(control.hwnd, SB_CTL, value, TRUE);  // the control keeps to its range
            break;
        case TComponentKind::CheckBox:
            SendMessageW(control.hwnd, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        default:
            break;
    }
}

int FormWindow::ComponentOf(HWND hwnd) const {
    if (!hwnd) return -1;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const Control& control = controls_[i];
        if (control.hwnd == hwnd ||
            std::find(control.items.begin(), control.items.end(), hwnd) != control.items.end()) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int FormWindow::FocusedComponent() { return ComponentOf(GetFocus()); }

std::optional<TPoint> FormWindow::CursorPosition() {
    POINT cursor;
    if (!GetCursorPos(&cursor) || !ScreenToClient(hwnd_, &cursor)) return std::nullopt;
    return TPoint{cursor.x, cursor.y};
}

void FormWindow::FocusComponent(int component) {
    const Control& control = controls_.at(static_cast<std::size_t>(component));
    HWND target = control.hwnd;
    if (!control.items.empty()) {
        // A radio group takes the focus on its selected item, or its first.
        const int selected = ControlValue(component);
        target = control.items[static_cast<std::size_t>(std::max(selected, 0))];
    }
    if (target) SetFocus(target);
}

bool FormWindow::Contains(HWND hwnd) const {
    return hwnd && (hwnd == hwnd_ || IsChild(hwnd_, hwnd));
}

bool FormWindow::MoveRadioSelection(HWND focus, TKeyCode key, TShiftState shift) {
    if (shift.ctrl || shift.alt) return false;
    int step = 0;
    if (key == keys::vkDown || key == keys::vkRight) step = 1;
    if (key == keys::vkUp || key == keys::vkLeft) step = -1;
    if (step == 0) return false;
    for (const Control& control : controls_) {
        const auto found = std::find(control.items.begin(), control.items.end(), focus);
        if (found == control.items.end()) continue;
        // The selection stops at the first and the last item.
        const auto last = static_cast<std::ptrdiff_t>(control.items.size()) - 1;
        const std::ptrdiff_t next = std::clamp<std::ptrdiff_t>((found - control.items.begin()) + step, 0, last);
        HWND item = control.items[static_cast<std::size_t>(next)];
        SetFocus(item);
        SendMessageW(item, BM_CLICK, 0, 0);  // an auto radio button checks itself
        return true;
    }
    return false;
}

// --- messages ---------------------------------------------------------------------------

LRESULT CALLBACK FormWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return self->Handle(message, wParam, lParam);
    } catch (...) {
        // C++ exceptions must not cross the system's frames around the window procedure.
        self->port_.KeepError(std::current_exception());
        return 0;
    }
}

LRESULT FormWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOUSEMOVE:
            events_.MouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), MouseShiftState(wParam));
            return 0;
        case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: case WM_XBUTTONDOWN:
        case WM_LBUTTONDBLCLK: case WM_RBUTTONDBLCLK: case WM_MBUTTONDBLCLK: case WM_XBUTTONDBLCLK:
            events_.MouseDown(ButtonOf(message), GET_X_LPARAM(lParam),
                              GET_Y_LPARAM(lParam), MouseShiftState(wParam));
            return message == WM_XBUTTONDOWN || message == WM_XBUTTONDBLCLK ? TRUE : 0;
        case WM_COMMAND:
            if (lParam) OnCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            return 0;
        case WM_HSCROLL:
            if (lParam) OnHorizontalScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
            return 0;
        case WM_CLOSE:
            events_.CloseRequested();  // the form library decides; it destroys the window
            return 0;
        case WM_ERASEBKGND: {
            RECT client;
            GetClientRect(hwnd_, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, background_);
            return 1;
        }
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            SetBkColor(reinterpret_cast<HDC>(wParam), ToColorRef(design_.color));
            return reinterpret_cast<LRESULT>(background_);
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void FormWindow::OnCommand(HWND control, int notification) {
    const int component = ComponentOf(control);
    if (component < 0) return;
    if (design_.components[static_cast<std::size_t>(component)].kind != TComponentKind::BitBtn) {
        return;  // radio buttons and the check box keep their own state
    }
    switch (notification) {
        case BN_CLICKED: events_.ControlClicked(component); break;
        case BN_SETFOCUS:
        case BN_KILLFOCUS: UpdateDefaultButton(); break;
        default: break;
    }
}

void FormWindow::UpdateDefaultButton() {
    // The default frame shows which button Enter presses: the focused one, else the
    // designed default.
    const int focused = FocusedComponent();
    const bool buttonFocused =
        focused >= 0 &&
        design_.components[static_cast<std::size_t>(focused)].kind == TComponentKind::BitBtn;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const TComponentDesign& design = design_.components[i];
        if (design.kind != TComponentKind::BitBtn) continue;
        const bool isDefault = buttonFocused ? static_cast<int>(i) == focused : design.isDefault;
        SendMessageW(controls_[i].hwnd, BM_SETSTYLE,
                     (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_NOTIFY, TRUE);
    }
}

void FormWindow::OnHorizontalScroll(HWND control, int request) {
    const int component = ComponentOf(control);
    if (component < 0) return;
    const TComponentDesign& design = design_.components[static_cast<std::size_t>(component)];
    if (design.kind != TComponentKind::ScrollBar) return;
    int position = GetScrollPos(control, SB_CTL);
    switch (request) {
        case SB_LINELEFT: position -= design.smallChange; break;
        case SB_LINERIGHT: position += design.smallChange; break;
        case SB_PAGELEFT: position -= design.largeChange; break;
        case SB_PAGERIGHT: position += design.largeChange; break;
        case SB_LEFT: position = design.min; break;
        case SB_RIGHT: position = design.max; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
            SCROLLINFO info{};
            info.cbSize = sizeof info;
            info.fMask = SIF_TRACKPOS;
            GetScrollInfo(control, SB_CTL, &info);
            position = info.nTrackPos;
            break;
        }
        default: return;
    }
    SetControlValue(component, position);
}

void FormWindow::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd_, &paint);
    if (DibMemory* dib = presentedPixels_ ? port_.DibOf(presentedPixels_) : nullptr) {
        BitBlt(dc, presentedRect_.left, presentedRect_.top, presentedRect_.width,
               presentedRect_.height, dib->Dc(), 0, 0, SRCCOPY);
    }
    EndPaint(hwnd_, &paint);
}

}  // namespace nuvo::win32
