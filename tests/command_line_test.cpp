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

std::string CodesFrom1To32() {
    std::string codes;
    for (char c = 1; c <= 32; ++c) codes += c;
    return codes;
}

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
        SplitCase{"PreviewWithHandle", "nuvo_k48.scr /p 1234", "/p"},
        SplitCase{"EveryCodeFrom1To32Separates", "nuvo_k48.scr" + CodesFrom1To32() + "/s" + CodesFrom1To32(), "/s"},
        SplitCase{"DelBelongsToArgument", "nuvo_k48.scr \x7f/s", "\x7f/s"},
        SplitCase{"Bytes128To255BelongToArgument", "nuvo_k48.scr \x80/s\xa0\xff", "\x80/s\xa0\xff"},
        SplitCase{"ControlCharactersInsideQuotesKept", "nuvo_k48.scr \"\x01/s\t\x1f\"", "\x01/s\t\x1f"},
        SplitCase{"GroupsInsideAnArgumentJoin", "nuvo_k48.scr a\"b c\"d\"\"e /s", "ab cde"},
        SplitCase{"EmptyPairBeforeTextIsSkipped", "nuvo_k48.scr \"\"/s", "/s"},
        SplitCase{"UnmatchedQuoteAfterText", "nuvo_k48.scr /s\" /c\t", "/s /c\t"}),
    [](const auto& testCase) { return testCase.param.name; });

TEST(FirstArgumentTest, LongAndHostileLinesDoNotBreakTheSplitter) {
    const std::string longArgument(100000, 'x');
    EXPECT_EQ(ParamStr("prog " + longArgument + " /s", 1), longArgument);
    EXPECT_EQ(ParamStr("prog " + longArgument + " /s", 2), "/s");
    EXPECT_EQ(ParamStr(std::string(50000, '"'), 1), "");

    std::string separators;
    while (separators.size() < 100000) separators += CodesFrom1To32();
    EXPECT_EQ(ParamStr("prog" + separators + "/s", 1), "/s");
    std::string emptyPairs;
    while (emptyPairs.size() < 100000) emptyPairs += "\"\" ";
    EXPECT_EQ(ParamStr("prog " + emptyPairs + "/s", 1), "/s");
    const std::string quoted = "a b\tc\x01" + std::string(100000, '\xe3');
    EXPECT_EQ(ParamStr("prog \"" + quoted, 1), quoted);
    EXPECT_EQ(ParamStr("prog \"" + quoted + "\" /s", 2), "/s");
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
