// Our INI store: the text rules as tables, then the store on real files with faults injected,
// then what a rewrite does with links, permissions and owners.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <iomanip>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/profile/file_operations.h"
#include "platform/profile/ini_text.h"
#include "platform/profile/profile_store.h"
#include "temporary_directory.h"

namespace nuvo {
namespace {

using namespace std::string_view_literals;
using test_support::ReadBytes;
using test_support::TemporaryDirectory;
using test_support::WriteBytes;

// --- reading INI text ------------------------------------------------------------------------

struct FindCase {
    std::string_view name;
    std::string_view text;
    std::string_view section;
    std::string_view key;
    std::optional<std::string_view> expected;
};

const FindCase kFindCases[] = {
    {"plain", "[s]\r\nk=v\r\n", "s", "k", "v"},
    {"missing key", "[s]\r\nk=v\r\n", "s", "x", std::nullopt},
    {"missing section", "[s]\r\nk=v\r\n", "t", "k", std::nullopt},
    {"empty text", "", "s", "k", std::nullopt},
    {"empty value", "[s]\nk=\n", "s", "k", ""},
    {"names without case", "[NuVo_K48]\nSPEED=5\n", "nuvo_k48", "speed", "5"},
    {"non-ASCII bytes keep their case", "[\xC3\x84]\nk=1\n", "\xC3\xA4", "k", std::nullopt},
    {"blanks trimmed", "  [ s ]  \n\t k \t=  v w \t\n", "s", "k", "v w"},
    {"caller's blanks trimmed", "[s]\nk=v\n", " s ", "\tk", "v"},
    {"first key counts", "[s]\nk=1\nK=2\n", "s", "k", "1"},
    {"first section counts", "[s]\na=1\n[S]\nk=2\n", "s", "k", std::nullopt},
    {"later sections are searched", "[t]\nk=1\n[s]\nk=2\n", "s", "k", "2"},
    {"keys before any section belong to none", "k=0\n[s]\nk=1\n", "s", "k", "1"},
    {"value holds further =", "[s]\nk=a=b\n", "s", "k", "a=b"},
    {"quotes are kept", "[s]\nk=\"v\"\n", "s", "k", "\"v\""},
    {"comment line", "[s]\n;k=1\nk=2\n", "s", "k", "2"},
    {"text after the header", "[s] trailing\nk=1\n", "s", "k", "1"},
    {"unclosed header is no section", "[s]\n[t\nk=1\n", "s", "k", "1"},
    {"line without =", "[s]\nk\nk=1\n", "s", "k", "1"},
    {"LF", "[s]\nk=1\n", "s", "k", "1"},
    {"CR only", "[s]\rk=1\rj=2", "s", "j", "2"},
    {"mixed line breaks", "[s]\r\na=1\rb=2\nk=3", "s", "k", "3"},
    {"no final line break", "[s]\nk=1", "s", "k", "1"},
    {"byte-order mark", "\xEF\xBB\xBF[s]\r\nk=1\r\n", "s", "k", "1"},
    {"NUL bytes", "[s]\n\0\0=\0\nk=a\0b\n"sv, "s", "k", "a\0b"sv},
    {"empty section name", "[]\nk=1\n", "s", "k", std::nullopt},
};

TEST(IniText, FindValueFollowsTheProfileRules) {
    for (const FindCase& row : kFindCases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ini::FindValue(row.text, row.section, row.key), row.expected);
    }
}

TEST(IniText, HostileTextReadsWithoutHarm) {
    std::mt19937 random(48);
    std::string garbage(10'000'000, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    const std::string longLine(100'000, 'x');
    const std::string texts[] = {
        garbage + "\n[s]\nk=1\n",
        "[s]\n" + longLine + "\nk=1\n",
        "[s]\nk=1" + longLine + "\n",
        std::string(1'000'000, '\r') + "[s]\rk=1\r",
        std::string(1'000'000, '[') + "\n[s]\nk=1\n",
        std::string(500'000, '=') + "\n[s]\nk=1\n",
    };
    EXPECT_EQ(ini::FindValue(texts[0], "s", "k"), "1");
    EXPECT_EQ(ini::FindValue(texts[1], "s", "k"), "1");
    EXPECT_EQ(ini::FindValue(texts[2], "s", "k"), "1" + longLine);
    EXPECT_EQ(ini::FindValue(texts[3], "s", "k"), "1");
    EXPECT_EQ(ini::FindValue(texts[4], "s", "k"), "1");
    EXPECT_EQ(ini::FindValue(texts[5], "s", "k"), "1");
    for (const std::string& text : texts) {
        const std::optional<std::string> rewritten = ini::SetValue(text, "s", "k", "2");
        ASSERT_TRUE(rewritten.has_value());
        EXPECT_EQ(ini::FindValue(*rewritten, "s", "k"), "2");
    }
}

// --- rewriting INI text ----------------------------------------------------------------------

struct SetCase {
    std::string_view name;
    std::string_view before;
    std::string_view key;
    std::string_view value;
    std::string_view after;
};

// All rows set a key of section "s".
const SetCase kSetCases[] = {
    {"new text", "", "k", "1", "[s]\r\nk=1\r\n"},
    {"value replaced", "[s]\r\nk=1\r\n", "k", "22", "[s]\r\nk=22\r\n"},
    {"only the value changes", "[S]\n  K = 1 \t\n", "k", "2", "[S]\n  K = 2 \t\n"},
    {"empty value replaced", "[s]\nk=\nj=0\n", "k", "5", "[s]\nk=5\nj=0\n"},
    {"first match replaced", "[s]\nk=1\nk=2\n[s]\nk=3\n", "k", "9", "[s]\nk=9\nk=2\n[s]\nk=3\n"},
    {"new key after the last entry", "[s]\na=1\n\n; next\n[t]\nb=2\n", "k", "3",
     "[s]\na=1\nk=3\n\n; next\n[t]\nb=2\n"},
    {"new key in the first matching section", "[s]\na=1\n[s]\nk=2\n", "k", "3",
     "[s]\na=1\nk=3\n[s]\nk=2\n"},
    {"new key after the header", "[s]\n[t]\n", "k", "1", "[s]\nk=1\n[t]\n"},
    {"new key at the end without a line break", "[s]\na=1", "k", "2", "[s]\na=1\nk=2\n"},
    {"new section after the others", "; top\n[t]\r\nb=2\r\n", "k", "1",
     "; top\n[t]\r\nb=2\r\n[s]\nk=1\n"},
    {"new section after a last line without a break", "[t]\r\nb=2", "k", "1",
     "[t]\r\nb=2\r\n[s]\r\nk=1\r\n"},
    {"CR only", "[s]\ra=1\r[t]\r", "k", "2", "[s]\ra=1\rk=2\r[t]\r"},
    {"a lone CR never fuses with a following LF", "[s]\ra=1\n\n[t]\n", "k", "2",
     "[s]\ra=1\nk=2\r\n\n[t]\n"},
    {"byte-order mark kept", "\xEF\xBB\xBF", "k", "1", "\xEF\xBB\xBF[s]\r\nk=1\r\n"},
    {"byte-order mark and a section", "\xEF\xBB\xBF[s]\nk=0\n", "k", "1",
     "\xEF\xBB\xBF[s]\nk=1\n"},
    {"names trimmed", "", " k ", " 1 ", "[s]\r\nk= 1 \r\n"},
    {"keys outside the section untouched", "k=0\n[t]\nk=0\n", "k", "1",
     "k=0\n[t]\nk=0\n[s]\nk=1\n"},
};

TEST(IniText, SetValueChangesOnlyWhatItMust) {
    for (const SetCase& row : kSetCases) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ini::SetValue(row.before, "s", row.key, row.value), row.after);
    }
}

TEST(IniText, SetValueRefusesWhatCouldNotBeReadBack) {
    const std::string_view names[][3] = {
        {"", "k", "v"},   {"  ", "k", "v"},  {"a]b", "k", "v"}, {"s\n", "k", "v"},
        {"s", "", "v"},   {"s", "a=b", "v"}, {"s", "[k", "v"},  {"s", ";k", "v"},
        {"s", "k\r", "v"}, {"s", "k", "a\nb"}, {"s", "k", "a\rb"}, {"s", "k", "a\0b"sv},
    };
    for (const auto& [section, key, value] : names) {
        SCOPED_TRACE(::testing::Message() << section << "|" << key << "|" << value);
        EXPECT_FALSE(ini::IsWritable(section, key, value));
        EXPECT_EQ(ini::SetValue("[s]\nk=1\n", section, key, value), std::nullopt);
    }
}

// --- the store on files ----------------------------------------------------------------------

constexpr std::string_view kFile = "test.ini";

// A file with everything a rewrite must keep.
constexpr std::string_view kRichFile =
    "; settings\r\n[other]\r\nSpeed=1\r\n\r\n[s]\r\nunknown = kept\r\nk=old\r\n;end\r\n";
constexpr std::string_view kRichFileWithNewValue =
    "; settings\r\n[other]\r\nSpeed=1\r\n\r\n[s]\r\nunknown = kept\r\nk=new\r\n;end\r\n";

class ProfileStoreTest : public ::testing::Test {
protected:
    std::filesystem::path FilePath() const { return directory_.Path() / kFile; }

    TemporaryDirectory directory_;
    FaultInjectingFileOperations files_;
    ProfileStore store_{directory_.Path(), files_};
};

TEST_F(ProfileStoreTest, MissingDirectoryFileSectionOrKeyReadsEmpty) {
    ProfileStore nowhere(directory_.Path() / "absent");
    EXPECT_EQ(nowhere.GetString("s", "k", kFile), "");
    EXPECT_EQ(store_.GetString("s", "k", kFile), "");
    WriteBytes(FilePath(), "[s]\r\nk=1\r\n");
    EXPECT_EQ(store_.GetString("t", "k", kFile), "");
    EXPECT_EQ(store_.GetString("s", "j", kFile), "");
    EXPECT_EQ(store_.GetString("S", "K", kFile), "1");
}

TEST_F(ProfileStoreTest, WriteCreatesDirectoryAndFileWithCrlf) {
    ProfileStore nested(directory_.Path() / "a" / "b");
    ASSERT_TRUE(nested.WriteString("s", "k", "1", kFile));
    ASSERT_TRUE(nested.WriteString("s", "j", "2", kFile));
    EXPECT_EQ(ReadBytes(directory_.Path() / "a" / "b" / kFile), "[s]\r\nk=1\r\nj=2\r\n");
    EXPECT_EQ(nested.GetString("s", "j", kFile), "2");
}

TEST_F(ProfileStoreTest, RewriteKeepsEverythingElseByteForByte) {
    WriteBytes(FilePath(), kRichFile);
    ASSERT_TRUE(store_.WriteString("S", "K", "new", kFile));
    EXPECT_EQ(ReadBytes(FilePath()), kRichFileWithNewValue);
    EXPECT_EQ(directory_.EntryNames(), std::vector<std::string>{std::string(kFile)});
}

TEST_F(ProfileStoreTest, ValuesAreCutTo1023Bytes) {
    const std::string longValue = std::string(1023, 'a') + "bcd";
    ASSERT_TRUE(store_.WriteString("s", "k", longValue, kFile));
    EXPECT_EQ(store_.GetString("s", "k", kFile), longValue.substr(0, 1023));
}

TEST_F(ProfileStoreTest, UnwritableNamesFailWithoutTouchingTheFile) {
    WriteBytes(FilePath(), kRichFile);
    EXPECT_FALSE(store_.WriteString("s", "k", "a\nb=c", kFile));
    EXPECT_FALSE(store_.WriteString("s", "k", "1", ""));
    EXPECT_EQ(ReadBytes(FilePath()), kRichFile);
}

TEST_F(ProfileStoreTest, DirectoryInPlaceOfTheFileReadsEmptyAndCannotBeWritten) {
    std::filesystem::create_directory(FilePath());
    EXPECT_EQ(store_.GetString("s", "k", kFile), "");
    EXPECT_FALSE(store_.WriteString("s", "k", "1", kFile));
    EXPECT_TRUE(std::filesystem::is_directory(FilePath()));
    EXPECT_EQ(directory_.EntryNames(), std::vector<std::string>{std::string(kFile)});
}

TEST_F(ProfileStoreTest, OversizedFileIsNeitherReadNorReplaced) {
    WriteBytes(FilePath(), "[s]\r\nk=1\r\n");
    std::filesystem::resize_file(FilePath(), ProfileStore::kMaxFileBytes + 1);  // sparse
    EXPECT_EQ(store_.GetString("s", "k", kFile), "");
    EXPECT_FALSE(store_.WriteString("s", "k", "2", kFile));
    EXPECT_EQ(std::filesystem::file_size(FilePath()), ProfileStore::kMaxFileBytes + 1);
}

TEST_F(ProfileStoreTest, TenMegabyteFileReadsAndRewrites) {
    std::string big;
    while (big.size() < 10'000'000) big += "[pad]\r\nfiller=" + std::string(200, 'f') + "\r\n";
    big += "[s]\r\nk=old\r\n";
    WriteBytes(FilePath(), big);
    EXPECT_EQ(store_.GetString("s", "k", kFile), "old");
    ASSERT_TRUE(store_.WriteString("s", "k", "new", kFile));
    EXPECT_EQ(ReadBytes(FilePath()), big.substr(0, big.size() - 5) + "new\r\n");
}

// A failure at any step of a key's write leaves the old file and no temporary file behind;
// the next write succeeds.
TEST_F(ProfileStoreTest, FailureAtAnyStepLeavesTheOldFile) {
    const FileStep steps[] = {FileStep::Read,  FileStep::CreateDirectory,
                              FileStep::CreateTemporary, FileStep::Write,
                              FileStep::Flush, FileStep::Rename};
    for (FileStep step : steps) {
        SCOPED_TRACE(::testing::Message() << "step " << static_cast<int>(step));
        WriteBytes(FilePath(), kRichFile);
        files_.FailNextCall(step);
        EXPECT_FALSE(store_.WriteString("s", "k", "new", kFile));
        EXPECT_EQ(ReadBytes(FilePath()), kRichFile);
        EXPECT_EQ(directory_.EntryNames(), std::vector<std::string>{std::string(kFile)});

        EXPECT_TRUE(store_.WriteString("s", "k", "new", kFile));
        EXPECT_EQ(ReadBytes(FilePath()), kRichFileWithNewValue);
        EXPECT_EQ(directory_.EntryNames(), std::vector<std::string>{std::string(kFile)});
    }
}

TEST_F(ProfileStoreTest, FailureOnAChosenCallOnly) {
    files_.FailCall(FileStep::Rename, 2);
    EXPECT_TRUE(store_.WriteString("s", "a", "1", kFile));
    EXPECT_FALSE(store_.WriteString("s", "b", "2", kFile));
    EXPECT_TRUE(store_.WriteString("s", "c", "3", kFile));
    EXPECT_EQ(ReadBytes(FilePath()), "[s]\r\na=1\r\nc=3\r\n");
    EXPECT_EQ(files_.Calls(FileStep::Rename), 3);

    files_.FailEveryCall(FileStep::Flush);
    EXPECT_FALSE(store_.WriteString("s", "a", "x", kFile));
    EXPECT_FALSE(store_.WriteString("s", "a", "y", kFile));
    files_.ClearFailures();
    EXPECT_TRUE(store_.WriteString("s", "a", "z", kFile));
    EXPECT_EQ(ReadBytes(FilePath()), "[s]\r\na=z\r\nc=3\r\n");
}

// 1,000 rewrites of random keys with failures injected at random steps, against a model of
// what every key holds. A failed write leaves the file byte for byte; a successful one
// changes its key and nothing else: unknown keys, other sections, comments and the file's
// line break survive every round.
TEST_F(ProfileStoreTest, RandomRewritesWithFailuresKeepTheModel) {
    using Model = std::map<std::pair<std::string, std::string>, std::string>;
    const auto lower = [](std::string name) {
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return name;
    };
    const auto commentsOf = [](std::string_view text) {
        std::vector<std::string> comments;
        ini::LineReader reader(text);
        ini::Line line;
        while (reader.Next(line)) {
            if (line.kind == ini::LineKind::Comment) comments.emplace_back(text.substr(line.begin, line.end - line.begin));
        }
        return comments;
    };
    const auto onlyLineBreak = [](std::string_view text, std::string_view lineBreak) {
        std::string rest(text);
        for (std::size_t at; (at = rest.find(lineBreak)) != std::string::npos;) rest.erase(at, lineBreak.size());
        return rest.find_first_of("\r\n") == std::string::npos;
    };
    const std::string_view sections[] = {"nuvo_k48", "NUVO_K48", "Desktop", "Later", "Added"};
    const std::string_view keys[] = {"Speed", "speed", "Amp", "Komakasa", "Tate", "Colour", "x", "Extra"};
    const FileStep steps[] = {FileStep::Read,  FileStep::CreateDirectory, FileStep::CreateTemporary,
                              FileStep::Write, FileStep::Flush,           FileStep::Rename};
    std::mt19937 random(1048);
    const auto pick = [&](const auto& items) { return items[random() % std::size(items)]; };
    const auto randomValue = [&] {
        static constexpr std::string_view kChars = "0123456789abcXYZ$-=;[]\"";
        std::string value;
        for (std::size_t n = random() % 8; n > 0; --n) value += kChars[random() % kChars.size()];
        if (value.size() > 2 && random() % 4 == 0) value[1] = ' ';  // blanks inside are kept
        return value;
    };

    int failures = 0;
    for (const std::string_view lineBreak : {"\r\n"sv, "\n"sv, "\r"sv}) {
        SCOPED_TRACE(testing::Message() << "line break " << testing::PrintToString(std::string(lineBreak)));
        const std::string br(lineBreak);
        const std::string original = "; edited by hand" + br + "[Desktop]" + br + "Speed=9" + br +
                                     "Wallpaper=none" + br + br + "[nuvo_k48]" + br + "Speed = 350" + br +
                                     "; the wave's speed" + br + "Colour=red" + br + "[Later]" + br + "x=1" + br;
        WriteBytes(FilePath(), original);
        Model model{{{"desktop", "speed"}, "9"},   {{"desktop", "wallpaper"}, "none"},
                    {{"nuvo_k48", "speed"}, "350"}, {{"nuvo_k48", "colour"}, "red"},
                    {{"later", "x"}, "1"}};
        const std::vector<std::string> comments = commentsOf(original);

        for (int round = 0; round < 334; ++round) {
            const std::string_view section = pick(sections);
            const std::string_view key = pick(keys);
            const std::string value = randomValue();
            const bool fail = random() % 3 == 0;
            if (fail) files_.FailNextCall(steps[random() % std::size(steps)]);
            const std::string before = ReadBytes(FilePath());

            const bool written = store_.WriteString(section, key, value, kFile);
            files_.ClearFailures();
            ASSERT_EQ(written, !fail) << "round " << round;
            if (fail) {
                ++failures;
                ASSERT_EQ(ReadBytes(FilePath()), before) << "round " << round;
            } else {
                model[{lower(std::string(section)), lower(std::string(key))}] = value;
            }
            ASSERT_EQ(directory_.EntryNames(), std::vector<std::string>{std::string(kFile)}) << "round " << round;
            const std::string after = ReadBytes(FilePath());
            ASSERT_EQ(commentsOf(after), comments) << "round " << round;
            ASSERT_TRUE(onlyLineBreak(after, lineBreak)) << "round " << round;
            for (const auto& [name, expected] : model) {
                ASSERT_EQ(store_.GetString(name.first, name.second, kFile), expected)
                    << "round " << round << ": [" << name.first << "] " << name.second;
            }
        }
    }
    EXPECT_GT(failures, 250);  // the rounds did exercise the failures
}

// --- the file's place: links, permissions, owner -----------------------------------------

enum class RunAs { TheTestsUser, AnOrdinaryUser, Root };

constexpr uid_t kNobody = 65534;  // uid and gid of the ordinary user a root test runs as

struct PlaceCase {
    const char* name;
    // Symbolic links made in order, as (link, link text), relative to the folder; "{dir}" in
    // a link text stands for the folder.
    std::vector<std::pair<std::string, std::string>> links;
    const char* file;               // where the settings end up, in the folder; null: nowhere
    std::optional<mode_t> oldMode;  // that file's mode before; nullopt: not there yet
    mode_t umask;
    RunAs runAs;
    bool written;
    mode_t mode;  // of the file afterwards

    friend void PrintTo(const PlaceCase& row, std::ostream* out) { *out << row.name; }
};

std::string Octal(mode_t mode) {
    std::ostringstream text;
    text << std::oct << std::setfill('0') << std::setw(4) << mode;
    return text.str();
}

const PlaceCase kPlaceCases[] = {
    {"Mode0600Kept", {}, "test.ini", 0600, 022, RunAs::TheTestsUser, true, 0600},
    {"Mode0640Kept", {}, "test.ini", 0640, 022, RunAs::TheTestsUser, true, 0640},
    {"Mode0664KeptDespiteTheUmask", {}, "test.ini", 0664, 022, RunAs::TheTestsUser, true, 0664},
    {"NewFileTakesTheUmask", {}, "test.ini", std::nullopt, 027, RunAs::TheTestsUser, true, 0640},
    {"ReadOnlyFileRefused", {}, "test.ini", 0444, 022, RunAs::AnOrdinaryUser, false, 0444},
    {"RootWritesSomeoneElsesReadOnlyFileKeepingOwnerAndGroup", {}, "test.ini", 0444, 022,
     RunAs::Root, true, 0444},
    {"Link", {{"test.ini", "dotfiles/nuvo.ini"}}, "dotfiles/nuvo.ini", 0600, 022,
     RunAs::TheTestsUser, true, 0600},
    {"ChainOfTwoLinksTheSecondRelativeToItsFolder",
     {{"test.ini", "{dir}/dotfiles/hop.ini"}, {"dotfiles/hop.ini", "nuvo.ini"}},
     "dotfiles/nuvo.ini", 0640, 022, RunAs::TheTestsUser, true, 0640},
    {"LinkToAFileNotYetThere", {{"test.ini", "dotfiles/nuvo.ini"}}, "dotfiles/nuvo.ini",
     std::nullopt, 027, RunAs::TheTestsUser, true, 0640},
    {"LoopRefused", {{"test.ini", "loop.ini"}, {"loop.ini", "test.ini"}}, nullptr, std::nullopt,
     022, RunAs::TheTestsUser, false, 0},
};

class FilePlace : public ::testing::TestWithParam<PlaceCase> {
protected:
    // Every entry below the folder: its name, and its link text for a link.
    std::set<std::pair<std::string, std::string>> Tree() const {
        std::set<std::pair<std::string, std::string>> entries;
        const std::filesystem::path& folder = directory_.Path();
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            const std::string linkText =
                entry.is_symlink() ? std::filesystem::read_symlink(entry).string() : "";
            entries.emplace(entry.path().lexically_relative(folder).string(), linkText);
        }
        return entries;
    }

    // Writes one key as the row says; nullopt when this process cannot become the user.
    std::optional<bool> Write(RunAs runAs) const {
        const auto write = [&] {
            return ProfileStore(directory_.Path()).WriteString("s", "k", "new", kFile);
        };
        if (runAs != RunAs::AnOrdinaryUser || ::geteuid() != 0) return write();
        // Root passes every permission check, so the write runs as nobody in a child.
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
                ::_exit(2);
            }
            ::_exit(write() ? 0 : 1);
        }
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) == 2) {
            return std::nullopt;
        }
        return WEXITSTATUS(status) == 0;
    }

    TemporaryDirectory directory_;
};

