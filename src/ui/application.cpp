#include "ui/application.h"

#include "ui/forms.h"

namespace nuvo {

TApplication::TApplication(PlatformPort& port) : port_(port) {}

// Forms go in reverse order of creation, each destroying its platform window.
TApplication::~TApplication() {
    while (!forms_.empty()) forms_.pop_back();
}

void TApplication::AdoptForm(std::unique_ptr<TForm> form) {
    TForm& created = *form;
    forms_.push_back(std::move(form));
    created.AfterConstruction();
    if (mainForm_ == nullptr) mainForm_ = &created;
}

void TApplication::Run() {
    if (mainForm_ == nullptr) return;
    mainForm_->Show();
    while (!terminated_) {
        port_.DispatchPendingEvents();
        if (terminated_) break;
        bool done = true;
        if (OnIdle) OnIdle(done);
        if (terminated_) break;
        if (done) port_.WaitForEvent();
    }
}

void TApplication::ProcessMessages() { port_.DispatchPendingEvents(); }

void TApplication::Terminate() { terminated_ = true; }

std::string TApplication::Title() { return ApplicationTitleFromPath(port_.ModuleFileName()); }

void TApplication::ShowException(const std::exception& error) {
    std::string message = error.what();
    if (message.empty() || message.back() != '.') message += '.';
    PlatformWindow* owner = mainForm_ != nullptr ? &mainForm_->Window() : nullptr;
    port_.ShowMessageBox(owner, message, Title(), TMessageBoxIcon::Error);
}

std::string ApplicationTitleFromPath(std::string_view modulePath) {
    const std::size_t slash = modulePath.find_last_of("\\/:");
    std::string_view name = slash == std::string_view::npos ? modulePath : modulePath.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    if (name.empty()) return {};
    // The first character stays as it is, whatever its length in UTF-8.
    std::size_t firstLength = 1;
    while (firstLength < name.size() && (static_cast<unsigned char>(name[firstLength]) & 0xC0) == 0x80)
        ++firstLength;
    std::string title(name.substr(0, firstLength));
    for (char c : name.substr(firstLength))
        title += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return title;
}

}  // namespace nuvo
