#include "saver/compose.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace nuvo {

void ComposeFrame(TCanvas& display, const TCanvas& source, const StripLayout& layout) {
    TBitmap& to = display.Bitmap();
    const TBitmap& from = source.Bitmap();
    const int width = to.Width();
    const int height = to.Height();
    // The saver clears with pen and brush alike, from a source as wide as the display into
    // another bitmap; anything else takes the plain order, which is exact by definition.
    if (display.Pen.Color != display.Brush.Color || from.Width() < width || &to == &from) {
        ComposeFrameReference(display, source, layout);
        return;
    }

    // Why this is the plain order's frame: there, a pixel ends as the last strip covering
    // it wrote it, or in the clear colour when no strip covers it. So walk the strips from
    // the last to the first and write in each row only the columns no later strip has
    // written, then fill what is still open. A band is as wide as the display, shifted by
    // its left and cut at the edges, so its columns start at 0 or end at the width: the
    // columns written so far in a row are [0, open.left) and [open.right, width), and what
    // is open stays the one run [open.left, open.right). A row a later strip has covered
    // entirely is skipped.
    struct OpenRun {
        int left;
        int right;
    };
    std::vector<OpenRun> open(static_cast<std::size_t>(height), OpenRun{0, width});
    const std::span<const StripCopy> strips = layout.Strips();
    for (auto strip = strips.rbegin(); strip != strips.rend(); ++strip) {
        const std::optional<ClippedCopy> band = ClipCopy(to, from, strip->destLeft, strip->destTop, width,
                                                         layout.bandHeight, 0, strip->sourceTop);
        if (!band) continue;
        const int bandLeft = band->destX;
        const int bandRight = band->destX + band->width;
        const int sourceShift = band->sourceX - band->destX;
        for (int row = 0; row < band->height; ++row) {
            OpenRun& run = open[static_cast<std::size_t>(band->destY + row)];
            const int first = std::max(bandLeft, run.left);
            const int last = std::min(bandRight, run.right);
            if (first < last) {
                std::memcpy(to.Row(band->destY + row) + first,
                            from.Row(band->sourceY + row) + first + sourceShift,
                            static_cast<std::size_t>(last - first) * sizeof(std::uint32_t));
            }
            if (bandLeft == 0) run.left = std::max(run.left, bandRight);
            if (bandRight == width) run.right = std::min(run.right, bandLeft);
        }
    }
    for (int y = 0; y < height; ++y) {
        const OpenRun run = open[static_cast<std::size_t>(y)];
        if (run.left < run.right) std::fill(to.Row(y) + run.left, to.Row(y) + run.right, display.Brush.Color);
    }
}

void ComposeFrameReference(TCanvas& display, const TCanvas& source, const StripLayout& layout) {
    const int width = display.Bitmap().Width();
    display.Rectangle(0, 0, width, display.Bitmap().Height());
    for (const StripCopy& strip : layout.Strips()) {
        display.CopyFrom(source, strip.destLeft, strip.destTop, width, layout.bandHeight, 0,
                         strip.sourceTop);
    }
}

}  // namespace nuvo