// Links stay links and lead the write to their file; the file keeps its mode, owner and
// group; a file the user may not write, or a loop, changes nothing; no temporary file stays.
TEST_P(FilePlace, RewriteKeepsLinksAndPermissions) {
    const PlaceCase& row = GetParam();
    if (row.runAs == RunAs::Root && ::geteuid() != 0) {
        GTEST_SKIP() << "needs root, who may write any file";
    }
    const std::filesystem::path& folder = directory_.Path();
    for (const auto& [link, text] : row.links) {
        std::string target = text;
        if (const auto at = target.find("{dir}"); at != std::string::npos) {
            target.replace(at, 5, folder.string());
        }
        std::filesystem::create_directories((folder / link).parent_path());
        std::filesystem::create_symlink(target, folder / link);
    }
    const std::optional<std::filesystem::path> file =
        row.file ? std::optional(folder / row.file) : std::nullopt;
    if (file) std::filesystem::create_directories(file->parent_path());
    struct stat before {};
    if (row.oldMode) {
        WriteBytes(*file, kRichFile);
        ASSERT_EQ(::chmod(file->c_str(), *row.oldMode), 0);
        if (row.runAs == RunAs::Root) {
            ASSERT_EQ(::chown(file->c_str(), kNobody, kNobody), 0);
        }
    }
    if (row.runAs == RunAs::AnOrdinaryUser && ::geteuid() == 0) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            ASSERT_EQ(::lchown(entry.path().c_str(), kNobody, kNobody), 0);
        }
        ASSERT_EQ(::lchown(folder.c_str(), kNobody, kNobody), 0);
    }
    if (row.oldMode) {
        ASSERT_EQ(::stat(file->c_str(), &before), 0);
    }
    const auto treeBefore = Tree();

    const mode_t umaskBefore = ::umask(row.umask);
    const std::optional<bool> written = Write(row.runAs);
    ::umask(umaskBefore);
    if (!written) {
        GTEST_SKIP() << "cannot switch to uid " << kNobody
                     << ": the case needs a user other than root";
    }

    EXPECT_EQ(*written, row.written);
    auto expectedTree = treeBefore;
    if (file && row.written) expectedTree.emplace(row.file, "");
    EXPECT_EQ(Tree(), expectedTree);  // links kept, no temporary file, nothing else made
    if (!file) return;
    EXPECT_EQ(ReadBytes(*file), !row.written ? kRichFile
                                : row.oldMode ? kRichFileWithNewValue
                                              : "[s]\r\nk=new\r\n");
    struct stat after {};
    ASSERT_EQ(::stat(file->c_str(), &after), 0);
    EXPECT_EQ(Octal(after.st_mode & 07777), Octal(row.mode));
    if (row.oldMode) {
        EXPECT_EQ(after.st_uid, before.st_uid);
        EXPECT_EQ(after.st_gid, before.st_gid);
    }
}

INSTANTIATE_TEST_SUITE_P(ProfileStore, FilePlace, ::testing::ValuesIn(kPlaceCases),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace nuvo
