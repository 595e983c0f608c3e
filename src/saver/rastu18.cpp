#include "saver/rastu18.h"

#include "forms/form_designs.h"
#include "saver/compose.h"
#include "saver/wave_geometry.h"

namespace nuvo {

void WaitForFramePeriod(PlatformPort& port, std::uint32_t lastFrameEnd, std::int32_t speed) {
    const std::int64_t period = 505 - std::int64_t{speed};
    if (period < 1) return;
    for (;;) {
        const std::uint32_t now = port.TickCount();
        const std::uint32_t elapsed = now - lastFrameEnd;
        if (elapsed > period) return;
        // One sleep to the first tick past the period. Input (or a close request) ends it
        // early: the frame is drawn at once and the input handled after it, so a key ends
        // the saver within one frame's drawing however long the period is.
        if (port.WaitForTickOrEvent(now, static_cast<std::uint32_t>(period - elapsed + 1))) return;
    }
}

TMorlaptFMI::TMorlaptFMI(TApplication& application, SaverUnitState& unit)
    : TForm(application, MorlaptFMIDesign()),
      Image1(Component<TImage>("Image1")),
      Image2(Component<TImage>("Image2")),
      unit_(unit),
      composer_(clBlack) {
    OnCreate = [this] { FormCreate(); };
    OnMouseMove = [this](TShiftState shift, int x, int y) { FormMouseMove(shift, x, y); };
    OnMouseDown = [this](TMouseButton button, TShiftState shift, int x, int y) {
        FormMouseDown(button, shift, x, y);
    };
    OnKeyDown = [this](TKeyCode& key, TShiftState shift) { FormKeyDown(key, shift); };
    OnClose = [this](TCloseAction& action) { FormClose(action); };
}

void TMorlaptFMI::FormCreate() {
    PlatformPort& port = Application().Port();
    while (port.ShowCursor(false) >= 0) {
    }
    Application().OnIdle = [this](bool& done) { Effect(done); };

    const int width = port.ScreenWidth();
    const int height = port.ScreenHeight();
    SetBounds(0, 0, width, height);
    Image1.SetWidth(width);
    Image1.SetHeight(height);
    Image2.SetWidth(width);
    Image2.SetHeight(height);

    // Freeze the screen before the window is shown: read it once into the display image
    // and copy that into the source image, which keeps the frozen picture for the run.
    TCanvas& display = Image1.Canvas();
    port.CaptureScreen(display.Bitmap());
    Image2.Canvas().CopyFrom(display, 0, 0, width, height, 0, 0);

    // The display starts black, the colour the frames clear to.
    display.Pen.Color = composer_.ClearColour();
    display.Brush.Color = composer_.ClearColour();
    display.Rectangle(0, 0, width, height);

    unit_.settings = ReadWaveSettings(port);
}

void TMorlaptFMI::FormMouseMove(TShiftState, int, int) {
    if (!unit_.firstMoveSeen) {
        unit_.firstMoveSeen = true;
    } else if (!unit_.secondMoveSeen) {
        unit_.secondMoveSeen = true;
    } else {
        Close();
    }
}

void TMorlaptFMI::FormMouseDown(TMouseButton, TShiftState, int, int) { Close(); }

void TMorlaptFMI::FormKeyDown(TKeyCode&, TShiftState) { Close(); }

void TMorlaptFMI::FormClose(TCloseAction&) { Application().Port().ShowCursor(true); }

void TMorlaptFMI::Effect(bool& done) {
    PlatformPort& port = Application().Port();
    WaitForFramePeriod(port, unit_.lastFrameEnd, unit_.settings.speed);
    unit_.phase += 1.0;

    const StripLayout layout =
        WaveStrips(port.ScreenWidth(), port.ScreenHeight(), unit_.settings, unit_.phase);
    // From the frozen picture onto the display image, which is then shown.
    composer_.Compose(Image1.Canvas(), Image2.Canvas(), layout);
    Image1.Refresh();
    unit_.lastFrameEnd = port.TickCount();

    Application().ProcessMessages();
    done = false;
}

}  // namespace nuvo
