#include "platform/qt/qt_port.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <pwd.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/qt/form_window.h"
#include "platform/qt/page_memory.h"
#include "platform/qt/qt_toolkit.h"

namespace nuvo::qt {

QtPort::QtPort(std::filesystem::path profileDirectory)
    : profiles_(std::move(profileDirectory)),
      closeSignals_([this] { CloseOnSignal(); }),
      eventWait_(desktop_.ConnectionDescriptor(), closeSignals_.ReadDescriptor()) {}

QtPort::QtPort(std::filesystem::path profileDirectory, CloseSignals::EndProcess endAtOnce,
               int eventConnection)
    : profiles_(std::move(profileDirectory)),
      closeSignals_(endAtOnce),
      eventWait_(eventConnection, closeSignals_.ReadDescriptor()) {}

QtPort::~QtPort() {
    // Windows destroyed while their own events were being handled go now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::filesystem::path QtPort::DefaultProfileDirectory() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/') {
        return config;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        const passwd* user = getpwuid(getuid());
        home = user ? user->pw_dir : "/";
    }
    return std::filesystem::path(home) / ".config";
}

std::string QtPort::ModuleFileName() {
    const QString path = QCoreApplication::applicationFilePath();
    if (!path.isEmpty()) return path.toStdString();
    const QStringList arguments = QCoreApplication::arguments();
    return arguments.isEmpty() ? std::string() : arguments.front().toStdString();
}

bool QtPort::WindowOfClassExists(std::string_view className) {
    return desktop_.WindowOfClassExists(className);
}

int QtPort::ScreenWidth() { return desktop_.ScreenWidth(); }
int QtPort::ScreenHeight() { return desktop_.ScreenHeight(); }
void QtPort::CaptureScreen(TBitmap& dest) { desktop_.CaptureScreen(dest); }

int QtPort::ShowCursor(bool show) {
    const bool wasHidden = cursorCount_ < 0;
    cursorCount_ += show ? 1 : -1;
    const bool hidden = cursorCount_ < 0;
    if (hidden != wasHidden) {
        for (FormWindow* window : windows_) window->SetCursorHidden(hidden);
    }
    return cursorCount_;
}

std::uint32_t QtPort::TickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    frameLog_.TickRead(now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u;
    return static_cast<std::uint32_t>(milliseconds);
}

// The tick count is CLOCK_MONOTONIC in whole milliseconds, so it reaches from + milliseconds
// at a known instant: one sleep to it, and the frame starts on its tick.
bool QtPort::WaitForTickOrEvent(std::uint32_t from, std::uint32_t milliseconds) {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t nowMs = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u;
    // `from` is the low 32 bits of a count read a moment ago.
    const std::uint64_t fromMs = nowMs - static_cast<std::uint32_t>(static_cast<std::uint32_t>(nowMs) - from);
    const std::uint64_t deadlineMs = fromMs + milliseconds;
    const timespec deadline{static_cast<time_t>(deadlineMs / 1000u), static_cast<long>(deadlineMs % 1000u) * 1'000'000L};
    return eventWait_.SleepUntil(deadline);
}

std::unique_ptr<BitmapMemory> QtPort::CreateBitmapMemory(int width, int height) {
    return AllocatePageBitmapMemory(width, height);
}

// The form's hold on its widget. The widget goes when the form lets it go, later if its
// own event handler may still be running.
class QtPort::Window final : public PlatformWindow {
public:
    Window(QtPort& port, FormWindow& widget) : port_(port), widget_(widget) {}
    ~Window() override {
        std::erase(port_.windows_, &widget_);
        widget_.StopEvents();
        widget_.hide();
        if (port_.dispatchDepth_ > 0) {
            widget_.deleteLater();
        } else {
            delete &widget_;
        }
    }

    FormWindow& Widget() { return widget_; }

    void SetBounds(TRect bounds) override { widget_.SetBounds(bounds); }
    void Show() override { widget_.ShowForm(); }
    void Present(TRect clientRect, const TBitmap& bitmap) override {
        port_.frameLog_.PresentBegins();
        widget_.Present(clientRect, bitmap);
        port_.frameLog_.PresentEnded();
    }
    int ControlValue(int component) override { return widget_.ControlValue(component); }
    void SetControlValue(int component, int value) override { widget_.SetControlValue(component, value); }
    int FocusedComponent() override { return widget_.FocusedComponent(); }
    void FocusComponent(int component) override { widget_.FocusComponent(component); }
    std::optional<TPoint> CursorPosition() override { return widget_.CursorPosition(); }

private:
    QtPort& port_;
    FormWindow& widget_;
};

std::unique_ptr<BitmapMemory> QtPort::CreateDisplayBitmapMemory(PlatformWindow& window, int width, int height) {
    FormWindow& widget = static_cast<Window&>(window).Widget();  // every window here is this port's
    return widget.IsSaverSurface() ? widget.CreateImageMemory(width, height) : CreateBitmapMemory(width, height);
}

std::unique_ptr<PlatformWindow> QtPort::CreateFormWindow(const TFormDesign& design, WindowEvents& events) {
    auto* widget = new FormWindow(design, events);
    // Instances find each other by this class; Qt would name the window after the program.
    desktop_.SetWindowClass(widget->winId(), QCoreApplication::applicationName().toStdString(),
                            design.className);
    widget->SetCursorHidden(cursorCount_ < 0);
    windows_.push_back(widget);
    return std::make_unique<Window>(*this, *widget);
}

// A signal is a close request to the main window (the first one made), as the close box
// would send it. A message box being shown would keep its caller waiting for the user, so
// it goes too, as a quitting message loop ends a modal box on Windows.
void QtPort::CloseOnSignal() {
    if (windows_.empty()) return;  // no form runs: nothing dispatches to one either
    windows_.front()->RequestClose();
    if (shownBox_ != nullptr) shownBox_->reject();
}

void QtPort::DispatchPendingEvents() {
    ++dispatchDepth_;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    --dispatchDepth_;
}

void QtPort::WaitForEvent() {
    ++dispatchDepth_;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    --dispatchDepth_;
}

std::string QtPort::GetProfileString(std::string_view section, std::string_view key,
                                     std::string_view fileName) {
    return profiles_.GetString(section, key, fileName);
}

bool QtPort::WriteProfileString(std::string_view section, std::string_view key,
                                std::string_view value, std::string_view fileName) {
    return profiles_.WriteString(section, key, value, fileName);
}

void QtPort::ShowMessageBox(PlatformWindow* owner, std::string_view text, std::string_view title,
                            TMessageBoxIcon) {
    FormWindow* ownerWindow = owner != nullptr ? &static_cast<Window*>(owner)->Widget() : nullptr;
    const auto box = CreateErrorBox(ownerWindow, FromUtf8(text), FromUtf8(title));
    QDialog* const outerBox = std::exchange(shownBox_, box.get());
    ++dispatchDepth_;
    box->exec();
    --dispatchDepth_;
    shownBox_ = outerBox;
    // The keyboard goes back to the owner, as it does on Windows; without a window
    // manager nobody else would give it.
    if (ownerWindow != nullptr) ownerWindow->activateWindow();
}

}  // namespace nuvo::qt
