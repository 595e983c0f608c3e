#include "platform/qt/qt_toolkit.h"

#include <QCoreApplication>

namespace nuvo::qt {

// The size of the dialog's font, used for the error box as well.
constexpr int kBoxFontHeight = 13;

void PrepareQt() {
    qputenv("QT_QPA_PLATFORM", "xcb");
    // The frame wait sleeps on the glib main context that Qt's X11 event thread wakes.
    qunsetenv("QT_NO_GLIB");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qunsetenv("QT_SCALE_FACTOR");
    qunsetenv("QT_SCREEN_SCALE_FACTORS");
}

void ConfigureQt() {
    QCoreApplication::setApplicationName("nuvo_k48");
    // Each mouse movement counts (the saver ends on the third), so Qt must not merge them.
    // (Set after construction, which gives the attribute its X11 default.)
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);
}

QFont JapaneseFont(int pixelHeight) {
    QFont font("Noto Sans CJK JP");
    font.setPixelSize(pixelHeight);
    return font;
}

std::unique_ptr<QMessageBox> CreateErrorBox(QWidget* owner, const QString& text,
                                            const QString& title) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, title, text, QMessageBox::Ok,
                                             owner);
    box->setFont(JapaneseFont(kBoxFontHeight));
    box->setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    return box;
}

}  // namespace nuvo::qt
