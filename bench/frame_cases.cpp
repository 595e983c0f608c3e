// The frame cases and the saver's images of the benchmarks, shared by the compose and the
// present benchmarks.
#include <cstdint>
#include <map>
#include <memory>
#include <utility>

#include "frame_cases.h"

namespace nuvo::bench {

std::vector<FrameCase> AllFrameCases() {
    std::vector<FrameCase> cases;
    for (const ScreenSize& screen : kScreenSizes) {
        for (int level : {0, 1, 2}) {
            for (bool vertical : {false, true}) {
                TWaveSettings settings;
                settings.detailLevel = level;
                settings.vertical = vertical;
                cases.push_back({screen, settings});
            }
        }
    }
    return cases;
}

std::vector<StripLayout> LayoutsOverOnePeriod(const FrameCase& frameCase) {
    std::vector<StripLayout> layouts;
    for (int frame = 0; frame < kFramesPerRound; ++frame) {
        layouts.push_back(WaveStrips(frameCase.screen.width, frameCase.screen.height, frameCase.settings,
                                     1.0 + 2.0 * frame));
    }
    return layouts;
}

SaverImages::SaverImages(ScreenSize screen)
    : sourceBitmap(screen.width, screen.height, AllocateHeapBitmapMemory(screen.width, screen.height)),
      displayBitmap(screen.width, screen.height, AllocateHeapBitmapMemory(screen.width, screen.height)),
      source(sourceBitmap),
      display(displayBitmap) {
    for (int y = 0; y < screen.height; ++y) {
        for (int x = 0; x < screen.width; ++x) {
            sourceBitmap.Row(y)[x] =
                ((static_cast<std::uint32_t>(x) * 2654435761u) ^ (static_cast<std::uint32_t>(y) * 40503u)) & 0xFFFFFF;
        }
    }
    display.Pen.Color = clBlack;
    display.Brush.Color = clBlack;
}

SaverImages& ImagesOfSize(ScreenSize screen) {
    static std::map<std::pair<int, int>, std::unique_ptr<SaverImages>> images;
    std::unique_ptr<SaverImages>& found = images[{screen.width, screen.height}];
    if (!found) found = std::make_unique<SaverImages>(screen);
    return *found;
}

}  // namespace nuvo::bench
