// How the program sets Qt up, shared by the program and the test fixtures that must look
// the same: the process settings, the font with Japanese glyphs, the error box.
#pragma once

#include <QFont>
#include <QMessageBox>
#include <QString>

#include <memory>
#include <string_view>

namespace nuvo::qt {

// Before the QApplication exists: X11, and no scaling (the program works in screen pixels:
// the saver covers them one to one and the dialog has its designed pixel size).
void PrepareQt();
// Once the QApplication exists.
void ConfigureQt();

inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The family the windows use; the designs name a Windows font that means nothing here.
QFont JapaneseFont(int pixelHeight);

// The error box: the icon, the text, one OK button. Owned by a window, it disables that
// window while it shows; without one, the whole program.
std::unique_ptr<QMessageBox> CreateErrorBox(QWidget* owner, const QString& text,
                                            const QString& title);

}  // namespace nuvo::qt
