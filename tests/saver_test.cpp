// The saver on the headless desktop: creation, frames, pacing and input.
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "headless_fixture.h"
#include "saver/wave_geometry.h"
#include "support/settings_text.h"

namespace nuvo::testing {
namespace {

using headless::ScreenPicture;
using test_support::SettingsText;

// The frame of the wave at `phase`, written plainly: black, then every strip in order.
ScreenPicture ExpectedFrame(const ScreenPicture& frozen, const TWaveSettings& settings, double phase) {
    const int width = frozen.width;
    const int height = frozen.height;
    ScreenPicture frame{width, height, std::vector<std::uint32_t>(frozen.pixels.size(), 0)};
    const StripLayout layout = WaveStrips(width, height, settings, phase);
    for (const StripCopy& strip : layout.Strips()) {
        for (long long row = 0; row < layout.bandHeight; ++row) {
            const long long sourceY = strip.sourceTop + row;
            const long long destY = strip.destTop + row;
            if (sourceY < 0 || sourceY >= height || destY < 0 || destY >= height) continue;
            for (long long x = 0; x < width; ++x) {
                const long long destX = strip.destLeft + x;
                if (destX < 0 || destX >= width) continue;
                frame.pixels[static_cast<std::size_t>(destY * width + destX)] =
                    frozen.At(static_cast<int>(x), static_cast<int>(sourceY));
            }
        }
    }
    return frame;
}

ScreenPicture PictureOf(const TBitmap& bitmap) {
    return {bitmap.Width(), bitmap.Height(),
            std::vector<std::uint32_t>(bitmap.Pixels(),
                                       bitmap.Pixels() + static_cast<std::size_t>(bitmap.Width()) *
                                                             static_cast<std::size_t>(bitmap.Height()))};
}

class SaverTest : public HeadlessTest {
protected:
    // Runs "/s"; `onFrame(n)` is called after frame n (from 1) is on the screen. Returns the
    // exit status.
    int RunSaver(const std::function<void(int frame)>& onFrame) {
        int frame = 0;
        platform->onPresent = [&](const TBitmap& bitmap, std::uint32_t tick) {
            ++frame;
            frames.push_back(PictureOf(bitmap));
            presentTicks.push_back(tick);
            EXPECT_EQ(desktop->Screen(), frames.back()) << "frame " << frame << " is not what the screen shows";
            onFrame(frame);
        };
        return Run("C:\\WINDOWS\\nuvo_k48.scr /s");
    }
    // Ends the saver with a click after the given frame.
    std::function<void(int)> ClickAfter(int lastFrame) {
        return [this, lastFrame](int frame) {
            if (frame == lastFrame) platform->PostMouseDown(TMouseButton::mbLeft);
        };
    }

