#include "win32_port.h"

#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "dib_memory.h"
#include "form_window.h"
#include "text.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace nuvo::win32 {
namespace {

// The profile functions take zero-terminated texts.
std::string ZeroTerminated(std::string_view text) { return std::string(text); }

int CALLBACK NoteFontFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;  // one is enough
}

}  // namespace

BITMAPINFO TopDownBitmapInfo(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows top-down, as TBitmap keeps them
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

DibMemory::DibMemory(Win32Port& port, int width, int height) : port_(port) {
    const BITMAPINFO info = TopDownBitmapInfo(std::max(width, 1), std::max(height, 1));
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap_) return;
    pixels_ = static_cast<std::uint32_t*>(bits);  // a new DIB section is all zero: black
    dc_ = CreateCompatibleDC(nullptr);
    previous_ = SelectObject(dc_, bitmap_);
}

DibMemory::~DibMemory() {
    if (!bitmap_) return;
    port_.ForgetDib(pixels_);
    SelectObject(dc_, previous_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
}

TShiftState CurrentShiftState() {
    return {.shift = GetKeyState(VK_SHIFT) < 0,
            .ctrl = GetKeyState(VK_CONTROL) < 0,
            .alt = GetKeyState(VK_MENU) < 0};
}

Win32Port::Win32Port(HINSTANCE instance) : instance_(instance) {}

Win32Port::~Win32Port() {
    if (font_) DeleteObject(font_);
    if (timerResolutionRaised_) timeEndPeriod(1);
    if (frameTimer_) CloseHandle(frameTimer_);
}

// --- process ---------------------------------------------------------------------------

std::string Win32Port::ModuleFileName() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return Narrow(path);
        }
        path.resize(path.size() * 2);
    }
}

bool Win32Port::WindowOfClassExists(std::string_view className) {
    return FindWindowW(Widen(className).c_str(), nullptr) != nullptr;
}

// --- screen, cursor, clock --------------------------------------------------------------

int Win32Port::ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int Win32Port::ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

void Win32Port::CaptureScreen(TBitmap& dest) {
    // Only the part that lies on the screen is copied; the rest keeps its pixels.
    const int width = std::min(dest.Width(), ScreenWidth());
    const int height = std::min(dest.Height(), ScreenHeight());
    if (width <= 0 || height <= 0) return;
    HDC screen = GetDC(nullptr);
    if (DibMemory* dib = DibOf(dest.Pixels())) {
        BitBlt(dib->Dc(), 0, 0, width, height, screen, 0, 0, SRCCOPY);
    } else {
        DibMemory staging(*this, width, height);
        if (staging.Valid()) {
            BitBlt(staging.Dc(), 0, 0, width, height, screen, 0, 0, SRCCOPY);
            GdiFlush();
            for (int y = 0; y < height; ++y) {
                std::memcpy(dest.Row(y), staging.Pixels() + static_cast<std::ptrdiff_t>(y) * width,
                            static_cast<std::size_t>(width) * sizeof(std::uint32_t));
            }
        }
    }
    ReleaseDC(nullptr, screen);
    GdiFlush();  // the pixels are read by our own code next
}

int Win32Port::ShowCursor(bool show) { return ::ShowCursor(show ? TRUE : FALSE); }

std::uint32_t Win32Port::TickCount() { return GetTickCount(); }

