#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/program.h"

namespace nuvo {
namespace {

struct SplitCase {
    const char* name;
    std::string line;
    std::string first;
    friend void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }
};

class FirstArgumentTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(FirstArgumentTest, SplitsLikeTheWindowsEntry) {
    EXPECT_EQ(ParamStr(GetParam().line, 1), GetParam().first);
    EXPECT_EQ(CommandLine::FromRawText(GetParam().line).FirstArgument(), GetParam().first);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FirstArgumentTest,
    ::testing::Values(
        SplitCase{"NoArgument", "nuvo_k48.scr", ""},
        SplitCase{"Plain", "nuvo_k48.scr /s", "/s"},
        SplitCase{"OnlyFirstCounts", "nuvo_k48.scr /s /c", "/s"},
        SplitCase{"QuotedProgramWithBlanks", "\"C:\\Program Files\\nuvo k48.scr\" /c", "/c"},
        SplitCase{"QuotedArgument", "nuvo_k48.scr \"/s\"", "/s"},
        SplitCase{"EmptyPairSkipped", "nuvo_k48.scr \"\" /s", "/s"},
        SplitCase{"TwoEmptyPairsSkipped", "nuvo_k48.scr \"\" \"\" /s", "/s"},
        SplitCase{"TextJoinsGroup", "nuvo_k48.scr /\"s\"x", "/sx"},
        SplitCase{"UnmatchedQuoteRunsToEnd", "nuvo_k48.scr \"/s /c", "/s /c"},
        SplitCase{"ControlCharactersSeparate", "nuvo_k48.scr\x01\x1f/s\t/c", "/s"},
        SplitCase{"BlankInsideQuotesKept", "nuvo_k48.scr \"a b\"", "a b"},
        SplitCase{"HighBytesBelongToArgument", "nuvo_k48.scr \xe8\xa8\xad\xe5\xae\x9a/s", "\xe8\xa8\xad\xe5\xae\x9a/s"},
        SplitCase{"NulEndsTheLine", std::string("nuvo_k48.scr\0/s", 15), ""},
        SplitCase{"PreviewWithHandle", "nuvo_k48.scr /p 1234", "/p"}),
    [](const auto& testCase) { return testCase.param.name; });

TEST(FirstArgumentTest, LongAndHostileLinesDoNotBreakTheSplitter) {
    const std::string longArgument(100000, 'x');
    EXPECT_EQ(ParamStr("prog " + longArgument + " /s", 1), longArgument);
    EXPECT_EQ(ParamStr("prog " + longArgument + " /s", 2), "/s");
    EXPECT_EQ(ParamStr(std::string(50000, '"'), 1), "");
}

TEST(FirstArgumentTest, SplitArgumentsSkipEmptyOnes) {
    EXPECT_EQ(CommandLine::FromArguments({"nuvo_k48", "", "/s"}).FirstArgument(), "/s");
    EXPECT_EQ(CommandLine::FromArguments({"nuvo_k48"}).FirstArgument(), "");
    EXPECT_EQ(CommandLine::FromArguments({}).FirstArgument(), "");
}

TEST(ModeForArgumentTest, OnlySixExactTextsChooseAMode) {
    const struct {
        const char* argument;
        ProgramMode mode;
    } cases[] = {
        {"-s", ProgramMode::Run},      {"/s", ProgramMode::Run},      {"-c", ProgramMode::Settings},
        {"/c", ProgramMode::Settings}, {"-p", ProgramMode::None},     {"/p", ProgramMode::None},
        {"/S", ProgramMode::None},     {"-S", ProgramMode::None},     {"/C", ProgramMode::None},
        {"/c:1234", ProgramMode::None}, {"/s1", ProgramMode::None},   {"", ProgramMode::None},
        {" /s", ProgramMode::None},
    };
    for (const auto& c : cases) EXPECT_EQ(ModeForArgument(c.argument), c.mode) << c.argument;
}

}  // namespace
}  // namespace nuvo
