// The strip geometry for any screen size, settings and phase, and one frame composed from
// it on small bitmaps by the frame loop's compose and by the plain order. The sanitizers
// catch any access outside the bitmaps and any undefined arithmetic; the two frames must be
// the same (the plain order clearing with pen and brush in the composer's clear colour), and
// every pixel must show what it must: the clear colour, or the source pixel of the last
// strip that covers it.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "saver/compose.h"
#include "saver/wave_geometry.h"
#include "ui/forms.h"
#include "ui/graphics.h"

namespace {

using namespace nuvo;
using nuvo::fuzz::Check;

constexpr int kMaxSide = 40;
constexpr std::uint32_t kUnpainted = 0xFFFFFFFF;  // no source pixel has this value

// Never black, and tells where it came from.
std::uint32_t SourcePixel(int x, int y) { return 1 + static_cast<std::uint32_t>(x) + (static_cast<std::uint32_t>(y) << 16); }

double AnyPhase(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 2)) {
        case 0: return input.ConsumeIntegralInRange(1, 1 << 24);  // frames a run reaches
        case 1: return input.ConsumeFloatingPoint<double>();
        default: return std::bit_cast<double>(input.ConsumeIntegral<std::uint64_t>());  // NaN, infinities
    }
}

std::int32_t AnyValue(FuzzedDataProvider& input, std::int32_t low, std::int32_t high) {
    return input.ConsumeBool() ? input.ConsumeIntegralInRange(low, high) : input.ConsumeIntegral<std::int32_t>();
}

void CheckGeometry(const StripLayout& layout, int height, const TWaveSettings& settings) {
    Check(layout.count == DetailRowForLevel(settings.detailLevel).stripCount, "strip count is not the level's");
    for (int i = 0; i < layout.count; ++i) {
        const StripCopy& strip = layout.strips[static_cast<std::size_t>(i)];
        if (settings.vertical) {
            Check(strip.destLeft == 0, "a longitudinal strip moved sideways");
        } else {
            Check(strip.sourceTop == strip.destTop, "a transverse strip moved up or down");
        }
        if (height >= 0 && i > 0) {
            Check(strip.destTop >= layout.strips[static_cast<std::size_t>(i - 1)].destTop, "strips out of order");
        }
    }
}

// For each display row, the strips whose band covers it, in drawing order.
std::vector<std::vector<int>> StripsByRow(const StripLayout& layout, int height) {
    std::vector<std::vector<int>> strips(static_cast<std::size_t>(height));
    for (int i = 0; i < layout.count; ++i) {
        const std::int64_t top = layout.strips[static_cast<std::size_t>(i)].destTop;
        const std::int64_t first = std::max<std::int64_t>(top, 0);
        const std::int64_t last = std::min<std::int64_t>(top + layout.bandHeight, height);
        for (std::int64_t y = first; y < last; ++y) strips[static_cast<std::size_t>(y)].push_back(i);
    }
    return strips;
}

// What the display pixel (x, y) must show after the frame: the source pixel of the last
// strip that reaches it, or the clear colour.
std::uint32_t ExpectedPixel(const StripLayout& layout, const std::vector<int>& stripsOfRow, int x, int y,
                            int displayWidth, const TBitmap& source, TColor clearColour) {
    for (auto i = stripsOfRow.rbegin(); i != stripsOfRow.rend(); ++i) {
        const StripCopy& strip = layout.strips[static_cast<std::size_t>(*i)];
        const std::int64_t sourceX = std::int64_t{x} - strip.destLeft;
        const std::int64_t sourceY = std::int64_t{strip.sourceTop} + (y - strip.destTop);
        if (sourceX < 0 || sourceX >= displayWidth || sourceX >= source.Width()) continue;
        if (sourceY < 0 || sourceY >= source.Height()) continue;
        return source.Pixel(static_cast<int>(sourceX), static_cast<int>(sourceY));
    }
    return clearColour;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    TWaveSettings settings;
    settings.detailLevel = AnyValue(input, -1, 3);
    settings.amplitude = AnyValue(input, -40, 400);
    settings.vertical = input.ConsumeBool();
    const double phase = AnyPhase(input);

    // The geometry alone, on a screen of any size.
    const int anyWidth = input.ConsumeIntegral<std::int32_t>();
    const int anyHeight = input.ConsumeIntegral<std::int32_t>();
    CheckGeometry(WaveStrips(anyWidth, anyHeight, settings, phase), anyHeight, settings);

    // One frame on small bitmaps; the source may differ in size from the display.
    const int width = input.ConsumeIntegralInRange(0, kMaxSide);
    const int height = input.ConsumeIntegralInRange(0, kMaxSide);
    const bool sameSize = input.ConsumeBool();
    const int sourceWidth = sameSize ? width : input.ConsumeIntegralInRange(0, kMaxSide);
    const int sourceHeight = sameSize ? height : input.ConsumeIntegralInRange(0, kMaxSide);

    // The saver clears in black; the composer's colour is its own, whatever the display
    // canvas's pen and brush are.
    const TColor clear = input.ConsumeBool() ? clBlack : input.ConsumeIntegral<std::uint32_t>();
    const TColor canvasColour = input.ConsumeBool() ? clear : input.ConsumeIntegral<std::uint32_t>();

    TBitmap sourceBitmap(sourceWidth, sourceHeight, AllocateHeapBitmapMemory(sourceWidth, sourceHeight));
    for (int y = 0; y < sourceHeight; ++y) {
        for (int x = 0; x < sourceWidth; ++x) sourceBitmap.Row(y)[x] = SourcePixel(x, y);
    }
    const TCanvas source(sourceBitmap);
    TBitmap fastBitmap(width, height, AllocateHeapBitmapMemory(width, height));
    TBitmap plainBitmap(width, height, AllocateHeapBitmapMemory(width, height));
    for (TBitmap* bitmap : {&fastBitmap, &plainBitmap}) {
        for (int y = 0; y < height; ++y) std::fill_n(bitmap->Row(y), width, kUnpainted);
    }
    TCanvas fast(fastBitmap);
    fast.Pen.Color = canvasColour;
    fast.Brush.Color = ~canvasColour;
    TCanvas plain(plainBitmap);
    plain.Pen.Color = clear;
    plain.Brush.Color = clear;

    const StripLayout layout = WaveStrips(width, height, settings, phase);
    CheckGeometry(layout, height, settings);
    FrameComposer(clear).Compose(fast, source, layout);
    ComposeFrameReference(plain, source, layout);
    const std::vector<std::vector<int>> stripsByRow = StripsByRow(layout, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            Check(fastBitmap.Pixel(x, y) == plainBitmap.Pixel(x, y), "the frame differs from the plain order's");
            Check(fastBitmap.Pixel(x, y) == ExpectedPixel(layout, stripsByRow[static_cast<std::size_t>(y)], x, y,
                                                          width, sourceBitmap, clear),
                  "a pixel of the frame is wrong");
        }
    }
    return 0;
}
