#include "saver/compose.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <optional>
#include <vector>

namespace nuvo {

void FrameComposer::Compose(TCanvas& display, const TCanvas& source, const StripLayout& layout) {
    TBitmap& to = display.Bitmap();
    const TBitmap& from = source.Bitmap();
    const int width = to.Width();
    const int height = to.Height();
    // The saver composes from a source as wide as the display into another bitmap; anything
    // else takes the plain order, which is exact by definition.
    if (from.Width() < width || &to == &from) {
        TCanvas clearing(to);
        clearing.Pen.Color = clearColour_;
        clearing.Brush.Color = clearColour_;
        ComposeFrameReference(clearing, source, layout);
        return;
    }

    // Why this is the plain order's frame: there, a pixel ends as the last strip covering it
    // wrote it, or in the clear colour when no strip covers it. So each row asks the strips
    // that cover it from the last to the first, and each writes only the columns no later
    // strip has taken. A band is as wide as the display, shifted by its left and cut at the
    // edges, so its columns start at 0 or end at the width: what is still open in a row is
    // always one run [left, right), the pieces taken from the left edge lie before it in the
    // order they are found, those from the right edge after it in the reverse order. The row
    // is then written once, left to right: its left pieces, the run in the clear colour, its
    // right pieces. Rows go top to bottom, so the display is written as a memcpy writes it.

    // The bands as they land, cut to both images; a strip that lands nowhere drops out.
    bands_.clear();
    for (const StripCopy& strip : layout.Strips()) {
        if (const std::optional<ClippedCopy> band = ClipCopy(to, from, strip.destLeft, strip.destTop, width,
                                                             layout.bandHeight, 0, strip.sourceTop)) {
            bands_.push_back(*band);
        }
    }

    // For every row, the bands covering it, the last strip first: covering_[rowStart_[y]] up to
    // covering_[rowStart_[y + 1]] (a bucket sort by row).
    rowStart_.assign(static_cast<std::size_t>(height) + 1, 0);
    for (const ClippedCopy& band : bands_) {
        for (int y = band.destY; y < band.destY + band.height; ++y) ++rowStart_[static_cast<std::size_t>(y) + 1];
    }
    std::partial_sum(rowStart_.begin(), rowStart_.end(), rowStart_.begin());
    covering_.resize(static_cast<std::size_t>(rowStart_.back()));
    nextOfRow_.assign(rowStart_.begin(), rowStart_.end() - 1);
    for (auto band = bands_.rbegin(); band != bands_.rend(); ++band) {
        for (int y = band->destY; y < band->destY + band->height; ++y) {
            covering_[static_cast<std::size_t>(nextOfRow_[static_cast<std::size_t>(y)]++)] = &*band;
        }
    }

    struct Piece {
        int left;
        int right;
        const std::uint32_t* from;
    };
    // A row meets each band at most once, so kMaxStrips pieces are enough.
    std::array<Piece, kMaxStrips> fromLeftEdge;
    std::array<Piece, kMaxStrips> fromRightEdge;
    const auto copy = [](std::uint32_t* row, const Piece& piece) {
        std::memcpy(row + piece.left, piece.from,
                    static_cast<std::size_t>(piece.right - piece.left) * sizeof(std::uint32_t));
    };
    for (int y = 0; y < height; ++y) {
        int left = 0;
        int right = width;
        int leftCount = 0;
        int rightCount = 0;
        for (int k = rowStart_[static_cast<std::size_t>(y)]; k < rowStart_[static_cast<std::size_t>(y) + 1] && left < right;
             ++k) {
            const ClippedCopy& band = *covering_[static_cast<std::size_t>(k)];
            const int first = std::max(band.destX, left);
            const int last = std::min(band.destX + band.width, right);
            if (first >= last) continue;  // all it covers here is taken
            const Piece piece{first, last, from.Row(band.sourceY + y - band.destY) + band.sourceX + (first - band.destX)};
            if (band.destX == 0) {
                fromLeftEdge[static_cast<std::size_t>(leftCount++)] = piece;
                left = last;
            } else {  // it ends at the width
                fromRightEdge[static_cast<std::size_t>(rightCount++)] = piece;
                right = first;
            }
        }
        std::uint32_t* row = to.Row(y);
        for (int k = 0; k < leftCount; ++k) copy(row, fromLeftEdge[static_cast<std::size_t>(k)]);
        if (left < right) std::fill(row + left, row + right, clearColour_);
        for (int k = rightCount - 1; k >= 0; --k) copy(row, fromRightEdge[static_cast<std::size_t>(k)]);
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
