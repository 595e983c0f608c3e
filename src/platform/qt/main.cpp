// nuvo_k48 on Linux X11: Qt's application object, our desktop port, the portable program.
// Started with the saver's mode argument (/s, /c, …) it is the program of every platform;
// started with --root or --window-id it is an xscreensaver module.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/qt/module_options.h"
#include "platform/qt/module_port.h"
#include "platform/qt/qt_port.h"
#include "platform/qt/qt_toolkit.h"

int main(int argc, char* argv[]) {
    std::vector<std::string> arguments(argv, argv + argc);
    std::optional<nuvo::qt::ModuleOptions> module;
    if (nuvo::qt::IsModuleCommandLine({arguments.begin() + 1, arguments.end()})) {
        try {
            module = nuvo::qt::ParseModuleOptions({arguments.begin() + 1, arguments.end()},
                                                  std::getenv("XSCREENSAVER_WINDOW"));
        } catch (const nuvo::qt::ModuleArgumentError& error) {
            std::fprintf(stderr, "nuvo_k48: %s\n", error.what());
            return 1;
        }
        for (const std::string& warning : module->warnings)
            std::fprintf(stderr, "nuvo_k48: %s\n", warning.c_str());
    }
    // Without an X display Qt would abort with a core dump; say what is missing instead.
    // A display lost later on needs nothing of ours: Qt (or Xlib, whichever notices first)
    // reports the broken connection and exits with status 1, in the saver's next frame.
    if (!nuvo::qt::X11Desktop::DisplayAvailable()) {
        const char* display = std::getenv("DISPLAY");
        std::fprintf(stderr, "nuvo_k48: cannot open the X display %s\n",
                     display && *display ? display : "(DISPLAY is not set)");
        return 1;
    }
    nuvo::qt::PrepareQt();
    if (module) {
        // No widgets: Qt would open a connection and a window of its own for them.
        QCoreApplication application(argc, argv);
        nuvo::qt::ConfigureQt();
        return nuvo::qt::RunModule(*module);
    }
    QApplication application(argc, argv);
    nuvo::qt::ConfigureQt();

    nuvo::qt::QtPort port(nuvo::qt::QtPort::DefaultProfileDirectory());
    return nuvo::RunProgram(port, nuvo::CommandLine::FromArguments(std::move(arguments)));
}
