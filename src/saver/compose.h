// Composing one frame of the wave on the display image.
#pragma once

#include <vector>

#include "saver/wave_geometry.h"
#include "ui/forms.h"

namespace nuvo {

// The frame loop's compose: the frame the plain order gives (see ComposeFrameReference)
// with pen and brush in the clear colour, written so that each display pixel is written
// once. It keeps its working lists from frame to frame, so that the running frame loop
// allocates nothing; the saver owns one for its run.
class FrameComposer {
public:
    explicit FrameComposer(TColor clearColour) : clearColour_(clearColour) {}

    TColor ClearColour() const { return clearColour_; }

    // Composes the frame of `layout` from `source` (the frozen picture) on `display`.
    void Compose(TCanvas& display, const TCanvas& source, const StripLayout& layout);

private:
    TColor clearColour_;
    std::vector<ClippedCopy> bands_;               // the strips as they land, cut to both images
    std::vector<int> rowStart_;                    // per row, where its bands start in covering_
    std::vector<const ClippedCopy*> covering_;     // per row, the bands covering it, last first
    std::vector<int> nextOfRow_;
};

// The plain order: Rectangle(0, 0, width, height) on the display in its pen and brush,
// then every strip in ascending order copied from the source, each band as wide as the
// display; later strips overwrite the rows they share with earlier ones. The yardstick
// of the equivalence test and of the benchmark.
void ComposeFrameReference(TCanvas& display, const TCanvas& source, const StripLayout& layout);

}  // namespace nuvo
