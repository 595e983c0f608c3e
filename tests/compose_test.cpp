// The frame loop's compose against the plain order (clear, then strips in ascending order).
#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <sstream>

#include "saver/compose.h"

namespace nuvo {
namespace {

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();

void FillRandom(TBitmap& bitmap, std::mt19937& random) {
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) bitmap.Row(y)[x] = random() & 0xFFFFFF;
}

TBitmap RandomBitmap(int width, int height, std::mt19937& random) {
    TBitmap bitmap(width, height, AllocateHeapBitmapMemory(width, height));
    FillRandom(bitmap, random);
    return bitmap;
}

template <typename T>
T Pick(std::mt19937& random, std::initializer_list<T> values) {
    return values.begin()[std::uniform_int_distribution<std::size_t>(0, values.size() - 1)(random)];
}

TWaveSettings RandomSettings(std::mt19937& random) {
    TWaveSettings settings;
    settings.detailLevel = Pick(random, {0, 1, 2, -1, 3, 7, kMin32, kMax32});
    settings.vertical = random() % 2 == 0;
    settings.amplitude = random() % 3 == 0
                             ? Pick(random, {0, 5, 35, 100, 1000, -1, -35, kMin32, kMax32})
                             : std::uniform_int_distribution<std::int32_t>(-60, 60)(random);
    return settings;
}

double RandomPhase(std::mt19937& random) {
    switch (random() % 3) {
        case 0: return std::uniform_int_distribution<int>(0, 200)(random);     // frames as the saver counts
        case 1: return std::uniform_real_distribution<double>(-50, 50)(random);  // in-between phases
        default: return Pick(random, {1e9, -1e9, 4294967296.0});               // a saver left running for years
    }
}

// Compares the two composes on one display, both starting from the same leftover frame,
// and says where they first differ. The composer is used again and again, as the saver
// uses its one.
::testing::AssertionResult SameFrame(TBitmap& source, int width, int height, FrameComposer& composer,
                                     const StripLayout& layout, std::mt19937& random) {
    const TColor clearColour = composer.ClearColour();
    TBitmap fast = RandomBitmap(width, height, random);
    TBitmap plain(width, height, AllocateHeapBitmapMemory(width, height));
    std::copy_n(fast.Pixels(), static_cast<std::size_t>(width) * height, plain.Pixels());
    TCanvas fastCanvas(fast);
    TCanvas plainCanvas(plain);
    for (TCanvas* canvas : {&fastCanvas, &plainCanvas}) canvas->Pen.Color = canvas->Brush.Color = clearColour;
    composer.Compose(fastCanvas, TCanvas(source), layout);
    ComposeFrameReference(plainCanvas, TCanvas(source), layout);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (fast.Pixel(x, y) != plain.Pixel(x, y)) {
                return ::testing::AssertionFailure() << "first difference at (" << x << ", " << y << "): "
                                                     << fast.Pixel(x, y) << " instead of " << plain.Pixel(x, y);
            }
        }
    }
    return ::testing::AssertionSuccess();
}

struct ScreenCase {
    int width;
    int height;
    int trials;
};

// Tiny, odd, wide, tall and ordinary screens.
constexpr ScreenCase kScreens[] = {{1, 1, 60},   {2, 3, 60},     {7, 5, 80},    {1, 300, 40},
                                   {300, 1, 40}, {17, 257, 60},  {101, 77, 80}, {640, 480, 25},
                                   {333, 199, 30}};

TEST(ComposeTest, WaveFramesArePixelIdenticalToThePlainOrder) {
    std::mt19937 random(20240517);
    FrameComposer black(clBlack);
    FrameComposer coloured(0x123456);
    for (const ScreenCase& screen : kScreens) {
        TBitmap source = RandomBitmap(screen.width, screen.height, random);
        for (int trial = 0; trial < screen.trials; ++trial) {
            const TWaveSettings settings = RandomSettings(random);
            const double phase = RandomPhase(random);
            FrameComposer& composer = random() % 4 == 0 ? coloured : black;
            std::ostringstream what;
            what << screen.width << "x" << screen.height << " level " << settings.detailLevel << " amplitude "
                 << settings.amplitude << (settings.vertical ? " longitudinal" : " transverse") << " phase "
                 << phase << " clear " << composer.ClearColour();
            SCOPED_TRACE(what.str());
            const StripLayout layout = WaveStrips(screen.width, screen.height, settings, phase);
            ASSERT_TRUE(SameFrame(source, screen.width, screen.height, composer, layout, random));
        }
    }
}

// Any layout, not only the wave's: strips in any order and place, of any band height, from a
// source wider, taller or lower than the display.
TEST(ComposeTest, ArbitraryLayoutsAndSourceSizesArePixelIdenticalToThePlainOrder) {
    std::mt19937 random(977);
    FrameComposer composer(clBlack);
    const struct {
        int width, height, sourceWidth, sourceHeight;
    } cases[] = {{5, 4, 5, 4}, {40, 30, 40, 30}, {40, 30, 57, 30}, {40, 30, 40, 61}, {40, 30, 45, 11}, {3, 90, 3, 90}};
    for (const auto& c : cases) {
        TBitmap source = RandomBitmap(c.sourceWidth, c.sourceHeight, random);
        for (int trial = 0; trial < 200; ++trial) {
            StripLayout layout;
            layout.count = std::uniform_int_distribution<int>(0, kMaxStrips)(random);
            layout.bandHeight = random() % 10 == 0 ? Pick(random, {0, -3, kMax32, kMin32})
                                                   : std::uniform_int_distribution<int>(1, c.height)(random);
            const auto position = [&](int extent) {
                return random() % 20 == 0 ? Pick(random, {kMin32, kMax32, -extent, extent})
                                          : std::uniform_int_distribution<int>(-extent, 2 * extent)(random);
            };
            for (int i = 0; i < layout.count; ++i) {
                layout.strips[static_cast<std::size_t>(i)] = {position(c.sourceHeight), position(c.width),
                                                              position(c.height)};
            }
            SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " from " << c.sourceWidth << "x"
                                              << c.sourceHeight << " trial " << trial);
            ASSERT_TRUE(SameFrame(source, c.width, c.height, composer, layout, random));
        }
    }
}

}  // namespace
}  // namespace nuvo
