// nuvo_k48 on Linux X11: Qt's application object, our desktop port, the portable program.
#include <QApplication>

#include <string>
#include <vector>

#include "app/program.h"
#include "platform/qt/qt_port.h"
#include "platform/qt/qt_toolkit.h"

int main(int argc, char* argv[]) {
    nuvo::qt::PrepareQt();
    QApplication application(argc, argv);
    nuvo::qt::ConfigureQt();

    nuvo::qt::QtPort port(nuvo::qt::QtPort::DefaultProfileDirectory());
    std::vector<std::string> arguments(argv, argv + argc);
    return nuvo::RunProgram(port, nuvo::CommandLine::FromArguments(std::move(arguments)));
}
