#include "saver/compose.h"

namespace nuvo {

void ComposeFrame(TCanvas& display, const TCanvas& source, const StripLayout& layout) {
    const int width = display.Bitmap().Width();
    display.Rectangle(0, 0, width, display.Bitmap().Height());
    for (const StripCopy& strip : layout.Strips()) {
        display.CopyFrom(source, strip.destLeft, strip.destTop, width, layout.bandHeight, 0,
                         strip.sourceTop);
    }
}

}  // namespace nuvo
