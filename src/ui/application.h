// The application object: owns the forms, runs the message loop with its idle hook and
// shows errors that window handlers raise.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/platform_port.h"

namespace nuvo {

class TForm;

// Called whenever the message queue is empty; leaving `done` false asks to be called
// again at once instead of waiting for the next message.
using TIdleEvent = std::function<void(bool& done)>;

class TApplication {
public:
    explicit TApplication(PlatformPort& port);
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    PlatformPort& Port() { return port_; }

    // Creates the form, stores it in `variable` and makes the first form so created the
    // main window. The form's OnCreate runs during creation; a form designed visible is
    // shown when creation ends.
    template <class TFormClass, class... Args>
    void CreateForm(TFormClass*& variable, Args&&... args) {
        auto form = std::make_unique<TFormClass>(*this, std::forward<Args>(args)...);
        variable = form.get();
        AdoptForm(std::move(form));
    }

    // Shows the main window and runs the message loop until the application terminates.
    // An exception thrown by the idle handler leaves Run.
    void Run();
    // Dispatches every waiting message, then returns; never calls the idle handler.
    void ProcessMessages();
    // Ends the message loop once the messages now being dispatched are handled.
    void Terminate();
    bool Terminated() const { return terminated_; }

    TIdleEvent OnIdle;

    TForm* MainForm() const { return mainForm_; }

    // The program file's name without directory and extension, first character as it
    // stands and the rest in lower case.
    std::string Title();
    // The default error handler: the message with "." appended in an error box.
    void ShowException(const std::exception& error);

private:
    void AdoptForm(std::unique_ptr<TForm> form);

    PlatformPort& port_;
    std::vector<std::unique_ptr<TForm>> forms_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
};

// Application title for a program file path (see TApplication::Title).
std::string ApplicationTitleFromPath(std::string_view modulePath);

}  // namespace nuvo
