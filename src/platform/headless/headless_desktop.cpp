#include "platform/headless/headless_desktop.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace nuvo::headless {

ScreenPicture PatternPicture(int width, int height) {
    ScreenPicture picture{width, height, {}};
    picture.pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    // Column + 1 in the upper twelve bits, row in the lower twelve: unique and never black
    // on screens up to 4095 pixels wide and high.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back((static_cast<std::uint32_t>(x + 1) & 0xFFF) << 12 |
                                     (static_cast<std::uint32_t>(y) & 0xFFF));
        }
    }
    return picture;
}

// --- HeadlessDesktop ---------------------------------------------------------------------

HeadlessDesktop::HeadlessDesktop(int width, int height)
    : wallpaper_{width, height,
                 std::vector<std::uint32_t>(static_cast<std::size_t>(width) *
                                            static_cast<std::size_t>(height))} {}

void HeadlessDesktop::SetWallpaper(ScreenPicture picture) {
    if (picture.width != Width() || picture.height != Height())
        throw std::invalid_argument("wallpaper size differs from the screen");
    wallpaper_ = std::move(picture);
}

ScreenPicture HeadlessDesktop::Screen() const {
    ScreenPicture screen = wallpaper_;
    for (WindowHandle handle : shownOrder_) {
        const auto found = std::ranges::find(windows_, handle, &Window::handle);
        if (found == windows_.end() || !(*found)->visible) continue;
        const Window& window = **found;
        const int left = std::max(window.bounds.left, 0);
        const int top = std::max(window.bounds.top, 0);
        const int right = std::min(window.bounds.Right(), screen.width);
        const int bottom = std::min(window.bounds.Bottom(), screen.height);
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                screen.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(screen.width) +
                              static_cast<std::size_t>(x)] =
                    window.surface.At(x - window.bounds.left, y - window.bounds.top);
            }
        }
    }
    return screen;
}

bool HeadlessDesktop::WindowOfClassExists(std::string_view className) const {
    return std::ranges::any_of(windows_, [&](const auto& w) { return w->className == className; });
}

WindowHandle HeadlessDesktop::CreateWindow(const HeadlessPlatform* owner, const TFormDesign* design,
                                           std::string className, WindowEvents* events) {
    auto window = std::make_unique<Window>();
    window->handle = nextHandle_++;
    window->owner = owner;
    window->design = design;
    window->className = std::move(className);
    window->events = events;
    const WindowHandle handle = window->handle;
    windows_.push_back(std::move(window));
    return handle;
}

WindowHandle HeadlessDesktop::AddForeignWindow(std::string className) {
    return CreateWindow(nullptr, nullptr, std::move(className), nullptr);
}

void HeadlessDesktop::RemoveWindow(WindowHandle handle) {
    std::erase_if(windows_, [&](const auto& w) { return w->handle == handle; });
    std::erase(shownOrder_, handle);
}

HeadlessDesktop::Window* HeadlessDesktop::FindWindow(WindowHandle handle) {
    const auto found = std::ranges::find(windows_, handle, &Window::handle);
    return found == windows_.end() ? nullptr : found->get();
}

void HeadlessDesktop::ShowWindow(WindowHandle handle) {
    Window* window = FindWindow(handle);
    if (window == nullptr) return;
    window->visible = true;
    std::erase(shownOrder_, handle);
    shownOrder_.push_back(handle);
}

// --- HeadlessPlatform --------------------------------------------------------------------

HeadlessPlatform::HeadlessPlatform(HeadlessDesktop& desktop, std::filesystem::path profileDirectory,
                                   std::string moduleFileName)
    : desktop_(desktop),
      profileDirectory_(std::move(profileDirectory)),
      moduleFileName_(std::move(moduleFileName)),
      profiles_(profileDirectory_, fileFaults_) {}

// A program's windows go when its process ends.
HeadlessPlatform::~HeadlessPlatform() {
    for (WindowHandle handle : ownWindows_) desktop_.RemoveWindow(handle);
}

WindowHandle HeadlessPlatform::MainWindow() const {
    return ownWindows_.empty() ? 0 : ownWindows_.front();
}

HeadlessDesktop::Window* HeadlessPlatform::MainWindowState() { return desktop_.FindWindow(MainWindow()); }

bool HeadlessPlatform::WindowOfClassExists(std::string_view className) {
    return desktop_.WindowOfClassExists(className);
}

void HeadlessPlatform::CaptureScreen(TBitmap& dest) {
    const ScreenPicture screen = desktop_.Screen();
    const int width = std::min(dest.Width(), screen.width);
    const int height = std::min(dest.Height(), screen.height);
    for (int y = 0; y < height; ++y) {
        std::copy_n(screen.pixels.begin() + static_cast<std::ptrdiff_t>(y) * screen.width, width,
                    dest.Row(y));
    }
}

int HeadlessPlatform::ShowCursor(bool show) { return cursorCount_ += show ? 1 : -1; }

