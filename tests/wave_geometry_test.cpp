#include <gtest/gtest.h>

#include <limits>

#include "saver/wave_geometry.h"

namespace nuvo {
namespace {

TEST(RoundHalfEvenTest, HalvesGoToTheEvenNeighbourAndHugeValuesSaturate) {
    const struct {
        double value;
        std::int32_t rounded;
    } cases[] = {
        {7.5, 8},   {22.5, 22}, {2.5, 2},     {-2.5, -2},  {-3.5, -4}, {0.49999, 0},
        {20.94, 21}, {-0.6, -1}, {1e300, std::numeric_limits<std::int32_t>::max()},
        {-1e300, std::numeric_limits<std::int32_t>::min()},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(RoundHalfEven(c.value), c.rounded) << c.value;
}

TEST(DetailRowTest, LevelsOutsideTheTableUseTheStandardRow) {
    EXPECT_EQ(DetailRowForLevel(0).stripCount, 256);
    EXPECT_EQ(DetailRowForLevel(0).divisor, 24.0);
    EXPECT_EQ(DetailRowForLevel(2).stripCount, 64);
    EXPECT_EQ(DetailRowForLevel(2).divisor, 6.0);
    for (std::int32_t level : {1, -1, 3, 7, std::numeric_limits<std::int32_t>::min()}) {
        EXPECT_EQ(DetailRowForLevel(level).stripCount, 96) << level;
        EXPECT_EQ(DetailRowForLevel(level).divisor, 9.0) << level;
    }
}

TWaveSettings Settings(std::int32_t level, std::int32_t amplitude, bool vertical) {
    return {.detailLevel = level, .speed = 350, .amplitude = amplitude, .vertical = vertical};
}

TEST(WaveStripsTest, TransverseFirstFrameAt640x480) {
    const StripLayout layout = WaveStrips(640, 480, Settings(1, 10, false), 1.0);
    ASSERT_EQ(layout.count, 96);
    EXPECT_EQ(layout.bandHeight, 6);
    EXPECT_EQ(layout.strips[0], (StripCopy{0, 21, 0}));
    EXPECT_EQ(layout.strips[1], (StripCopy{5, 28, 5}));
    EXPECT_EQ(layout.strips[3], (StripCopy{15, 40, 15}));
}

TEST(WaveStripsTest, LongitudinalIgnoresTheAmplitudeSetting) {
    for (std::int32_t amplitude : {10, 35, 0, -7}) {
        const StripLayout layout = WaveStrips(640, 480, Settings(1, amplitude, true), 1.0);
        EXPECT_EQ(layout.strips[0], (StripCopy{10, 0, 0})) << amplitude;
        EXPECT_EQ(layout.strips[1], (StripCopy{19, 0, 5})) << amplitude;
    }
}

TEST(WaveStripsTest, RowsAndBandHeightsOfEachLevel) {
    const StripLayout coarse = WaveStrips(640, 480, Settings(2, 10, false), 1.0);
    EXPECT_EQ(coarse.count, 64);
    EXPECT_EQ(coarse.bandHeight, 9);
    EXPECT_EQ(coarse.strips[1].destTop, 8);
    EXPECT_EQ(coarse.strips[3].destTop, 22);
    EXPECT_EQ(coarse.strips[63].destTop, 472);

    const StripLayout fine = WaveStrips(640, 480, Settings(0, 10, false), 1.0);
    EXPECT_EQ(fine.count, 256);
    EXPECT_EQ(fine.bandHeight, 3);
    EXPECT_EQ(fine.strips[4].destTop, 8);
    EXPECT_EQ(fine.strips[12].destTop, 22);
    EXPECT_EQ(fine.strips[255].destTop, 478);
}

// The largest offset over a full period is the amplitude in pixels.
std::int32_t PeakOffset(int width, const TWaveSettings& settings) {
    std::int32_t peak = 0;
    for (int frame = 1; frame <= 40; ++frame) {
        const StripLayout layout = WaveStrips(width, 768, settings, frame);
        for (const StripCopy& strip : layout.Strips()) {
            const std::int32_t offset = settings.vertical ? strip.sourceTop - strip.destTop : strip.destLeft;
            peak = std::max(peak, offset);
        }
    }
    return peak;
}

TEST(WaveStripsTest, AmplitudeInPixelsAt1024Wide) {
    EXPECT_EQ(PeakOffset(1024, Settings(0, 35, false)), 358);
    EXPECT_EQ(PeakOffset(1024, Settings(0, 10, false)), 102);
    EXPECT_EQ(PeakOffset(1024, Settings(0, 10, true)), 51);
}

TEST(WaveStripsTest, NoOffsetForZeroAndAMirroredWaveForNegativeAmplitude) {
    const StripLayout flat = WaveStrips(640, 480, Settings(1, 0, false), 1.0);
    for (const StripCopy& strip : flat.Strips()) EXPECT_EQ(strip.destLeft, 0);
    const StripLayout up = WaveStrips(640, 480, Settings(1, 10, false), 5.0);
    const StripLayout mirrored = WaveStrips(640, 480, Settings(1, -10, false), 5.0);
    for (int i = 0; i < up.count; ++i) EXPECT_EQ(mirrored.strips[i].destLeft, -up.strips[i].destLeft);
}

TEST(WaveStripsTest, ExtremeSettingsSaturateInsteadOfOverflowing) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    for (std::int32_t amplitude : {kMax, kMin}) {
        const StripLayout layout = WaveStrips(3840, 2160, Settings(kMin, amplitude, false), 1e9);
        EXPECT_EQ(layout.count, 96);
        for (const StripCopy& strip : layout.Strips()) {
            EXPECT_GE(strip.destTop, 0);
            EXPECT_LE(strip.destTop, 2160);
        }
    }
}

}  // namespace
}  // namespace nuvo
