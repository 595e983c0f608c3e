// What counts as input, decided by the form library for every desktop: a desktop reports
// keys going down and up and the pointer's place, and the saver shows what the library
// made of them by ending or not.
#include <functional>
#include <optional>
#include <vector>

#include "headless_fixture.h"
#include "ui/forms.h"

namespace nuvo::testing {
namespace {

class InputRulesTest : public HeadlessTest {
protected:
    // Runs the saver; after frame 1 the events come, after frame 2 a letter ends the saver if
    // it still runs. True when the events ended it.
    bool EventsEndTheSaver(const std::function<void()>& postEvents) {
        int frames = 0;
        platform->onPresent = [&](const TBitmap&, std::uint32_t) {
            ++frames;
            if (frames == 1) postEvents();
            if (frames == 2) platform->PostKey('Q');
        };
        EXPECT_EQ(Run("C:\\WINDOWS\\nuvo_k48.scr /s"), 0);
        EXPECT_TRUE(frames == 1 || frames == 2) << frames << " frames";
        return frames == 1;
    }
};

struct KeyEvent {
    bool down;
    TKeyCode key;
    TShiftState shift;
};

struct KeyCase {
    const char* name;
    std::vector<KeyEvent> events;
    bool ends;
};

TEST_F(InputRulesTest, ShiftIsAKeyPressWhenLetGoWithNoKeyBetweenAndCtrlAndAltWhenPressed) {
    const TShiftState none{}, shift{.shift = true}, ctrl{.ctrl = true}, alt{.alt = true};
    const KeyEvent shiftDown{true, keys::vkShift, shift}, shiftUp{false, keys::vkShift, none};
    const KeyEvent tabDown{true, keys::vkTab, shift}, tabUp{false, keys::vkTab, shift};
    const KeyCase cases[] = {
        {"Shift pressed and let go", {shiftDown, shiftUp}, true},
        {"Shift held, repeating, then let go", {shiftDown, shiftDown, shiftDown, shiftUp}, true},
        {"Shift held down", {shiftDown}, false},
        {"Shift let go, pressed before the saver", {shiftUp}, false},
        {"Shift+Tab", {shiftDown, tabDown, tabUp, shiftUp}, false},
        {"Shift+Tab, then Shift alone", {shiftDown, tabDown, tabUp, shiftUp, shiftDown, shiftUp}, true},
        {"Ctrl pressed", {{true, keys::vkControl, ctrl}}, true},
        {"Alt pressed", {{true, keys::vkMenu, alt}}, true},
    };
    for (const KeyCase& c : cases) {
        UseScreen(16, 12);
        const bool ended = EventsEndTheSaver([&] {
            for (const KeyEvent& event : c.events) {
                if (event.down) {
                    platform->PostKeyDown(event.key, event.shift);
                } else {
                    platform->PostKeyUp(event.key, event.shift);
                }
            }
        });
        EXPECT_EQ(ended, c.ends) << c.name;
    }
}

TEST_F(InputRulesTest, AMoveEventAtThePlaceOfTheLastOneIsNoMove) {
    const struct {
        const char* name;
        std::optional<TPoint> pointerAtStart;  // where the pointer rests as the saver appears
        std::vector<TPoint> moves;
        bool ends;
    } cases[] = {
        {"one place again and again", {}, {{1, 1}, {1, 1}, {1, 1}, {1, 1}}, false},
        {"two places, the second twice", {}, {{1, 1}, {2, 2}, {2, 2}}, false},
        {"back to an earlier place", {}, {{1, 1}, {2, 2}, {1, 1}}, true},
        {"first at the resting place", TPoint{7, 5}, {{7, 5}, {1, 1}, {2, 2}}, false},
        {"first elsewhere", TPoint{7, 5}, {{7, 6}, {1, 1}, {2, 2}}, true},
    };
    for (const auto& c : cases) {
        UseScreen(16, 12);
        if (c.pointerAtStart) desktop->SetCursorPos(*c.pointerAtStart);
        const bool ended = EventsEndTheSaver([&] {
            for (const TPoint& at : c.moves) platform->PostMouseMove(at.x, at.y);
        });
        EXPECT_EQ(ended, c.ends) << c.name;
    }
}

// Focus goes by the designed tab order, not by the order the components are declared in,
// and skips stops that are hidden or disabled.
TEST_F(InputRulesTest, TabWalksTheDesignedTabOrderFromTheFirstStop) {
    using K = TComponentKind;
    static constexpr TComponentDesign kComponents[] = {
        {.kind = K::BitBtn, .name = "Third", .bounds = {0, 0, 10, 10}, .tabOrder = 7},
        {.kind = K::CheckBox, .name = "First", .bounds = {0, 10, 10, 10}, .tabOrder = 1},
        {.kind = K::BitBtn, .name = "Hidden", .bounds = {0, 20, 10, 10}, .tabOrder = 0, .visible = false},
        {.kind = K::ScrollBar, .name = "Second", .bounds = {0, 30, 10, 10}, .max = 5, .tabOrder = 3},
        {.kind = K::Label, .name = "Label", .bounds = {0, 40, 10, 10}},
        {.kind = K::BitBtn, .name = "Disabled", .bounds = {0, 50, 10, 10}, .tabOrder = 2, .enabled = false},
    };
    static constexpr TFormDesign kDesign{.className = "TTabOrderTest", .bounds = {0, 0, 20, 60},
                                         .components = kComponents};
    TApplication application(*platform);
    TForm* form = nullptr;
    application.CreateForm(form, kDesign);
    form->Show();
    std::vector<int> focus{platform->MainWindowState()->focused};
    for (const bool back : {false, false, false, true, true}) {
        platform->PostKey(keys::vkTab, {.shift = back});
        application.ProcessMessages();
        focus.push_back(platform->MainWindowState()->focused);
    }
    const auto index = [](const char* name) { return ComponentIndex(kDesign, name); };
    EXPECT_EQ(focus, (std::vector<int>{index("First"), index("Second"), index("Third"), index("First"),
                                       index("Third"), index("Second")}));
}

}  // namespace
}  // namespace nuvo::testing
