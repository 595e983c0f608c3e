// Starting nuvo_k48 on a real X server: the first argument chooses the window, and a
// start while a window of an earlier instance exists ends at once without a window.
// Without its display, at the start or later, the program ends at once with status 1.
#include <gtest/gtest.h>

#include "x_session.h"

namespace nuvo::qt_test {
namespace {

struct Arguments {
    const char* name;
    std::vector<std::string> arguments;
};

class NoWindowStart : public ::testing::TestWithParam<Arguments> {};

TEST_P(NoWindowStart, EndsAtOnceWithStatusZeroAndMapsNoWindow) {
    XSession session(320, 240);
    session.StartCountingMaps();
    auto program = session.StartProgram(GetParam().arguments);
    EXPECT_EQ(program->WaitForExit(5s), 0);
    EXPECT_EQ(session.MapsCounted(), 0);
}

INSTANTIATE_TEST_SUITE_P(Qt, NoWindowStart,
                         ::testing::Values(Arguments{"NoArgument", {}},
                                           Arguments{"Preview", {"/p"}},
                                           Arguments{"PreviewWithWindow", {"-p", "1234"}},
                                           Arguments{"UpperCaseRun", {"/S"}},
                                           Arguments{"UpperCaseSettings", {"-C"}},
                                           Arguments{"RunWithSuffix", {"/s1"}},
                                           Arguments{"SettingsWithWindow", {"/c:1234"}},
                                           Arguments{"OnlyEmptyArguments", {"", ""}}),
                         [](const auto& row) { return std::string(row.param.name); });

// Not a crash: a message and status 1.
TEST(ProgramStart, WithoutAnXDisplayEndsWithStatusOne) {
    XSession session(8, 8);
    auto program = session.StartProgram({"/s"}, {"DISPLAY"});
    EXPECT_EQ(program->WaitForExit(5s), 1);
}

struct ModeCase {
    const char* name;
    const char* argument;
    const char* className;
};

class LostDisplay : public ::testing::TestWithParam<ModeCase> {};

// Nothing can be shown any more, so the program ends within a second, with status 1 (no
// orderly end), and not by a signal, so without a core dump. The saver notices it in its
// next frame, the dialog as it waits for input.
TEST_P(LostDisplay, XServerGoingAwayEndsTheProgramWithinASecond) {
    XSession session(320, 240);
    auto program = session.StartProgram({GetParam().argument});
    ASSERT_TRUE(WaitUntil(
        [&] { return session.MappedWindowsOfClass(GetParam().className).size() == 1; }, 10s));
    session.KillServer();
    EXPECT_EQ(program->WaitForExit(1s), 1);
}

INSTANTIATE_TEST_SUITE_P(Qt, LostDisplay,
                         ::testing::Values(ModeCase{"Saver", "/s", "TMorlaptFMI"},
                                           ModeCase{"Settings", "/c", "TMorlaptCNF"}),
                         [](const auto& row) { return std::string(row.param.name); });

class WindowStarts : public ::testing::TestWithParam<Arguments> {};

// Only the first argument counts, and an empty argument is skipped.
TEST_P(WindowStarts, OpensTheWindowOfTheFirstArgumentUntilEscape) {
    const std::string& first = GetParam().arguments.front().empty() ? GetParam().arguments[1]
                                                                    : GetParam().arguments[0];
    const char* className = first == "/s" || first == "-s" ? "TMorlaptFMI" : "TMorlaptCNF";
    XSession session(320, 240);
    session.StartCountingMaps();
    auto program = session.StartProgram(GetParam().arguments);
    EXPECT_TRUE(WaitUntil([&] { return session.MappedWindowsOfClass(className).size() == 1; }, 10s));
    EXPECT_EQ(session.MapsCounted(), 1);
    session.Xdotool({"key", "Escape"});
    EXPECT_EQ(program->WaitForExit(5s), 0);
}

INSTANTIATE_TEST_SUITE_P(Qt, WindowStarts,
                         ::testing::Values(Arguments{"Run", {"-s"}},
                                           Arguments{"RunThenSettings", {"/s", "/c"}},
                                           Arguments{"EmptyThenRun", {"", "/s"}},
                                           Arguments{"Settings", {"-c"}},
                                           Arguments{"SettingsThenRun", {"/c", "/s"}}),
                         [](const auto& row) { return std::string(row.param.name); });

struct GuardCase {
    const char* running;       // the earlier instance's argument
    const char* runningClass;  // and the class of its window
    const char* second;
};

class InstanceGuard : public ::testing::TestWithParam<GuardCase> {};

TEST_P(InstanceGuard, SecondStartEndsAtOnceWithoutAWindow) {
    const GuardCase& c = GetParam();
    XSession session(320, 240);
    auto first = session.StartProgram({c.running});
    ASSERT_TRUE(WaitUntil([&] { return session.MappedWindowsOfClass(c.runningClass).size() == 1; }, 10s));
    session.StartCountingMaps();
    auto second = session.StartProgram({c.second});
    EXPECT_EQ(second->WaitForExit(5s), 0);
    EXPECT_EQ(session.MapsCounted(), 0);
    EXPECT_TRUE(first->Running());
}

// Under a reparenting window manager the instance's window is a client inside a frame.
TEST_P(InstanceGuard, FindsTheWindowAsAClientInsideAWindowManagerFrame) {
    XSession session(320, 240);
    session.CreateFramedClient(GetParam().runningClass);
    session.StartCountingMaps();
    auto second = session.StartProgram({GetParam().second});
    EXPECT_EQ(second->WaitForExit(5s), 0);
    EXPECT_EQ(session.MapsCounted(), 0);
}

INSTANTIATE_TEST_SUITE_P(Qt, InstanceGuard,
                         ::testing::Values(GuardCase{"/s", "TMorlaptFMI", "/s"},
                                           GuardCase{"/s", "TMorlaptFMI", "/c"},
                                           GuardCase{"/c", "TMorlaptCNF", "/s"},
                                           GuardCase{"/c", "TMorlaptCNF", "-c"}),
                         [](const auto& row) {
                             std::string name = std::string(row.param.running) + "Then" + row.param.second;
                             std::erase_if(name, [](char c) { return c == '/' || c == '-'; });
                             return name;
                         });

}  // namespace
}  // namespace nuvo::qt_test
