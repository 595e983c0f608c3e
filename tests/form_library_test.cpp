// The drawing surface of the form library.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "ui/forms.h"

namespace nuvo {
namespace {

TBitmap Filled(int width, int height, std::uint32_t base) {
    TBitmap bitmap(width, height, AllocateHeapBitmapMemory(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bitmap.Row(y)[x] = base + static_cast<std::uint32_t>(y * width + x);
    return bitmap;
}

TEST(CanvasTest, RectangleDrawsAPenOutlineAroundABrushInside) {
    TBitmap bitmap = Filled(6, 5, 0x100);
    TCanvas canvas(bitmap);
    canvas.Pen.Color = 0xAA;
    canvas.Brush.Color = 0xBB;
    canvas.Rectangle(1, 1, 5, 4);
    const std::uint32_t expected[5][6] = {
        {0x100, 0x101, 0x102, 0x103, 0x104, 0x105},
        {0x106, 0xAA, 0xAA, 0xAA, 0xAA, 0x10B},
        {0x10C, 0xAA, 0xBB, 0xBB, 0xAA, 0x111},
        {0x112, 0xAA, 0xAA, 0xAA, 0xAA, 0x117},
        {0x118, 0x119, 0x11A, 0x11B, 0x11C, 0x11D},
    };
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(bitmap.Pixel(x, y), expected[y][x]) << x << "," << y;
}

// Outlines cut by the bitmap's edges stay cut: only the edges inside the bitmap are drawn.
TEST(CanvasTest, RectanglesReachingPastTheBitmapAreClipped) {
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    const struct {
        int x1, y1, x2, y2;
    } cases[] = {{-2, -1, 3, 2},  {4, 3, 9, 8},       {-5, 1, 11, 3},     {2, -4, 3, 12}, {5, 4, 1, 1},
                 {0, 0, 6, 5},    {kMin, kMin, kMax, kMax}, {kMin, 0, kMin, 5}, {3, 3, 3, 3},  {0, 0, 1, 1}};
    for (const auto& c : cases) {
        TBitmap bitmap = Filled(6, 5, 0x100);
        TCanvas canvas(bitmap);
        canvas.Pen.Color = 0xAA;
        canvas.Brush.Color = 0xBB;
        canvas.Rectangle(c.x1, c.y1, c.x2, c.y2);
        const long long x1 = std::min(c.x1, c.x2), x2 = std::max(c.x1, c.x2);
        const long long y1 = std::min(c.y1, c.y2), y2 = std::max(c.y1, c.y2);
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 6; ++x) {
                const bool inside = x >= x1 && x < x2 && y >= y1 && y < y2;
                const bool edge = x == x1 || x == x2 - 1 || y == y1 || y == y2 - 1;
                const std::uint32_t want = !inside ? 0x100u + y * 6 + x : edge ? 0xAAu : 0xBBu;
                EXPECT_EQ(bitmap.Pixel(x, y), want)
                    << "(" << c.x1 << "," << c.y1 << ")-(" << c.x2 << "," << c.y2 << ") at " << x << "," << y;
            }
        }
    }
}

TEST(CanvasTest, BandCopiesAreClippedToBothBitmaps) {
    constexpr int kMax = std::numeric_limits<int>::max();
    constexpr int kMin = std::numeric_limits<int>::min();
    const struct {
        const char* name;
        int destX, destY, width, height, sourceX, sourceY;
    } cases[] = {
        {"inside", 1, 1, 3, 2, 0, 0},        {"left of dest", -2, 0, 5, 4, 0, 0},
        {"right of dest", 3, 0, 5, 4, 0, 0}, {"above source", 0, 0, 5, 4, 0, -2},
        {"below source", 0, 0, 5, 4, 0, 3},  {"far away", kMax, kMax, kMax, kMax, kMin, kMin},
        {"negative size", 0, 0, -3, 4, 0, 0}, {"huge offsets", kMin, 0, kMax, 4, 0, kMax},
    };
    TBitmap source = Filled(5, 4, 0x1000);
    for (const auto& c : cases) {
        TBitmap dest = Filled(5, 4, 0);
        TCanvas canvas(dest);
        canvas.CopyFrom(TCanvas(source), c.destX, c.destY, c.width, c.height, c.sourceX,
                        c.sourceY);
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 5; ++x) {
                const long long sx = static_cast<long long>(x) - c.destX + c.sourceX;
                const long long sy = static_cast<long long>(y) - c.destY + c.sourceY;
                const bool copied = x >= c.destX && y >= c.destY && x - static_cast<long long>(c.destX) < c.width &&
                                    y - static_cast<long long>(c.destY) < c.height && sx >= 0 && sx < 5 && sy >= 0 &&
                                    sy < 4;
                const std::uint32_t want = copied ? source.Pixel(static_cast<int>(sx), static_cast<int>(sy))
                                                  : static_cast<std::uint32_t>(y * 5 + x);
                EXPECT_EQ(dest.Pixel(x, y), want) << c.name << " at " << x << "," << y;
            }
        }
    }
}

}  // namespace
}  // namespace nuvo