// A form's window on this desktop: the desktop keeps its state, the form holds this.
class HeadlessPlatform::FormWindow final : public PlatformWindow {
public:
    FormWindow(HeadlessPlatform& platform, HeadlessDesktop::Window& state) : platform_(platform), state_(state) {}
    ~FormWindow() override {
        std::erase(platform_.ownWindows_, state_.handle);
        platform_.desktop_.RemoveWindow(state_.handle);
    }

    HeadlessDesktop::Window& State() { return state_; }

    void SetBounds(TRect bounds) override {
        state_.bounds = bounds;
        const int width = std::max(bounds.width, 0);
        const int height = std::max(bounds.height, 0);
        state_.surface = {width, height,
                          std::vector<std::uint32_t>(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                                                     state_.design->color)};
    }

    void Show() override {
        if (state_.design->screenCenter) {
            state_.bounds.left = (platform_.desktop_.Width() - state_.bounds.width) / 2;
            state_.bounds.top = (platform_.desktop_.Height() - state_.bounds.height) / 2;
        }
        platform_.desktop_.ShowWindow(state_.handle);
        if (platform_.onShowWindow) platform_.onShowWindow(state_.handle);
    }

    void Present(TRect clientRect, const TBitmap& bitmap) override {
        ScreenPicture& surface = state_.surface;
        const int width = std::min({clientRect.width, bitmap.Width(), surface.width - clientRect.left});
        const int height = std::min({clientRect.height, bitmap.Height(), surface.height - clientRect.top});
        for (int y = 0; y < height; ++y) {
            std::copy_n(bitmap.Row(y), std::max(width, 0),
                        surface.pixels.begin() + static_cast<std::ptrdiff_t>(clientRect.top + y) * surface.width +
                            clientRect.left);
        }
        if (platform_.onPresent) platform_.onPresent(bitmap, platform_.desktop_.TickCount());
    }

    int ControlValue(int component) override { return state_.controlValues.at(static_cast<std::size_t>(component)); }
    void SetControlValue(int component, int value) override {
        state_.controlValues.at(static_cast<std::size_t>(component)) = value;
    }
    int FocusedComponent() override { return state_.focused; }
    void FocusComponent(int component) override { state_.focused = component; }

    std::optional<TPoint> CursorPosition() override {
        const TPoint at = platform_.desktop_.CursorPos();
        return TPoint{at.x - state_.bounds.left, at.y - state_.bounds.top};
    }

private:
    HeadlessPlatform& platform_;
    HeadlessDesktop::Window& state_;
};

std::unique_ptr<PlatformWindow> HeadlessPlatform::CreateFormWindow(const TFormDesign& design, WindowEvents& events) {
    const WindowHandle handle = desktop_.CreateWindow(this, &design, std::string(design.className), &events);
    ownWindows_.push_back(handle);
    HeadlessDesktop::Window& state = *desktop_.FindWindow(handle);
    for (const TComponentDesign& component : design.components) {
        switch (component.kind) {
            case TComponentKind::RadioGroup: state.controlValues.push_back(component.itemIndex); break;
            case TComponentKind::ScrollBar: state.controlValues.push_back(component.position); break;
            case TComponentKind::CheckBox: state.controlValues.push_back(component.checked ? 1 : 0); break;
            default: state.controlValues.push_back(0); break;
        }
    }
    auto window = std::make_unique<FormWindow>(*this, state);
    window->SetBounds(design.bounds);
    return window;
}

// --- input ---------------------------------------------------------------------------------

void HeadlessPlatform::Post(InputEvent event) { input_.push_back(std::move(event)); }

void HeadlessPlatform::PostMouseMove(int x, int y, std::uint32_t dueTick) {
    Post({.kind = InputEvent::Kind::MouseMove, .dueTick = dueTick, .x = x, .y = y});
}
void HeadlessPlatform::PostMouseDown(TMouseButton button, std::uint32_t dueTick) {
    Post({.kind = InputEvent::Kind::MouseDown, .dueTick = dueTick, .button = button});
}
void HeadlessPlatform::PostKey(TKeyCode key, TShiftState shift, std::uint32_t dueTick) {
    PostKeyDown(key, shift, dueTick);
    PostKeyUp(key, shift, dueTick);
}
void HeadlessPlatform::PostKeyDown(TKeyCode key, TShiftState shift, std::uint32_t dueTick) {
    Post({.kind = InputEvent::Kind::KeyDown, .dueTick = dueTick, .key = key, .shift = shift});
}
void HeadlessPlatform::PostKeyUp(TKeyCode key, TShiftState shift, std::uint32_t dueTick) {
    Post({.kind = InputEvent::Kind::KeyUp, .dueTick = dueTick, .key = key, .shift = shift});
}
void HeadlessPlatform::PostClick(std::string component, std::uint32_t dueTick) {
    Post({.kind = InputEvent::Kind::Click, .dueTick = dueTick, .component = std::move(component)});
}
void HeadlessPlatform::PostSetValue(std::string component, int value, std::uint32_t dueTick) {
    Post({.kind = InputEvent::Kind::SetValue, .dueTick = dueTick, .component = std::move(component),
          .value = value});
}
void HeadlessPlatform::PostCloseBox(std::uint32_t dueTick) {
    Post({.kind = InputEvent::Kind::CloseBox, .dueTick = dueTick});
}

