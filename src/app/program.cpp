#include "app/program.h"

#include <array>
#include <exception>
#include <utility>

#include "dialog/rastuu18.h"
#include "saver/rastu18.h"
#include "ui/application.h"

namespace nuvo {

ProgramMode ModeForArgument(std::string_view argument) {
    static constexpr std::array<std::pair<std::string_view, ProgramMode>, 6> kModes{{
        {"-p", ProgramMode::None},
        {"/p", ProgramMode::None},
        {"-c", ProgramMode::Settings},
        {"/c", ProgramMode::Settings},
        {"-s", ProgramMode::Run},
        {"/s", ProgramMode::Run},
    }};
    for (const auto& [text, mode] : kModes) {
        if (argument == text) return mode;
    }
    return ProgramMode::None;
}

namespace {

// Runs the mode's main window until it closes. Returns 0, or 1 after an error left the
// message loop (it has been shown in an error box).
int RunMode(PlatformPort& port, ProgramMode mode, SaverUnitState& saverState) {
    TApplication application(port);
    try {
        if (mode == ProgramMode::Run) {
            TMorlaptFMI* MorlaptFMI = nullptr;
            application.CreateForm(MorlaptFMI, saverState);
            application.Run();
        } else if (mode == ProgramMode::Settings) {
            TMorlaptCNF* MorlaptCNF = nullptr;
            application.CreateForm(MorlaptCNF);
            application.Run();
        }
    } catch (const std::exception& error) {
        // Last-chance handling for an error that left the message loop.
        port.ShowMessageBox(nullptr, error.what(), application.Title(), TMessageBoxIcon::Error);
        return 1;
    }
    return 0;
}

}  // namespace

int RunProgram(PlatformPort& port, const CommandLine& commandLine) {
    // While a window of an earlier instance exists, every start ends here.
    if (port.WindowOfClassExists("TMorlaptFMI")) return 0;
    if (port.WindowOfClassExists("TMorlaptCNF")) return 0;

    SaverUnitState saverState;  // the saver's state for this run, zero at start
    return RunMode(port, ModeForArgument(commandLine.FirstArgument()), saverState);
}

int RunSaverInGivenWindow(PlatformPort& port, const std::function<bool()>& reopen) {
    SaverUnitState saverState;
    for (;;) {
        const int status = RunMode(port, ProgramMode::Run, saverState);
        if (status != 0 || !reopen()) return status;
    }
}

}  // namespace nuvo
