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
bool SameAsOurs(const QImage& peerFrame, const QImage& source, const StripLayout& layout) {
    const int width = source.width();
    const int height = source.height();
    TBitmap sourceBitmap(width, height, AllocateHeapBitmapMemory(width, height));
    TBitmap displayBitmap(width, height, AllocateHeapBitmapMemory(width, height));
    std::copy_n(reinterpret_cast<const std::uint32_t*>(source.constBits()), std::size_t(width) * height,
                sourceBitmap.Pixels());
    TCanvas display(displayBitmap);
    display.Pen.Color = clBlack;
    display.Brush.Color = clBlack;
    ComposeFrame(display, TCanvas(sourceBitmap), layout);
    // Qt keeps 0xFF in the unused byte of RGB32 pixels; ours keeps 0.
    const auto* peer = reinterpret_cast<const std::uint32_t*>(peerFrame.constBits());
    return std::equal(displayBitmap.Pixels(), displayBitmap.Pixels() + std::size_t(width) * height, peer,
                      [](std::uint32_t ours, std::uint32_t theirs) { return ours == (theirs & 0xFFFFFF); });
}

void QPainterFrames(benchmark::State& state, const FrameCase& frameCase) {
    const int width = frameCase.screen.width;
    const int height = frameCase.screen.height;
    QImage source(width, height, QImage::Format_RGB32);
    PaintTestPicture(reinterpret_cast<std::uint32_t*>(source.bits()), width, height);
    QImage display(width, height, QImage::Format_RGB32);
    display.fill(Qt::black);
    const std::vector<StripLayout> layouts = LayoutsOverOnePeriod(frameCase);
    for (const StripLayout& layout : layouts) {
        ComposeWithQPainter(display, source, layout);
        if (!SameAsOurs(display, source, layout)) {
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
