// Where each horizontal strip of the frozen picture goes in one frame of the wave.
// Pure arithmetic: the frame loop, the tests and the benchmarks share this one definition.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "settings/wave_settings.h"

namespace nuvo {

struct DetailRow {
    int stripCount;  // N
    double divisor;  // D; N / D is 32/3 on every row, so the screen spans the same wave
};

// Levels 0 (fine), 1 (standard) and 2 (coarse); any other level uses the standard row,
// the default level, so a hand-edited file or an unselected dialog item still animates.
DetailRow DetailRowForLevel(std::int32_t detailLevel);

inline constexpr int kMaxStrips = 256;

// One band copy, as wide as the display image: source rows from sourceTop go to
// (destLeft, destTop). The source left is always 0.
struct StripCopy {
    int sourceTop;
    int destLeft;
    int destTop;
    friend bool operator==(const StripCopy&, const StripCopy&) = default;
};

struct StripLayout {
    int bandHeight = 0;  // the same for every strip: one row more than the pitch, so no gap opens
    int count = 0;
    std::array<StripCopy, kMaxStrips> strips{};

    std::span<const StripCopy> Strips() const& { return {strips.data(), static_cast<std::size_t>(count)}; }
    // A view into a temporary layout would dangle, as in `for (s : WaveStrips(...).Strips())`.
    std::span<const StripCopy> Strips() const&& = delete;
};

// Rounds to the nearest integer, halves to the even neighbour (7.5 -> 8, 22.5 -> 22),
// saturating to the 32-bit range; NaN gives 0.
std::int32_t RoundHalfEven(double value);

// The strips of the frame at `phase` for a screen of screenWidth x screenHeight.
StripLayout WaveStrips(int screenWidth, int screenHeight, const TWaveSettings& settings,
                       double phase);

}  // namespace nuvo
