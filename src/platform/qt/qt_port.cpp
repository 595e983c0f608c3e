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

std::unique_ptr<BitmapMemory> QtPort::CreateDisplayBitmapMemory(WindowHandle handle, int width, int height) {
    FormWindow* window = Window(handle);
    return window != nullptr && window->IsSaverSurface() ? window->CreateImageMemory(width, height)
                                                         : CreateBitmapMemory(width, height);
}

FormWindow* QtPort::Window(WindowHandle handle) const {
    auto* window = reinterpret_cast<FormWindow*>(handle);
    return std::find(windows_.begin(), windows_.end(), window) != windows_.end() ? window
                                                                                 : nullptr;
}

WindowHandle QtPort::CreateFormWindow(const TFormDesign& design, WindowEvents& events) {
    auto* window = new FormWindow(design, events);
    // Instances find each other by this class; Qt would name the window after the program.
    desktop_.SetWindowClass(window->winId(), QCoreApplication::applicationName().toStdString(),
                            design.className);
    window->SetCursorHidden(cursorCount_ < 0);
    windows_.push_back(window);
    return reinterpret_cast<WindowHandle>(window);
}

void QtPort::DestroyFormWindow(WindowHandle handle) {
    FormWindow* window = Window(handle);
    if (window == nullptr) return;
    windows_.erase(std::find(windows_.begin(), windows_.end(), window));
    window->StopEvents();
    window->hide();
    if (dispatchDepth_ > 0) {
        window->deleteLater();  // its own event handler may still be running
    } else {
        delete window;
    }
}

void QtPort::SetWindowBounds(WindowHandle handle, TRect bounds) {
    if (FormWindow* window = Window(handle)) window->SetBounds(bounds);
}

void QtPort::ShowFormWindow(WindowHandle handle) {
    if (FormWindow* window = Window(handle)) window->ShowForm();
}

void QtPort::PresentBitmap(WindowHandle handle, TRect clientRect, const TBitmap& bitmap) {
    if (FormWindow* window = Window(handle)) {
        frameLog_.PresentBegins();
        window->Present(clientRect, bitmap);
        frameLog_.PresentEnded();
    }
}

int QtPort::ControlValue(WindowHandle handle, int component) {
    FormWindow* window = Window(handle);
    return window ? window->ControlValue(component) : 0;
}

void QtPort::SetControlValue(WindowHandle handle, int component, int value) {
    if (FormWindow* window = Window(handle)) window->SetControlValue(component, value);
}

int QtPort::FocusedComponent(WindowHandle handle) {
    FormWindow* window = Window(handle);
    return window ? window->FocusedComponent() : -1;
}

void QtPort::FocusComponent(WindowHandle handle, int component) {
    if (FormWindow* window = Window(handle)) window->FocusComponent(component);
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

void QtPort::ShowMessageBox(WindowHandle owner, std::string_view text, std::string_view title,
                            TMessageBoxIcon) {
    FormWindow* ownerWindow = Window(owner);
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
