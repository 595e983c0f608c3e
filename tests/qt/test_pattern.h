// The picture the tests show before the saver starts. Every row differs from the rows
// next to it and every column from its neighbours, so a strip one pixel out of place
// changes the frame.
#pragma once

#include <cstdint>

namespace nuvo::qt_test {

constexpr std::uint32_t PatternPixel(int x, int y) {
    const auto red = static_cast<std::uint32_t>((x + 3 * y) & 0xFF);
    const auto green = static_cast<std::uint32_t>((5 * y + x / 3) & 0xFF);
    const auto blue = static_cast<std::uint32_t>((x ^ y) & 0xFF);
    return (red << 16) | (green << 8) | blue;
}

}  // namespace nuvo::qt_test