void HeadlessPlatform::NativeKey(HeadlessDesktop::Window& window, TKeyCode key) {
    if (window.focused < 0) return;
    const auto index = static_cast<std::size_t>(window.focused);
    const TComponentDesign& control = window.design->components[index];
    int& value = window.controlValues[index];
    const bool back = key == keys::vkLeft || key == keys::vkUp;
    const bool forward = key == keys::vkRight || key == keys::vkDown;
    switch (control.kind) {
        case TComponentKind::ScrollBar:
            if (back || forward)
                value = std::clamp(value + (forward ? control.smallChange : -control.smallChange),
                                   control.min, control.max);
            break;
        case TComponentKind::RadioGroup:
            if (back || forward)
                value = std::clamp(value + (forward ? 1 : -1), 0, static_cast<int>(control.items.size()) - 1);
            break;
        case TComponentKind::CheckBox:
            if (key == keys::vkSpace) value = value != 0 ? 0 : 1;
            break;
        case TComponentKind::BitBtn:
            if (key == keys::vkSpace) window.events->ControlClicked(window.focused);
            break;
        default: break;
    }
}

void HeadlessPlatform::Deliver(const InputEvent& event) {
    HeadlessDesktop::Window* window = MainWindowState();
    if (window == nullptr || !window->visible || !window->enabled) return;
    WindowEvents& events = *window->events;
    const auto componentIndex = [&] {
        const int index = ComponentIndex(*window->design, event.component);
        if (index < 0) throw std::invalid_argument("no component named " + event.component);
        return index;
    };
    switch (event.kind) {
        case InputEvent::Kind::MouseMove:
            desktop_.SetCursorPos({window->bounds.left + event.x, window->bounds.top + event.y});
            events.MouseMove(event.x, event.y, event.shift);
            break;
        case InputEvent::Kind::MouseDown: events.MouseDown(event.button, event.x, event.y, event.shift); break;
        case InputEvent::Kind::KeyDown:
            if (!events.KeyDown(event.key, event.shift)) NativeKey(*window, event.key);
            break;
        case InputEvent::Kind::KeyUp: events.KeyUp(event.key, event.shift); break;
        case InputEvent::Kind::Click: {
            const int index = componentIndex();
            window->focused = index;
            events.ControlClicked(index);
            break;
        }
        case InputEvent::Kind::SetValue: {
            const int index = componentIndex();
            window->focused = index;
            window->controlValues[static_cast<std::size_t>(index)] = event.value;
            break;
        }
        case InputEvent::Kind::CloseBox: events.CloseRequested(); break;
    }
}

void HeadlessPlatform::DispatchPendingEvents() {
    while (!input_.empty() && input_.front().dueTick <= desktop_.TickCount()) {
        const InputEvent event = std::move(input_.front());
        input_.pop_front();
        Deliver(event);
    }
}

// The clock jumps to the deadline, or to the next input when that is due first.
bool HeadlessPlatform::WaitForTickOrEvent(std::uint32_t from, std::uint32_t milliseconds) {
    const std::uint32_t now = desktop_.TickCount();
    if (now - from >= milliseconds) return false;
    const std::uint32_t left = milliseconds - (now - from);
    if (!input_.empty()) {
        const std::uint32_t due = input_.front().dueTick;
        if (due <= now) return true;
        if (due - now < left) {
            desktop_.SetTickCount(due);
            return true;
        }
    }
    desktop_.Advance(left);
    return false;
}

void HeadlessPlatform::WaitForEvent() {
    if (input_.empty() && onWaitForInput) onWaitForInput();
    if (input_.empty())
        throw std::runtime_error("headless desktop: the program waits for input that never comes");
    // Nothing happens until the next input is due: let the clock run to it.
    const std::uint32_t due = input_.front().dueTick;
    if (static_cast<std::int32_t>(due - desktop_.TickCount()) > 0) desktop_.SetTickCount(due);
    DispatchPendingEvents();
}

// --- profile and message boxes ----------------------------------------------------------------

std::string HeadlessPlatform::GetProfileString(std::string_view section, std::string_view key,
                                               std::string_view fileName) {
    return profiles_.GetString(section, key, fileName);
}

bool HeadlessPlatform::WriteProfileString(std::string_view section, std::string_view key,
                                          std::string_view value, std::string_view fileName) {
    return profiles_.WriteString(section, key, value, fileName);
}

void HeadlessPlatform::ShowMessageBox(PlatformWindow* owner, std::string_view text, std::string_view title,
                                      TMessageBoxIcon icon) {
    HeadlessDesktop::Window* ownerWindow = owner != nullptr ? &static_cast<FormWindow*>(owner)->State() : nullptr;
    if (ownerWindow != nullptr) ownerWindow->enabled = false;
    MessageBoxRecord record{std::string(text), std::string(title), icon, ownerWindow != nullptr};
    if (onMessageBox) onMessageBox(record);
    if (ownerWindow != nullptr) ownerWindow->enabled = true;
    desktop_.messageBoxes.push_back(std::move(record));
}

}  // namespace nuvo::headless
