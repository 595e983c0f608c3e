// nuvo_k48 as an xscreensaver module: the program's saver, drawing in a window it is
// given. The screen is that window (its size, and the daemon's screenshot scaled to it);
// the saver's window is that window, never one of our own, so there is no grab, no cursor
// change and nothing another instance could find; the settings file is read with the
// command line's values in place of the keys they name.
#pragma once

#include "platform/qt/module_options.h"
#include "platform/qt/module_window.h"
#include "platform/qt/qt_port.h"

namespace nuvo::qt {

class ModulePort final : public QtPort {
public:
    // Needs a QCoreApplication. SIGTERM, SIGINT and SIGHUP end the process at once, status 0.
    ModulePort(ModuleWindow& window, SettingOverrides overrides);

    // True once after the saver window was closed because the window changed size: the
    // saver goes on in a new one of the new size.
    bool TakeResize();

    int ScreenWidth() override { return window_.Width(); }
    int ScreenHeight() override { return window_.Height(); }
    void CaptureScreen(TBitmap& dest) override { window_.DrawPicture(dest); }
    std::unique_ptr<BitmapMemory> CreateDisplayBitmapMemory(PlatformWindow&, int width, int height) override {
        return window_.CreateImageMemory(width, height);
    }

    // The saver's window is the given one: it shows the frames and nothing else.
    std::unique_ptr<PlatformWindow> CreateFormWindow(const TFormDesign& design,
                                                     WindowEvents& events) override;

    void DispatchPendingEvents() override;

    std::string GetProfileString(std::string_view section, std::string_view key,
                                 std::string_view fileName) override;

    // There is nobody to click a box away: the message goes to stderr.
    void ShowMessageBox(PlatformWindow* owner, std::string_view text, std::string_view title,
                        TMessageBoxIcon icon) override;

private:
    class SaverWindow;

    ModuleWindow& window_;
    SettingOverrides overrides_;
    WindowEvents* saverEvents_ = nullptr;  // the saver form on the window, while it exists
    bool resized_ = false;
};

// Runs the saver in the options' window until a signal ends it (status 0) or the window
// is destroyed (status 0). A window that cannot be used is one line on stderr and status 1.
int RunModule(const ModuleOptions& options);

}  // namespace nuvo::qt
