// The peer: the same frames composed the way a Qt program would, with a QPainter on a
// QImage of the screen's format: a fill, then one drawImage per band.
#include <QImage>
#include <QPainter>

#include <memory>

#include "frame_cases.h"

namespace nuvo::bench {

FrameDrawer QPainterPeer(SaverImages& images) {
    // QImages over the saver's own two images: the peer draws on the same memory as ours.
    const int width = images.displayBitmap.Width();
    const int height = images.displayBitmap.Height();
    const qsizetype bytesPerLine = qsizetype{width} * 4;
    auto source = std::make_shared<const QImage>(reinterpret_cast<const uchar*>(images.sourceBitmap.Pixels()),
                                                 width, height, bytesPerLine, QImage::Format_RGB32);
    auto display = std::make_shared<QImage>(reinterpret_cast<uchar*>(images.displayBitmap.Pixels()), width, height,
                                            bytesPerLine, QImage::Format_RGB32);
    return [source, display](const StripLayout& layout) {
        QPainter painter(display.get());
        painter.fillRect(display->rect(), Qt::black);
        for (const StripCopy& strip : layout.Strips()) {
            painter.drawImage(QPoint(strip.destLeft, strip.destTop), *source,
                              QRect(0, strip.sourceTop, display->width(), layout.bandHeight));
        }
    };
}

}  // namespace nuvo::bench
