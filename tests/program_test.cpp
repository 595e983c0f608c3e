// The program's entry on the headless desktop: modes, the instance guard, exit status.
#include <stdexcept>

#include "headless_fixture.h"
#include "ui/application.h"

namespace nuvo::testing {
namespace {

class ProgramTest : public HeadlessTest {
protected:
    // Watches whether the program ever creates or shows a window.
    void WatchWindows() {
        platform->onShowWindow = [&](headless::WindowHandle) { ++windowsShown; };
    }
    int windowsShown = 0;
};

TEST_F(ProgramTest, ArgumentsWithoutAModeEndAtOnceWithoutAWindow) {
    for (const char* line : {"nuvo_k48.scr", "nuvo_k48.scr /p", "nuvo_k48.scr -p", "nuvo_k48.scr /p 1234",
                             "nuvo_k48.scr /S", "nuvo_k48.scr -S", "nuvo_k48.scr /C", "nuvo_k48.scr /c:1234",
                             "nuvo_k48.scr /s1", "nuvo_k48.scr x"}) {
        UseScreen(16, 12);
        WatchWindows();
        EXPECT_EQ(Run(line), 0) << line;
        EXPECT_EQ(windowsShown, 0) << line;
        EXPECT_EQ(platform->CursorCount(), 0) << line;
        EXPECT_TRUE(desktop->messageBoxes.empty()) << line;
        EXPECT_FALSE(std::filesystem::exists(SettingsPath())) << line;
    }
}

TEST_F(ProgramTest, QuotedAndEmptyPairArgumentsStartTheSaver) {
    for (const char* line : {"nuvo_k48.scr \"/s\"", "nuvo_k48.scr \"\" /s", "\"C:\\My Savers\\nuvo_k48.scr\" -s /c"}) {
        UseScreen(16, 12);
        int frames = 0;
        platform->onPresent = [&](const TBitmap&, std::uint32_t) {
            ++frames;
            platform->PostKey('A');
        };
        EXPECT_EQ(Run(line), 0) << line;
        EXPECT_EQ(frames, 1) << line;
    }
}

TEST_F(ProgramTest, AWindowOfAnEarlierInstanceStopsEveryStart) {
    for (const char* className : {"TMorlaptFMI", "TMorlaptCNF"}) {
        for (const char* line : {"nuvo_k48.scr /s", "nuvo_k48.scr /c", "nuvo_k48.scr"}) {
            UseScreen(16, 12);
            desktop->AddForeignWindow(className);
            WatchWindows();
            EXPECT_EQ(Run(line), 0) << className << " " << line;
            EXPECT_EQ(windowsShown, 0) << className << " " << line;
            EXPECT_EQ(platform->CursorCount(), 0) << className << " " << line;
        }
    }
}

TEST_F(ProgramTest, ASecondInstanceEndsAtOnceWhileTheSaverOrTheDialogRuns) {
    // A second program on the same desktop, started while the first one runs.
    const auto secondInstance = [&](const char* line) {
        headless::HeadlessPlatform second(*desktop, profileDir);
        int shown = 0;
        second.onShowWindow = [&](headless::WindowHandle) { ++shown; };
        const int status = RunProgram(second, CommandLine::FromRawText(line));
        return std::pair{status, shown};
    };
    std::vector<std::pair<int, int>> results;
    platform->onPresent = [&](const TBitmap&, std::uint32_t) {
        results.push_back(secondInstance("nuvo_k48.scr /c"));
        results.push_back(secondInstance("nuvo_k48.scr /s"));
        platform->PostKey('A');
    };
    ASSERT_EQ(Run("nuvo_k48.scr /s"), 0);

    platform->onWaitForInput = [&] {
        results.push_back(secondInstance("nuvo_k48.scr /s"));
        platform->PostKey(keys::vkEscape);
    };
    ASSERT_EQ(Run("nuvo_k48.scr /c"), 0);
    EXPECT_EQ(results, (std::vector<std::pair<int, int>>(3, {0, 0})));
}

TEST_F(ProgramTest, AnErrorThatEscapesTheFrameLoopIsShownAndEndsWithStatusOne) {
    platform->onPresent = [](const TBitmap&, std::uint32_t) { throw std::runtime_error("display lost"); };
    EXPECT_EQ(Run("nuvo_k48.scr /s"), 1);
    ASSERT_EQ(desktop->messageBoxes.size(), 1u);
    EXPECT_EQ(desktop->messageBoxes[0].text, "display lost");
    EXPECT_EQ(desktop->messageBoxes[0].title, "nuvo_k48");
    EXPECT_TRUE(desktop->Windows().empty());
}

TEST(ApplicationTitleTest, FileNameWithoutDirectoryOrExtensionFirstCharacterKept) {
    const struct {
        const char* path;
        const char* title;
    } cases[] = {
        {"C:\\WINDOWS\\nuvo_k48.scr", "nuvo_k48"}, {"C:\\WINDOWS\\NUVO_K48.SCR", "Nuvo_k48"},
        {"/usr/local/bin/nuvo_k48", "nuvo_k48"},   {"D:nuvo.K48.scr", "nuvo"},
        {"\xc3\x89" "CRAN.SCR", "\xc3\x89" "cran"},    {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ApplicationTitleFromPath(c.path), c.title) << c.path;
}

}  // namespace
}  // namespace nuvo::testing
