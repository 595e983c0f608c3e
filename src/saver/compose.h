// Composing one frame of the wave on the display image.
#pragma once

#include "saver/wave_geometry.h"
#include "ui/forms.h"

namespace nuvo {

// Clears the display with Rectangle(0, 0, width, height) in its pen and brush, then
// copies every strip in ascending order from the source, each band as wide as the
// display; later strips overwrite the rows they share with earlier ones.
void ComposeFrame(TCanvas& display, const TCanvas& source, const StripLayout& layout);

}  // namespace nuvo
