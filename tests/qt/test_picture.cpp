// A known picture on the whole screen, for the saver to freeze: a full-screen window
// showing an image file, or without one the pattern of the headless tests. Stays until it
// is killed.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QWidget>

#include <cstdio>

#include "platform/qt/qt_toolkit.h"
#include "platform/headless/headless_desktop.h"

namespace {

QImage Pattern(QSize size) {
    const nuvo::headless::ScreenPicture pattern =
        nuvo::headless::PatternPicture(size.width(), size.height());
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) row[x] = pattern.At(x, y);
    }
    return image;
}

class PictureWindow : public QWidget {
public:
    explicit PictureWindow(QImage picture)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint),
          picture_(std::move(picture)) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(rect(), picture_);
    }

private:
    QImage picture_;
};

}  // namespace

int main(int argc, char* argv[]) {
    nuvo::qt::PrepareQt();
    QApplication application(argc, argv);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QImage picture = argc > 1 ? QImage(QString::fromLocal8Bit(argv[1])) : Pattern(screen.size());
    if (picture.isNull()) {
        std::fprintf(stderr, "cannot read the picture %s\n", argv[1]);
        return 1;
    }
    PictureWindow window(picture.convertToFormat(QImage::Format_RGB32));
    window.setGeometry(screen);
    window.show();
    return application.exec();
}
