// The peer: the same frames composed the way a Qt program would, with a QPainter on a
// QImage of the screen's format: a fill, then one drawImage per band.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <algorithm>

#include "frame_cases.h"
#include "saver/compose.h"

namespace nuvo::bench {
namespace {

void ComposeWithQPainter(QImage& display, const QImage& source, const StripLayout& layout) {
    QPainter painter(&display);
    painter.fillRect(display.rect(), Qt::black);
    for (const StripCopy& strip : layout.Strips()) {
        painter.drawImage(QPoint(strip.destLeft, strip.destTop), source,
                          QRect(0, strip.sourceTop, display.width(), layout.bandHeight));
    }
}

// True when the peer's frame is pixel for pixel ours, so that both do the same work.
bool SameAsOurs(const QImage& peerFrame, SaverImages& images, const StripLayout& layout) {
    const int width = images.displayBitmap.Width();
    const int height = images.displayBitmap.Height();
    TBitmap oursBitmap(width, height, AllocateHeapBitmapMemory(width, height));
    TCanvas ours(oursBitmap);
    ours.Pen.Color = clBlack;
    ours.Brush.Color = clBlack;
    ComposeFrame(ours, images.source, layout);
    // Qt sets the unused byte of RGB32 pixels it draws; ours leave it 0.
    const auto* peer = reinterpret_cast<const std::uint32_t*>(peerFrame.constBits());
    return std::equal(oursBitmap.Pixels(), oursBitmap.Pixels() + std::size_t(width) * height, peer,
                      [](std::uint32_t mine, std::uint32_t theirs) { return mine == (theirs & 0xFFFFFF); });
}

// QImages over the saver's own two images: the peer draws on the same memory as ours.
void QPainterFrames(benchmark::State& state, const FrameCase& frameCase) {
    SaverImages& images = ImagesOfSize(frameCase.screen);
    const int width = frameCase.screen.width;
    const int height = frameCase.screen.height;
    const qsizetype bytesPerLine = qsizetype{width} * 4;
    const QImage source(reinterpret_cast<const uchar*>(images.sourceBitmap.Pixels()), width, height, bytesPerLine,
                        QImage::Format_RGB32);
    QImage display(reinterpret_cast<uchar*>(images.displayBitmap.Pixels()), width, height, bytesPerLine,
                   QImage::Format_RGB32);
    const std::vector<StripLayout> layouts = LayoutsOverOnePeriod(frameCase);
    for (const StripLayout& layout : layouts) {
        ComposeWithQPainter(display, source, layout);
        if (!SameAsOurs(display, images, layout)) {
            state.SkipWithError("the QPainter frame differs from ours");
            return;
        }
    }
    for (auto _ : state) {
        for (const StripLayout& layout : layouts) ComposeWithQPainter(display, source, layout);
        benchmark::DoNotOptimize(display.constBits());
        benchmark::ClobberMemory();
    }
}

}  // namespace

void RegisterQPainterPeer() {
    for (const FrameCase& frameCase : AllFrameCases()) {
        benchmark::RegisterBenchmark(("qpainter/" + frameCase.Name()).c_str(),
                                     [frameCase](benchmark::State& state) { QPainterFrames(state, frameCase); });
    }
}

}  // namespace nuvo::bench