// One wait for the deadline or the first message, whichever comes first. The frames are
// paced by GetTickCount, which moves on with the clock interrupt: a 1 ms interrupt keeps
// the tick, and a timer without high resolution, to the millisecond.
bool Win32Port::WaitForTickOrEvent(std::uint32_t from, std::uint32_t milliseconds) {
    if (!timerResolutionRaised_) timerResolutionRaised_ = timeBeginPeriod(1) == TIMERR_NOERROR;
    if (!frameTimer_) {
        frameTimer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
        if (!frameTimer_) frameTimer_ = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    }
    const DWORD elapsed = GetTickCount() - from;
    if (elapsed >= milliseconds) return false;
    const DWORD left = milliseconds - elapsed;
    // Messages already in the queue count too: MWMO_INPUTAVAILABLE.
    LARGE_INTEGER due;
    due.QuadPart = -static_cast<LONGLONG>(left) * 10'000;  // relative, in 100 ns
    if (frameTimer_ && SetWaitableTimer(frameTimer_, &due, 0, nullptr, nullptr, FALSE)) {
        const DWORD woken = MsgWaitForMultipleObjectsEx(1, &frameTimer_, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0 + 1) CancelWaitableTimer(frameTimer_);
        return woken == WAIT_OBJECT_0 + 1;
    }
    return MsgWaitForMultipleObjectsEx(0, nullptr, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0;
}

// --- bitmaps ----------------------------------------------------------------------------

std::unique_ptr<BitmapMemory> Win32Port::CreateBitmapMemory(int width, int height) {
    auto dib = std::make_unique<DibMemory>(*this, width, height);
    if (!dib->Valid()) return AllocateHeapBitmapMemory(width, height);
    dibs_[dib->Pixels()] = dib.get();
    return dib;
}

DibMemory* Win32Port::DibOf(const std::uint32_t* pixels) const {
    const auto found = dibs_.find(pixels);
    return found == dibs_.end() ? nullptr : found->second;
}

// --- windows ----------------------------------------------------------------------------

std::unique_ptr<PlatformWindow> Win32Port::CreateFormWindow(const TFormDesign& design, WindowEvents& events) {
    auto form = std::make_unique<FormWindow>(*this, instance_, design, events);
    forms_.push_back(form.get());
    return form;
}

FormWindow* Win32Port::FormContaining(HWND hwnd) {
    for (FormWindow* form : forms_) {
        if (form->Contains(hwnd)) return form;
    }
    return nullptr;
}

HFONT Win32Port::FontFor(const TFormDesign& design) {
    if (design.fontHeight <= 0) return nullptr;
    if (font_) return font_;
    // The system font has no Japanese glyphs on most systems; these UI faces do. The
    // Shift-JIS character set lets the font mapper find one where none of them exists.
    static constexpr std::array kFaces{L"Yu Gothic UI", L"Meiryo UI", L"MS UI Gothic",
                                       L"Noto Sans CJK JP", L"Noto Sans JP"};
    HDC screen = GetDC(nullptr);
    const wchar_t* face = L"";
    for (const wchar_t* candidate : kFaces) {
        LOGFONTW query{};
        query.lfCharSet = DEFAULT_CHARSET;
        wcsncpy(query.lfFaceName, candidate, LF_FACESIZE - 1);
        bool found = false;
        EnumFontFamiliesExW(screen, &query, &NoteFontFound, reinterpret_cast<LPARAM>(&found), 0);
        if (found) {
            face = candidate;
            break;
        }
    }
    ReleaseDC(nullptr, screen);
    font_ = CreateFontW(-design.fontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                        SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                        DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
    return font_;
}

// --- events -----------------------------------------------------------------------------

bool Win32Port::RouteKey(const MSG& msg) {
    const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
    const bool up = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
    if (!down && !up) return false;
    FormWindow* form = FormContaining(msg.hwnd);
    if (!form) return false;
    const auto key = static_cast<TKeyCode>(msg.wParam);
    const TShiftState shift = CurrentShiftState();
    if (up) {
        form->Events().KeyUp(key, shift);
        return false;  // the control sees its key go up as well
    }
    // The form library sees every key first (its dialog keys, the saver's key handler);
    // what it leaves goes on to the focused control.
    if (form->Events().KeyDown(key, shift)) return true;
    return form->MoveRadioSelection(msg.hwnd, key, shift);
}

void Win32Port::RethrowPendingError() {
    if (pendingError_) std::rethrow_exception(std::exchange(pendingError_, nullptr));
}

void Win32Port::DispatchPendingEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // The form library ends its loop itself when the main window closes.
        if (msg.message == WM_QUIT) continue;
        if (!RouteKey(msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        RethrowPendingError();
    }
}

void Win32Port::WaitForEvent() {
    WaitMessage();
    DispatchPendingEvents();
}

// --- profile functions ------------------------------------------------------------------

std::string Win32Port::GetProfileString(std::string_view section, std::string_view key,
                                        std::string_view fileName) {
    std::array<char, 1024> buffer{};
    const DWORD length = GetPrivateProfileStringA(
        ZeroTerminated(section).c_str(), ZeroTerminated(key).c_str(), "", buffer.data(),
        static_cast<DWORD>(buffer.size()), ZeroTerminated(fileName).c_str());
    return std::string(buffer.data(), length);
}

bool Win32Port::WriteProfileString(std::string_view section, std::string_view key,
                                   std::string_view value, std::string_view fileName) {
    return WritePrivateProfileStringA(ZeroTerminated(section).c_str(), ZeroTerminated(key).c_str(),
                                      ZeroTerminated(value).c_str(),
                                      ZeroTerminated(fileName).c_str()) != 0;
}

// --- message boxes ----------------------------------------------------------------------

void Win32Port::ShowMessageBox(PlatformWindow* owner, std::string_view text, std::string_view title,
                               TMessageBoxIcon icon) {
    HWND ownerHwnd = owner != nullptr ? static_cast<FormWindow*>(owner)->Hwnd() : nullptr;
    UINT type = MB_OK;
    switch (icon) {
        case TMessageBoxIcon::Error: type |= MB_ICONERROR; break;
    }
    // An owner is disabled while its box shows; without one, all of this thread's windows are.
    if (!ownerHwnd) type |= MB_TASKMODAL;
    MessageBoxW(ownerHwnd, Widen(text).c_str(), Widen(title).c_str(), type);
}

}  // namespace nuvo::win32
