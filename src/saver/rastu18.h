// The full-screen saver window: freezes the screen, animates it frame by frame in the
// application's idle time and closes on input.
#pragma once

#include <cstdint>

#include "saver/compose.h"
#include "settings/wave_settings.h"
#include "ui/forms.h"

namespace nuvo {

// The saver's state for one run of the program, zero when the program starts.
struct SaverUnitState {
    bool firstMoveSeen = false;
    bool secondMoveSeen = false;
    TWaveSettings settings{};
    double phase = 0.0;
    std::uint32_t lastFrameEnd = 0;  // tick count when the previous frame was finished
};

// Waits until more than 505 - speed milliseconds have passed since lastFrameEnd, the
// difference taken modulo 2^32, or until an event arrives; a period below 1 does not wait.
void WaitForFramePeriod(PlatformPort& port, std::uint32_t lastFrameEnd, std::int32_t speed);

class TMorlaptFMI : public TForm {
public:
    TMorlaptFMI(TApplication& application, SaverUnitState& unit);

    TImage& Image1;  // the display image: what the user sees; each frame is composed here
    TImage& Image2;  // the source image, never shown: the frozen picture of the screen

    void FormCreate();
    void FormMouseMove(TShiftState shift, int x, int y);
    void FormMouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void FormKeyDown(TKeyCode& key, TShiftState shift);
    void FormClose(TCloseAction& action);
    // The idle handler: draws one frame, then dispatches what input has arrived.
    void Effect(bool& done);

private:
    SaverUnitState& unit_;
    FrameComposer composer_;  // clears what no strip covers in the display's black
};

}  // namespace nuvo
