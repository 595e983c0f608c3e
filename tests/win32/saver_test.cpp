// The saver on Wine: the frozen picture animated pixel for pixel as the strip geometry
// composes it, and the input that ends it or does not.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "settings/wave_settings.h"
#include "support/expected_frames.h"
#include "support/settings_text.h"
#include "wine_desktop.h"

namespace nuvo::wine_test {
namespace {

using test_support::ExpectedFrames;
using test_support::SettingsText;

// The saver starts over the test picture, as it starts over a desktop.
class OverThePicture : public ::testing::Test {
public:
    static void SetUpTestSuite() { picture_ = std::make_unique<PictureOnScreen>(); }
    static void TearDownTestSuite() { picture_.reset(); }
    static bool PictureShown() { return picture_ && picture_->Shown(); }

private:
    static inline std::unique_ptr<PictureOnScreen> picture_;
};

struct FrameCase {
    const char* name;
    TWaveSettings settings;
};

class SaverFrames : public OverThePicture, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(SaverFrames, ShowTheFrozenPictureAsComposedWaveFrames) {
    ASSERT_TRUE(PictureShown());
    const TWaveSettings settings = GetParam().settings;
    WriteSettingsFile(SettingsText(settings));

    Process saver = StartSaverProgram("/s");
    ASSERT_NE(WaitForVisibleWindow(L"TMorlaptFMI"), nullptr);
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    ExpectedFrames frames(TestPicture(width, height), settings);

    // Every grab shows one whole frame; the phases it shows only grow, and do grow.
    constexpr int kLastPhase = 400;
    std::optional<int> phase;
    ASSERT_TRUE(WaitUntil([&] { return (phase = frames.PhaseShown(GrabScreen(), 1, kLastPhase)).has_value(); }))
        << "no grab showed a frame of the wave";
    std::vector<int> phases{*phase};
    for (int grab = 0; grab < 3; ++grab) {
        Sleep(250);
        phase = frames.PhaseShown(GrabScreen(), phases.back(), kLastPhase);
        ASSERT_TRUE(phase.has_value()) << "grab " << grab << " after phase " << phases.back();
        phases.push_back(*phase);
    }
    EXPECT_GT(phases.back(), phases.front());

    Xdotool("key q");
    ASSERT_TRUE(saver.WaitForExit());
    EXPECT_EQ(saver.ExitCode(), 0u);
    // The desktop comes back as it was.
    EXPECT_TRUE(WaitUntil([&] { return SameImage(GrabScreen(), TestPicture(width, height)); }));
    RemoveSettingsFile();
}

// Frames 205 ms apart, so that grabs a quarter second apart show different phases.
INSTANTIATE_TEST_SUITE_P(
    Waves, SaverFrames,
    ::testing::Values(
        FrameCase{"StandardTransverse", {.detailLevel = 1, .speed = 300, .amplitude = 10, .vertical = false}},
        FrameCase{"FineTransverseWide", {.detailLevel = 0, .speed = 300, .amplitude = 35, .vertical = false}},
        FrameCase{"CoarseLongitudinal", {.detailLevel = 2, .speed = 300, .amplitude = 10, .vertical = true}}),
    [](const auto& row) { return std::string(row.param.name); });

struct InputCase {
    const char* name;
    const char* heldBeforeStart;       // xdotool key names held down while the saver starts
    std::vector<std::string> actions;  // xdotool commands, or "move" for a real mouse move
    bool ends;
};

class SaverInput : public ::testing::TestWithParam<InputCase> {};

TEST_P(SaverInput, EndsTheSaverOrNot) {
    const InputCase& input = GetParam();
    WriteSettingsFile(SettingsText({.detailLevel = 1, .speed = 500, .amplitude = 10, .vertical = false}));
    // The pointer rests where the user left it, over no window of Wine's, so Wine learns
    // of its place only when the saver appears under it: a mouse-move message without any
    // motion, like the one Windows sends when a window appears under the cursor.
    MoveMouseSomewhere();
    const std::string held = input.heldBeforeStart;
    if (!held.empty()) Xdotool("keydown " + held);

    Process saver = StartSaverProgram("/s");
    ASSERT_NE(WaitForVisibleWindow(L"TMorlaptFMI"), nullptr);
    Sleep(400);  // until the window is mapped and has the keyboard
    for (const std::string& action : input.actions) {
        if (action == "move") {
            MoveMouseSomewhere();
        } else {
            Xdotool(action);
        }
        Sleep(100);
    }
    if (input.ends) {
        EXPECT_TRUE(saver.WaitForExit(5000));
    } else {
        Sleep(500);
        EXPECT_TRUE(saver.Running());
    }
    if (!held.empty()) Xdotool("keyup " + held);
    if (saver.Running()) {
        Xdotool("key q");
        ASSERT_TRUE(saver.WaitForExit());
    }
    EXPECT_EQ(saver.ExitCode(), 0u);
    RemoveSettingsFile();
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SaverInput,
    ::testing::Values(InputCase{"TwoMovesStay", "", {"move", "move"}, false},
                      InputCase{"ThirdMoveEnds", "", {"move", "move", "move"}, true},
                      InputCase{"TabStays", "", {"key Tab"}, false},
                      InputCase{"ShiftTabStays", "shift", {"key Tab"}, false},
                      InputCase{"TypedShiftTabStays", "", {"key shift+Tab"}, false},
                      InputCase{"ShiftAloneEnds", "", {"key shift"}, true},
                      InputCase{"CtrlTabEnds", "ctrl", {"key Tab"}, true},
                      InputCase{"LetterEnds", "", {"key a"}, true},
                      InputCase{"ArrowEnds", "", {"key Left"}, true},
                      InputCase{"AltEnds", "", {"key alt"}, true},
                      InputCase{"F10Ends", "", {"key F10"}, true},
                      InputCase{"ClickEnds", "", {"click 1"}, true},
                      InputCase{"RightClickEnds", "", {"click 3"}, true}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace nuvo::wine_test
