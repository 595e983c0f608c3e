// The frames the saver should show, composed with the program's own geometry and
// composition, for finding the phase of a frame seen on the screen; and the settings file
// that asks for them.
#pragma once

#include <cstring>
#include <string>

#include "saver/compose.h"
#include "saver/wave_geometry.h"
#include "settings/wave_settings.h"
#include "x_session.h"

namespace nuvo::qt_test {

// The settings file that asks for these settings.
inline std::string SettingsText(const TWaveSettings& settings) {
    return "[nuvo_k48]\r\nKomakasa=" + std::to_string(settings.detailLevel) +
           "\r\nSpeed=" + std::to_string(settings.speed) +
           "\r\nAmp=" + std::to_string(settings.amplitude) +
           "\r\nTate=" + (settings.vertical ? "1" : "0") + "\r\n";
}

class FrameMatcher {
public:
    FrameMatcher(const Picture& frozen, const TWaveSettings& settings)
        : settings_(settings),
          source_(frozen.width, frozen.height, AllocateHeapBitmapMemory(frozen.width, frozen.height)),
          display_(frozen.width, frozen.height, AllocateHeapBitmapMemory(frozen.width, frozen.height)),
          sourceCanvas_(source_),
          displayCanvas_(display_) {
        std::memcpy(source_.Pixels(), frozen.pixels.data(), frozen.pixels.size() * 4);
        displayCanvas_.Pen.Color = clBlack;
        displayCanvas_.Brush.Color = clBlack;
    }

    // The first phase after `after` (up to `limit`) whose frame equals the screen, or 0.
    int PhaseOf(const Picture& screen, int after, int limit) {
        if (screen.width != display_.Width() || screen.height != display_.Height()) return 0;
        for (int phase = after + 1; phase <= limit; ++phase) {
            const StripLayout layout = WaveStrips(display_.Width(), display_.Height(), settings_,
                                                  static_cast<double>(phase));
            composer_.Compose(displayCanvas_, sourceCanvas_, layout);
            if (std::memcmp(display_.Pixels(), screen.pixels.data(), screen.pixels.size() * 4) == 0) {
                return phase;
            }
        }
        return 0;
    }

private:
    TWaveSettings settings_;
    TBitmap source_;
    TBitmap display_;
    TCanvas sourceCanvas_;
    TCanvas displayCanvas_;
    FrameComposer composer_{clBlack};
};

}  // namespace nuvo::qt_test
