// Scaling the daemon's screenshot to the window: every destination pixel is the mean of
// the source area it covers.
#include <gtest/gtest.h>

#include <vector>

#include "platform/qt/area_average.h"

namespace nuvo::qt {
namespace {

TBitmap Bitmap(int width, int height, const std::vector<std::uint32_t>& pixels) {
    TBitmap bitmap(width, height, AllocateHeapBitmapMemory(width, height));
    for (std::size_t i = 0; i < pixels.size(); ++i) bitmap.Pixels()[i] = pixels[i];
    return bitmap;
}

std::vector<std::uint32_t> Pixels(const TBitmap& bitmap) {
    return {bitmap.Pixels(), bitmap.Pixels() + static_cast<std::size_t>(bitmap.Width()) * bitmap.Height()};
}

struct ScaleCase {
    const char* name;
    int sourceWidth, sourceHeight;
    std::vector<std::uint32_t> source;
    int destWidth, destHeight;
    std::vector<std::uint32_t> expected;
};

class AreaAverage : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(AreaAverage, EachPixelIsTheMeanOfTheAreaItCovers) {
    const ScaleCase& c = GetParam();
    const TBitmap source = Bitmap(c.sourceWidth, c.sourceHeight, c.source);
    TBitmap dest(c.destWidth, c.destHeight, AllocateHeapBitmapMemory(c.destWidth, c.destHeight));
    ScaleByAreaAverage(source, dest);
    EXPECT_EQ(Pixels(dest), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Qt, AreaAverage,
    ::testing::Values(
        ScaleCase{"SameSizeIsACopy", 2, 2, {0x010203, 0xFFFFFF, 0x000000, 0x7F8081}, 2, 2,
                  {0x010203, 0xFFFFFF, 0x000000, 0x7F8081}},
        // Each channel on its own, halves rounded up: (0x10 + 0x20 + 0x30 + 0x42) / 4 = 40.5.
        ScaleCase{"HalfEachWay", 4, 2,
                  {0x100000, 0x200000, 0x0000FF, 0x0000FF,
                   0x300000, 0x420000, 0x00FF00, 0x000000}, 2, 1,
                  {0x290000, 0x004080}},
        // Three columns on two: the middle one counts half for each side.
        ScaleCase{"ThreeOnTwo", 3, 1, {0x000000, 0x0000FF, 0x000030}, 2, 1, {0x000055, 0x000075}},
        ScaleCase{"CheckerboardBecomesGrey", 4, 4,
                  {0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 0, 0xFFFFFF,
                   0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 0, 0xFFFFFF}, 2, 2,
                  {0x808080, 0x808080, 0x808080, 0x808080}},
        ScaleCase{"EnlargingRepeats", 1, 1, {0x123456}, 3, 2,
                  {0x123456, 0x123456, 0x123456, 0x123456, 0x123456, 0x123456}},
        // Two rows on three: the middle row is half of each.
        ScaleCase{"TwoRowsOnThree", 1, 2, {0x000000, 0xFEFEFE}, 1, 3, {0x000000, 0x7F7F7F, 0xFEFEFE}},
        ScaleCase{"NothingToScaleIsBlack", 0, 0, {}, 2, 1, {0x000000, 0x000000}}),
    [](const auto& row) { return std::string(row.param.name); });

// A full screen on the preview's size: the mean colour of a large area is kept, the
// outermost pixels still come from the edges.
TEST(AreaAverage, ScreenOnPreviewKeepsColoursAndEdges) {
    const int width = 1920, height = 1080;
    TBitmap screen(width, height, AllocateHeapBitmapMemory(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) screen.Row(y)[x] = x < width / 2 ? 0xFF0000 : 0x0000FF;
    screen.Row(0)[0] = 0xFFFFFF;
    TBitmap preview(725, 407, AllocateHeapBitmapMemory(725, 407));
    ScaleByAreaAverage(screen, preview);
    EXPECT_EQ(preview.Pixel(100, 200), 0xFF0000u);
    EXPECT_EQ(preview.Pixel(600, 200), 0x0000FFu);
    EXPECT_EQ(preview.Pixel(724, 406), 0x0000FFu);
    // 1920/725 x 1080/407 source pixels each: the white corner pixel is a seventh of it.
    EXPECT_EQ(preview.Pixel(0, 0), 0xFF2424u);
}

}  // namespace
}  // namespace nuvo::qt
