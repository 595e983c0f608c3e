// The program's entry on Windows: the first argument of the real command line, the modes
// and the guard against a second instance.
#include <gtest/gtest.h>

#include <string>

#include "wine_desktop.h"

namespace nuvo::wine_test {
namespace {

bool AnyWindowOfTheProgram() {
    return FindTopWindow(L"TMorlaptFMI") != nullptr || FindTopWindow(L"TMorlaptCNF") != nullptr;
}

// Runs the program to its end, watching that it never opens a window.
void ExpectEndsWithoutWindow(std::string_view arguments) {
    Process program = StartSaverProgram(arguments);
    ASSERT_TRUE(program.Started());
    bool windowSeen = false;
    WaitUntil([&] {
        windowSeen = windowSeen || AnyWindowOfTheProgram();
        return !program.Running();
    });
    EXPECT_TRUE(program.WaitForExit(0)) << "still running";
    EXPECT_FALSE(windowSeen);
    EXPECT_EQ(program.ExitCode(), 0u);
}

struct NoWindowCase {
    const char* name;
    const char* arguments;
};

class StartsWithoutWindow : public ::testing::TestWithParam<NoWindowCase> {};

TEST_P(StartsWithoutWindow, EndsAtOnceWithStatusZero) {
    ExpectEndsWithoutWindow(GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, StartsWithoutWindow,
    ::testing::Values(NoWindowCase{"None", ""}, NoWindowCase{"PreviewSlash", "/p"},
                      NoWindowCase{"PreviewDash", "-p"},
                      NoWindowCase{"PreviewWithWindowHandle", "/p 1234"},
                      NoWindowCase{"UpperCaseRun", "/S"}, NoWindowCase{"UpperCaseDashRun", "-S"},
                      NoWindowCase{"UpperCaseSettings", "/C"},
                      NoWindowCase{"SettingsWithHandle", "/c:1234"},
                      NoWindowCase{"RunWithSuffix", "/s1"}),
    [](const auto& row) { return std::string(row.param.name); });

struct ModeCase {
    const char* name;
    const char* arguments;
    const wchar_t* windowClass;
};

class StartsMode : public ::testing::TestWithParam<ModeCase> {};

// The argument is taken from the raw command line by the program's own splitter.
TEST_P(StartsMode, OpensItsMainWindowAndEndsWithStatusZero) {
    RemoveSettingsFile();
    Process program = StartSaverProgram(GetParam().arguments);
    HWND window = WaitForVisibleWindow(GetParam().windowClass);
    ASSERT_NE(window, nullptr);
    Sleep(300);
    MovePointerInto(window);  // keys go to the window under the pointer
    Xdotool("key Escape");
    ASSERT_TRUE(program.WaitForExit());
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_FALSE(AnyWindowOfTheProgram());
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, StartsMode,
    ::testing::Values(ModeCase{"RunSlash", "/s", L"TMorlaptFMI"},
                      ModeCase{"RunDash", "-s", L"TMorlaptFMI"},
                      ModeCase{"QuotedRun", "\"/s\"", L"TMorlaptFMI"},
                      ModeCase{"EmptyPairBeforeRun", "\"\" /s", L"TMorlaptFMI"},
                      ModeCase{"OnlyTheFirstArgumentCounts", "/s /c", L"TMorlaptFMI"},
                      ModeCase{"SettingsSlash", "/c", L"TMorlaptCNF"},
                      ModeCase{"SettingsDash", "-c", L"TMorlaptCNF"}),
    [](const auto& row) { return std::string(row.param.name); });

class Guard : public ::testing::TestWithParam<ModeCase> {};

// While a window of an earlier instance exists, every start ends at once.
TEST_P(Guard, SecondStartEndsAtOnceWhileAWindowOfTheFirstExists) {
    RemoveSettingsFile();
    Process first = StartSaverProgram(GetParam().arguments);
    HWND window = WaitForVisibleWindow(GetParam().windowClass);
    ASSERT_NE(window, nullptr);

    const wchar_t* otherClass =
        std::wstring_view(GetParam().windowClass) == L"TMorlaptFMI" ? L"TMorlaptCNF" : L"TMorlaptFMI";
    for (const char* arguments : {"/s", "/c"}) {
        SCOPED_TRACE(arguments);
        Process second = StartSaverProgram(arguments);
        ASSERT_TRUE(second.WaitForExit());
        EXPECT_EQ(second.ExitCode(), 0u);
        EXPECT_EQ(FindTopWindow(otherClass), nullptr);
    }
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(FindTopWindow(GetParam().windowClass), window);
}

INSTANTIATE_TEST_SUITE_P(FirstInstance, Guard,
                         ::testing::Values(ModeCase{"Saver", "/s", L"TMorlaptFMI"},
                                           ModeCase{"Dialog", "/c", L"TMorlaptCNF"}),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace nuvo::wine_test
