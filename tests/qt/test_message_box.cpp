// Shows the program's error box with a given text and title, for comparing the box the
// program shows with the one it should show: test_message_box TEXT TITLE.
#include <QApplication>

#include "platform/qt/qt_toolkit.h"

int main(int argc, char* argv[]) {
    if (argc != 3) return 2;
    nuvo::qt::PrepareQt();
    QApplication application(argc, argv);
    nuvo::qt::ConfigureQt();
    const auto box = nuvo::qt::CreateErrorBox(nullptr, QString::fromUtf8(argv[1]),
                                              QString::fromUtf8(argv[2]));
    return box->exec() == QMessageBox::Ok ? 0 : 1;
}
