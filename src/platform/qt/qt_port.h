// The program's desktop on Linux: X11 through Qt 6 Widgets.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/profile/profile_store.h"
#include "platform/qt/close_signals.h"
#include "platform/qt/event_wait.h"
#include "platform/qt/frame_log.h"
#include "platform/qt/x11_desktop.h"
#include "ui/platform_port.h"

class QDialog;

namespace nuvo::qt {

class FormWindow;

class QtPort : public PlatformPort {
public:
    // Needs a QApplication on the xcb platform; settings live in `profileDirectory`.
    // From here on SIGTERM, SIGINT and SIGHUP ask the main window to close.
    explicit QtPort(std::filesystem::path profileDirectory);
    ~QtPort() override;

    // $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
    static std::filesystem::path DefaultProfileDirectory();

    std::string ModuleFileName() override;
    bool WindowOfClassExists(std::string_view className) override;

    int ScreenWidth() override;
    int ScreenHeight() override;
    void CaptureScreen(TBitmap& dest) override;
    int ShowCursor(bool show) override;
    std::uint32_t TickCount() override;
    bool WaitForTickOrEvent(std::uint32_t from, std::uint32_t milliseconds) override;

    std::unique_ptr<BitmapMemory> CreateBitmapMemory(int width, int height) override;
    std::unique_ptr<BitmapMemory> CreateDisplayBitmapMemory(PlatformWindow& window, int width,
                                                            int height) override;

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

protected:
    // For a program that ends at once on those signals, with status 0, and whose frame
    // waits end early when the X connection `eventConnection` has events.
    QtPort(std::filesystem::path profileDirectory, CloseSignals::EndProcess endAtOnce,
           int eventConnection);

private:
    class Window;
    void CloseOnSignal();

    X11Desktop desktop_;
    ProfileStore profiles_;
    std::vector<FormWindow*> windows_;  // in creation order
    int cursorCount_ = 0;
    int dispatchDepth_ = 0;
    FrameLog frameLog_;
    QDialog* shownBox_ = nullptr;  // the message box being shown, if any
    CloseSignals closeSignals_;
    EventWait eventWait_;
};

}  // namespace nuvo::qt
