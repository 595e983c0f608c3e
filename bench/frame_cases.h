// The frames the compose benchmarks draw: screen sizes, the settings of each case and the
// strips of a few phases, shared by our compose and the QPainter peer so that both draw
// exactly the same frames.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "saver/wave_geometry.h"
#include "ui/forms.h"

namespace nuvo::bench {

struct ScreenSize {
    int width;
    int height;
    std::string Name() const { return std::to_string(width) + "x" + std::to_string(height); }
};

inline const std::vector<ScreenSize> kScreenSizes = {{1920, 1080}, {3840, 2160}};

struct FrameCase {
    ScreenSize screen;
    TWaveSettings settings;
    // "1920x1080/level0/transverse": the row name of the table, after the method.
    std::string Name() const {
        return screen.Name() + "/level" + std::to_string(settings.detailLevel) +
               (settings.vertical ? "/longitudinal" : "/transverse");
    }
};

// Every size, detail level 0, 1 and 2, both waves, the default amplitude.
std::vector<FrameCase> AllFrameCases();

// One round of the benchmark draws, with every method, one frame at each of these phases,
// spread over one period of the wave (about 18.85 frames), so that every time is an average
// over the wave's shapes.
std::vector<StripLayout> LayoutsOverOnePeriod(const FrameCase& frameCase);
inline constexpr int kFramesPerRound = 9;

// The saver's two images at one screen size: the frozen picture (a pattern with detail
// everywhere, so that no copy can be mistaken for another) and the display, with black pen
// and brush. Every method of the benchmark draws on the same two of a size, so that all of
// them meet the same memory placement and their ratios compare like with like.
struct SaverImages {
    explicit SaverImages(ScreenSize screen);
    TBitmap sourceBitmap;
    TBitmap displayBitmap;
    TCanvas source;
    TCanvas display;
};
SaverImages& ImagesOfSize(ScreenSize screen);

// Draws one frame on the display of the images it was made for.
using FrameDrawer = std::function<void(const StripLayout&)>;

// The QPainter peer over the given images.
FrameDrawer QPainterPeer(SaverImages& images);

}  // namespace nuvo::bench
