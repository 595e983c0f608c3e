#include "support/expected_frames.h"

#include <algorithm>

namespace nuvo::test_support {

ExpectedFrames::ExpectedFrames(PictureView frozen, const TWaveSettings& settings)
    : settings_(settings),
      source_(frozen.width, frozen.height, AllocateHeapBitmapMemory(frozen.width, frozen.height)),
      display_(frozen.width, frozen.height, AllocateHeapBitmapMemory(frozen.width, frozen.height)),
      sourceCanvas_(source_),
      displayCanvas_(display_) {
    std::copy(frozen.pixels.begin(), frozen.pixels.end(), source_.Pixels());
}

std::optional<int> ExpectedFrames::PhaseShown(PictureView screen, int from, int to) {
    if (screen.width != display_.Width() || screen.height != display_.Height()) return std::nullopt;
    for (int phase = from; phase <= to; ++phase) {
        composer_.Compose(displayCanvas_, sourceCanvas_,
                          WaveStrips(display_.Width(), display_.Height(), settings_, static_cast<double>(phase)));
        if (std::equal(screen.pixels.begin(), screen.pixels.end(), display_.Pixels())) return phase;
    }
    return std::nullopt;
}

}  // namespace nuvo::test_support
