// The frames the saver should show of a frozen picture, composed by the program's own strip
// geometry and compose on bitmaps of the test's: the real desktops' suites find which phase
// a screen they read shows.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "saver/compose.h"
#include "saver/wave_geometry.h"
#include "settings/wave_settings.h"
#include "ui/forms.h"

namespace nuvo::test_support {

// Pixels 0x00RRGGBB, rows top-down, of any picture type with these three members (each
// suite has its own); it takes them implicitly, so a suite passes its pictures as they are.
struct PictureView {
    template <class Picture>
    PictureView(const Picture& picture)
        : width(picture.width), height(picture.height), pixels(picture.pixels) {}

    int width;
    int height;
    std::span<const std::uint32_t> pixels;
};

class ExpectedFrames {
public:
    ExpectedFrames(PictureView frozen, const TWaveSettings& settings);

    // The first phase from `from` up to `to` whose frame the screen shows, or nothing; a
    // screen of another size than the frozen picture shows none.
    std::optional<int> PhaseShown(PictureView screen, int from, int to);

private:
    TWaveSettings settings_;
    TBitmap source_;
    TBitmap display_;
    TCanvas sourceCanvas_;
    TCanvas displayCanvas_;
    FrameComposer composer_{clBlack};
};

}  // namespace nuvo::test_support
