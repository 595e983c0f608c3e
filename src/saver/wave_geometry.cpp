#include "saver/wave_geometry.h"

#include <cmath>
#include <limits>

namespace nuvo {

DetailRow DetailRowForLevel(std::int32_t detailLevel) {
    switch (detailLevel) {
        case 0: return {256, 24.0};
        case 2: return {64, 6.0};
        default: return {96, 9.0};
    }
}

std::int32_t RoundHalfEven(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    if (value <= kMin) return std::numeric_limits<std::int32_t>::min();
    if (value >= kMax) return std::numeric_limits<std::int32_t>::max();
    double rounded = std::floor(value);
    const double fraction = value - rounded;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(rounded, 2.0) != 0.0)) rounded += 1.0;
    return static_cast<std::int32_t>(rounded);
}

namespace {

std::int32_t SaturatingAdd(std::int32_t a, std::int32_t b) {
    const std::int64_t sum = std::int64_t{a} + b;
    if (sum > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (sum < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(sum);
}

}  // namespace

StripLayout WaveStrips(int screenWidth, int screenHeight, const TWaveSettings& settings,
                       double phase) {
    const DetailRow row = DetailRowForLevel(settings.detailLevel);
    const double pitch = static_cast<double>(screenHeight) / row.stripCount;

    // The longitudinal wave takes its amplitude from the width alone. The product of the
    // width and the percentage is exact in 64 bits, whatever the file holds.
    const std::int32_t amplitude =
        settings.vertical
            ? RoundHalfEven(screenWidth * 0.05)
            : RoundHalfEven(static_cast<double>(std::int64_t{screenWidth} * settings.amplitude) * 0.01);

    StripLayout layout;
    layout.bandHeight = SaturatingAdd(RoundHalfEven(pitch), 1);
    layout.count = row.stripCount;
    for (int i = 0; i < row.stripCount; ++i) {
        const double theta = phase * (1.0 / 3.0) + i / row.divisor;
        const std::int32_t offset = RoundHalfEven(amplitude * std::sin(theta));
        const std::int32_t y = RoundHalfEven(pitch * i);
        layout.strips[static_cast<std::size_t>(i)] =
            settings.vertical ? StripCopy{SaturatingAdd(y, offset), 0, y} : StripCopy{y, offset, y};
    }
    return layout;
}

}  // namespace nuvo
