// nuvo_k48 on Linux X11: Qt's application object, our desktop port, the portable program.
#include <QApplication>

#include <string>
#include <vector>

#include "app/program.h"
#include "platform/qt/qt_port.h"

int main(int argc, char* argv[]) {
    // The program works in screen pixels: the saver covers them one to one and the dialog
    // has its designed pixel size, so Qt must not scale.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
    // The X11 desktop is the only one the port knows.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    // Each mouse movement counts (the saver ends on the third), so Qt must not merge them.
    // (Set after construction, which gives the attribute its X11 default.)
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
    QCoreApplication::setApplicationName("nuvo_k48");

    nuvo::qt::QtPort port(nuvo::qt::QtPort::DefaultProfileDirectory());
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i]);
    return nuvo::RunProgram(port, nuvo::CommandLine::FromArguments(std::move(arguments)));
}
