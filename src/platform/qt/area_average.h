// Scaling a picture to another size by area averaging, for the screenshot that
// xscreensaver hands its preview: a whole screen shown in a small window.
#pragma once

#include "ui/graphics.h"

namespace nuvo::qt {

// Fills `dest` with `source` scaled to dest's size: each destination pixel is the mean of
// the source area it covers, a partly covered source pixel weighted by the covered share,
// each channel rounded to the nearest value. A reduction so shows what a viewer of the
// whole picture sees (fine detail averages out), never a pick of single pixels.
void ScaleByAreaAverage(const TBitmap& source, TBitmap& dest);

}  // namespace nuvo::qt
