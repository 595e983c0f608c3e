// The known picture the fixture shows full screen before the saver starts. Every pixel
// differs from its neighbours and none is black, so a shifted or uncovered band shows.
#pragma once

#include <cstdint>

namespace nuvo::wine_test {

inline std::uint32_t TestPicturePixel(int x, int y) {
    const auto red = static_cast<std::uint32_t>(x & 0xFF);
    const auto green = static_cast<std::uint32_t>(y & 0xFF);
    const auto blue = static_cast<std::uint32_t>(0x80 | ((x >> 8) << 4) | ((y >> 8) & 0x0F));
    return red << 16 | green << 8 | blue;
}

}  // namespace nuvo::wine_test
