// nuvo_k48 on Linux X11: Qt's application object, our desktop port, the portable program.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/program.h"
#include "platform/qt/qt_port.h"
#include "platform/qt/qt_toolkit.h"

int main(int argc, char* argv[]) {
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
    QApplication application(argc, argv);
    nuvo::qt::ConfigureQt();

    nuvo::qt::QtPort port(nuvo::qt::QtPort::DefaultProfileDirectory());
    std::vector<std::string> arguments(argv, argv + argc);
    return nuvo::RunProgram(port, nuvo::CommandLine::FromArguments(std::move(arguments)));
}
