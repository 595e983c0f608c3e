#include "platform/qt/module_port.h"

#include <cstdio>
#include <string>
#include <utility>

#include "app/program.h"

namespace nuvo::qt {
// The saver form's window: frames go into the given window, which we neither move nor
// show; there are no controls and no pointer of ours.
class ModulePort::SaverWindow final : public PlatformWindow {
public:
    SaverWindow(ModulePort& port, WindowEvents& events) : port_(port) { port_.saverEvents_ = &events; }
    ~SaverWindow() override { port_.saverEvents_ = nullptr; }

    void SetBounds(TRect) override {}
    void Show() override {}
    void Present(TRect clientRect, const TBitmap& bitmap) override { port_.window_.Present(clientRect, bitmap); }
    int ControlValue(int) override { return 0; }
    void SetControlValue(int, int) override {}
    int FocusedComponent() override { return -1; }
    void FocusComponent(int) override {}
    std::optional<TPoint> CursorPosition() override { return std::nullopt; }

private:
    ModulePort& port_;
};

ModulePort::ModulePort(ModuleWindow& window, SettingOverrides overrides)
    : QtPort(DefaultProfileDirectory(), CloseSignals::EndProcess{}, window.ConnectionDescriptor()),
      window_(window),
      overrides_(std::move(overrides)) {}

bool ModulePort::TakeResize() { return std::exchange(resized_, false); }

std::unique_ptr<PlatformWindow> ModulePort::CreateFormWindow(const TFormDesign&, WindowEvents& events) {
    return std::make_unique<SaverWindow>(*this, events);
}

// The window's news is a close request to the saver, taken between two frames like any
// input: destroyed, the program ends; resized, the saver starts over at the new size.
void ModulePort::DispatchPendingEvents() {
    switch (window_.TakeEvents()) {
        case ModuleWindow::Change::Unchanged:
            break;
        case ModuleWindow::Change::Resized:
            resized_ = true;
            if (saverEvents_ != nullptr) saverEvents_->CloseRequested();
            break;
        case ModuleWindow::Change::Destroyed:
            resized_ = false;
            if (saverEvents_ != nullptr) saverEvents_->CloseRequested();
            break;
    }
    QtPort::DispatchPendingEvents();
}

std::string ModulePort::GetProfileString(std::string_view section, std::string_view key,
                                         std::string_view fileName) {
    if (auto given = overrides_.Find(section, key, fileName)) return *std::move(given);
    return QtPort::GetProfileString(section, key, fileName);
}

void ModulePort::ShowMessageBox(PlatformWindow*, std::string_view text, std::string_view title,
                                TMessageBoxIcon) {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(),
                 static_cast<int>(text.size()), text.data());
}

int RunModule(const ModuleOptions& options) {
    std::optional<ModuleWindow> window;
    try {
        window.emplace(options.window);
    } catch (const ModuleWindowError& error) {
        std::fprintf(stderr, "nuvo_k48: %s\n", error.what());
        return 1;
    }
    if (!window->MissingPictureReason().empty()) {
        std::fprintf(stderr, "nuvo_k48: %s\n", window->MissingPictureReason().c_str());
    }
    ModulePort port(*window, options.settings);
    return RunSaverInGivenWindow(port, [&] { return port.TakeResize(); });
}

}  // namespace nuvo::qt
