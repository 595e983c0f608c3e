// Composing one frame of the wave on the display image.
#pragma once

#include "saver/wave_geometry.h"
#include "ui/forms.h"

namespace nuvo {

// The frame the plain order gives (see ComposeFrameReference), written so that each
// display pixel is written once: the frame loop's compose, at the cost of touching every
// pixel about once. `display` and `source` are the two images of the saver.
void ComposeFrame(TCanvas& display, const TCanvas& source, const StripLayout& layout);

// The plain order: Rectangle(0, 0, width, height) on the display in its pen and brush,
// then every strip in ascending order copied from the source, each band as wide as the
// display; later strips overwrite the rows they share with earlier ones. The yardstick
// of the equivalence test and of the benchmark.
void ComposeFrameReference(TCanvas& display, const TCanvas& source, const StripLayout& layout);

}  // namespace nuvo