    std::vector<ScreenPicture> frames;
    std::vector<std::uint32_t> presentTicks;
};

TEST_F(SaverTest, CreationHidesTheCursorAndCoversTheScreenInBlack) {
    for (int startCount : {0, 3, -4}) {
        UseScreen(64, 48);
        platform->SetCursorCount(startCount);
        bool shown = false;
        platform->onShowWindow = [&](headless::WindowHandle) {
            shown = true;
            EXPECT_EQ(platform->CursorCount(), startCount >= 0 ? -1 : startCount - 1);
            const ScreenPicture screen = desktop->Screen();
            for (std::uint32_t pixel : screen.pixels) ASSERT_EQ(pixel, 0u);
            ASSERT_EQ(desktop->Windows().size(), 1u);
            EXPECT_EQ(desktop->Windows()[0]->className, "TMorlaptFMI");
            EXPECT_EQ(desktop->Windows()[0]->bounds, (TRect{0, 0, 64, 48}));
        };
        EXPECT_EQ(RunSaver(ClickAfter(1)), 0);
        EXPECT_TRUE(shown);
        // One close request raised the count once; the desktop is as it was.
        EXPECT_EQ(platform->CursorCount(), startCount < 0 ? startCount : 0);
        EXPECT_TRUE(desktop->Windows().empty());
        EXPECT_EQ(desktop->Screen(), headless::PatternPicture(64, 48));
    }
}

struct FrameCase {
    const char* name;
    TWaveSettings settings;
    int width;
    int height;
    friend void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }
};

class SaverFrameTest : public SaverTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(SaverFrameTest, FramesAreTheWaveOfTheFrozenPicture) {
    const FrameCase& c = GetParam();
    UseScreen(c.width, c.height);
    WriteSettingsFile(SettingsText(c.settings));
    ASSERT_EQ(RunSaver(ClickAfter(3)), 0);
    ASSERT_EQ(frames.size(), 3u);
    const ScreenPicture frozen = headless::PatternPicture(c.width, c.height);
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(frames[static_cast<std::size_t>(n - 1)], ExpectedFrame(frozen, c.settings, n)) << "frame " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SaverFrameTest,
    ::testing::Values(
        FrameCase{"StandardTransverse", {1, 350, 10, false}, 64, 48},
        FrameCase{"FineTransverse", {0, 350, 35, false}, 64, 48},
        FrameCase{"CoarseLongitudinal", {2, 350, 10, true}, 64, 48},
        FrameCase{"StandardLongitudinal", {1, 500, 5, true}, 96, 80},
        FrameCase{"UnknownLevelUsesStandard", {9, 350, 20, false}, 50, 30},
        FrameCase{"MirroredAmplitude", {1, 350, -30, false}, 40, 40},
        FrameCase{"HugeAmplitudeTransverse", {1, 350, std::numeric_limits<std::int32_t>::max(), false}, 40, 30},
        FrameCase{"HugeNegativeAmplitude", {0, 350, std::numeric_limits<std::int32_t>::min(), false}, 40, 30},
        FrameCase{"ExtremeLevelLongitudinal", {std::numeric_limits<std::int32_t>::min(), 350, 0, true}, 40, 30}),
    [](const auto& testCase) { return testCase.param.name; });

TEST_F(SaverTest, FramesFollowThePeriodOfTheSpeed) {
    const struct {
        std::int32_t speed;
        std::uint32_t gap;  // ticks from one frame's end to the next frame
    } cases[] = {
        {350, 156}, {500, 6}, {0, 506}, {505, 0}, {600, 0}, {-40, 546},
        {std::numeric_limits<std::int32_t>::max(), 0},
    };
    for (const auto& c : cases) {
        UseScreen(16, 12);
        WriteSettingsFile(SettingsText({1, c.speed, 10, false}));
        frames.clear();
        presentTicks.clear();
        ASSERT_EQ(RunSaver(ClickAfter(4)), 0);
        ASSERT_EQ(presentTicks.size(), 4u);
        EXPECT_EQ(presentTicks[0], 100000u) << "the first frame comes at once, speed " << c.speed;
        for (std::size_t i = 1; i < presentTicks.size(); ++i)
            EXPECT_EQ(presentTicks[i] - presentTicks[i - 1], c.gap) << "speed " << c.speed;
    }
}

// Every key of the file at an edge of the 32-bit range, the longitudinal and the transverse
// wave: frames keep coming, each the wave clipped to the images, at the speed's period.
TEST_F(SaverTest, EdgeValuesInEveryKeyStillAnimateAtTheirPeriod) {
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const struct {
        const char* text;
        std::optional<std::int32_t> value;  // what it reads as; nullopt: every key its default
        std::uint32_t gap;                  // ticks from one frame's end to the next frame
    } cases[] = {
        {"-2147483648", kMin, 2147484154u},  // 505 - speed is 2147484153 ms
        {"2147483647", kMax, 0},
        {"$FFFFFFFF", -1, 507},
        {"$80000000", kMin, 2147484154u},
        {"$123456789", std::nullopt, 156},  // nine hex digits fail
    };
    for (const auto& c : cases) {
        for (const bool vertical : {true, false}) {
            SCOPED_TRACE(::testing::Message() << c.text << (vertical ? " longitudinal" : " transverse"));
            const TWaveSettings settings =
                c.value ? TWaveSettings{*c.value, *c.value, *c.value, vertical} : TWaveSettings{};
            const std::string tate = vertical ? c.text : "0";
            UseScreen(40, 30);
            WriteSettingsFile(SettingsText(c.text, c.text, c.text, tate));
            frames.clear();
            presentTicks.clear();
            ASSERT_EQ(RunSaver(ClickAfter(3)), 0);
            ASSERT_EQ(frames.size(), 3u);
            const ScreenPicture frozen = headless::PatternPicture(40, 30);
            for (int n = 1; n <= 3; ++n) {
                EXPECT_EQ(frames[static_cast<std::size_t>(n - 1)], ExpectedFrame(frozen, settings, n)) << "frame " << n;
            }
            EXPECT_EQ(presentTicks[1] - presentTicks[0], c.gap);
            EXPECT_EQ(presentTicks[2] - presentTicks[1], c.gap);
        }
    }
}

TEST_F(SaverTest, PacingHoldsAcrossTheWrapOfTheTickCounter) {
    for (std::uint32_t start : {0x80000000u, 0xFFFFFF00u}) {
        UseScreen(16, 12);
        desktop->SetTickCount(start);
        presentTicks.clear();
        ASSERT_EQ(RunSaver(ClickAfter(5)), 0);
        EXPECT_EQ(presentTicks[0], start);
        for (std::size_t i = 1; i < presentTicks.size(); ++i)
            EXPECT_EQ(presentTicks[i] - presentTicks[i - 1], 156u) << "start " << start;
    }
    EXPECT_LT(presentTicks.back(), 0x1000u) << "the counter wrapped during the run";
}

TEST_F(SaverTest, TwoMouseMovesAreIgnoredAndTheThirdEndsTheSaver) {
    ASSERT_EQ(RunSaver([&](int frame) {
                  if (frame == 1) {
                      platform->PostMouseMove(1, 1);
                      platform->PostMouseMove(1, 2);
                  }
                  if (frame == 3) platform->PostMouseMove(1, 3);
              }),
              0);
    EXPECT_EQ(frames.size(), 3u);
    EXPECT_EQ(platform->CursorCount(), 0);
}

TEST_F(SaverTest, KeysEndTheSaverExceptTabAndShiftTab) {
    const TShiftState none{}, shift{.shift = true}, ctrl{.ctrl = true}, alt{.alt = true};
    const struct {
        TKeyCode key;
        TShiftState state;
        bool ends;
    } cases[] = {
        {keys::vkTab, none, false},   {keys::vkTab, shift, false},     {keys::vkTab, ctrl, true},
        {keys::vkTab, alt, true},     {keys::vkMenu, alt, true},       {keys::vkReturn, none, true},
        {keys::vkEscape, none, true}, {keys::vkLeft, none, true},      {keys::vkF10, none, true},
        {'A', none, true},            {keys::vkShift, shift, true},    {keys::vkReturn, alt, true},
    };
    for (const auto& c : cases) {
        UseScreen(16, 12);
        frames.clear();
        ASSERT_EQ(RunSaver([&](int frame) {
                      if (frame == 1) platform->PostKey(c.key, c.state);
                      if (frame == 2) platform->PostKey('Q');
                  }),
                  0);
        EXPECT_EQ(frames.size(), c.ends ? 1u : 2u) << "key " << c.key << " shift " << c.state.shift
                                                   << " ctrl " << c.state.ctrl << " alt " << c.state.alt;
    }
}

TEST_F(SaverTest, AnyButtonEndsTheSaver) {
    for (TMouseButton button : {TMouseButton::mbLeft, TMouseButton::mbRight, TMouseButton::mbMiddle}) {
        UseScreen(16, 12);
        frames.clear();
        ASSERT_EQ(RunSaver([&](int) { platform->PostMouseDown(button); }), 0);
        EXPECT_EQ(frames.size(), 1u);
    }
}

// Input that arrives during the wait ends it: the next frame is drawn at once and the
// input handled after it, however long the period. Moves that do not end the saver only
// bring the frame forward; the period counts from that frame's end again.
TEST_F(SaverTest, InputDuringTheWaitEndsItAndTheSaverAfterOneMoreFrame) {
    const struct {
        const char* name;
        std::int32_t speed;
        std::function<void(headless::HeadlessPlatform&, std::uint32_t at)> post;  // at: 50 ms into the wait
        std::vector<std::uint32_t> gaps;  // ticks from each frame's end to the next frame
    } cases[] = {
        {"key", 350, [](auto& p, std::uint32_t at) { p.PostKey('A', {}, at); }, {50}},
        {"key, a period of 24.8 days", std::numeric_limits<std::int32_t>::min(),
         [](auto& p, std::uint32_t at) { p.PostKey(keys::vkEscape, {}, at); }, {50}},
        {"click, a period of 24.8 days", std::numeric_limits<std::int32_t>::min(),
         [](auto& p, std::uint32_t at) { p.PostMouseDown(TMouseButton::mbRight, at); }, {50}},
        {"close box, a period of 20 s", -19495, [](auto& p, std::uint32_t at) { p.PostCloseBox(at); }, {50}},
        {"third move, a period of 20 s", -19495,
         [](auto& p, std::uint32_t at) {
             p.PostMouseMove(1, 1, at);
             p.PostMouseMove(1, 2, at + 10);
             p.PostMouseMove(1, 3, at + 20);
         },
         {50, 10, 10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        UseScreen(16, 12);
        WriteSettingsFile(SettingsText({1, c.speed, 10, false}));
        frames.clear();
        presentTicks.clear();
        ASSERT_EQ(RunSaver([&](int frame) {
                      if (frame == 1) c.post(*platform, presentTicks[0] + 50);
                  }),
                  0);
        std::vector<std::uint32_t> gaps;
        for (std::size_t i = 1; i < presentTicks.size(); ++i) gaps.push_back(presentTicks[i] - presentTicks[i - 1]);
        EXPECT_EQ(gaps, c.gaps);
        EXPECT_EQ(platform->CursorCount(), 0);
    }
}

TEST_F(SaverTest, EveryDispatchedCloseRequestShowsTheCursorOnce) {
    ASSERT_EQ(RunSaver([&](int) {
                  platform->PostKey('A');
                  platform->PostMouseDown(TMouseButton::mbLeft);
                  platform->PostCloseBox();
              }),
              0);
    EXPECT_EQ(frames.size(), 1u);
    EXPECT_EQ(platform->CursorCount(), 2);
}

}  // namespace
}  // namespace nuvo::testing
