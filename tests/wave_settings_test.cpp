// The settings file through the INI-file object and our INI store, on a real file.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <string_view>

#include "platform/profile/file_operations.h"
#include "platform/profile/profile_store.h"
#include "settings/wave_settings.h"
#include "temporary_directory.h"
#include "ui/ini_files.h"

namespace nuvo {
namespace {

using test_support::ReadBytes;
using test_support::TemporaryDirectory;
using test_support::WriteBytes;

// The profile functions over our INI store: all the settings code needs.
class StoreProfile final : public ProfileFunctions {
public:
    explicit StoreProfile(ProfileStore& store) : store_(store) {}

    std::string GetProfileString(std::string_view section, std::string_view key,
                                 std::string_view fileName) override {
        return store_.GetString(section, key, fileName);
    }
    bool WriteProfileString(std::string_view section, std::string_view key,
                            std::string_view value, std::string_view fileName) override {
        return store_.WriteString(section, key, value, fileName);
    }

private:
    ProfileStore& store_;
};

constexpr std::string_view kDefaultsFile =
    "[nuvo_k48]\r\nKomakasa=1\r\nSpeed=350\r\nAmp=10\r\nTate=0\r\n";

class WaveSettingsTest : public ::testing::Test {
protected:
    std::filesystem::path SettingsPath() const { return directory_.Path() / kSettingsFileName; }

    TemporaryDirectory directory_;
    FaultInjectingFileOperations files_;
    ProfileStore store_{directory_.Path(), files_};
    StoreProfile port_{store_};
};

TEST_F(WaveSettingsTest, NoFileGivesTheDefaultsAndCreatesNothing) {
    EXPECT_EQ(ReadWaveSettings(port_), (TWaveSettings{1, 350, 10, false}));
    EXPECT_TRUE(directory_.EntryNames().empty());
}

struct KeyCase {
    std::string_view line;  // the one line under [nuvo_k48]
    TWaveSettings expected;
};

constexpr TWaveSettings WithDetail(std::int32_t v) { return {v, 350, 10, false}; }
constexpr TWaveSettings WithSpeed(std::int32_t v) { return {1, v, 10, false}; }
constexpr TWaveSettings WithAmp(std::int32_t v) { return {1, 350, v, false}; }
constexpr TWaveSettings WithTate(bool v) { return {1, 350, 10, v}; }

const KeyCase kKeyCases[] = {
    {"Speed=0x1F4", WithSpeed(500)},
    {"Speed=0X1f4", WithSpeed(500)},
    {"Speed=$1F4", WithSpeed(500)},
    {"Speed=0x", WithSpeed(350)},
    {"Speed=0xFFFFFFFF", WithSpeed(-1)},
    {"Speed=$FFFFFFFF", WithSpeed(-1)},
    {"Speed=0x80000000", WithSpeed(-2147483647 - 1)},
    {"Speed=0x100000000", WithSpeed(350)},
    {"Speed=-$10", WithSpeed(350)},
    {"Speed=-0x10", WithSpeed(350)},
    {"Speed=-40", WithSpeed(-40)},
    {"Speed=2147483647", WithSpeed(2147483647)},
    {"Speed=2147483648", WithSpeed(350)},
    {"Speed=", WithSpeed(350)},
    {"Amp=   12", WithAmp(12)},
    {"Amp=12mm", WithAmp(10)},
    {"Amp=-2147483648", WithAmp(-2147483647 - 1)},
    {"Komakasa=7", WithDetail(7)},
    {"Komakasa=0", WithDetail(0)},
    {"Komakasa=x", WithDetail(1)},
    {"Tate=1", WithTate(true)},
    {"Tate=2", WithTate(true)},
    {"Tate=-1", WithTate(true)},
    {"Tate=0x10", WithTate(true)},
    {"Tate=0", WithTate(false)},
    {"Tate=yes", WithTate(false)},
    {"Tate=true", WithTate(false)},
};

TEST_F(WaveSettingsTest, EachKeyFollowsTheIntegerRulesAndOnlyItsOwnDefault) {
    for (const KeyCase& row : kKeyCases) {
        SCOPED_TRACE(row.line);
        WriteBytes(SettingsPath(), "[nuvo_k48]\r\n" + std::string(row.line) + "\r\n");
        EXPECT_EQ(ReadWaveSettings(port_), row.expected);
    }
}

TEST_F(WaveSettingsTest, NamesMatchWithoutCaseAndTheFirstOneCounts) {
    WriteBytes(SettingsPath(),
               "[Other]\nSpeed=1\n[NUVO_K48]\nSPEED=100\nspeed=200\n[nuvo_k48]\nAmp=30\n");
    EXPECT_EQ(ReadWaveSettings(port_), WithSpeed(100));
}

// Files no program of ours wrote: each reads without harm, every key giving its value or,
// where the rules say so, its default.
TEST_F(WaveSettingsTest, HostileFilesGiveValuesOrDefaults) {
    using namespace std::string_literals;
    const auto settingsWith = [](std::string_view br) {
        return "[nuvo_k48]"s + br.data() + "Komakasa=2" + br.data() + "Speed=100" + br.data() + "Amp=20" +
               br.data() + "Tate=1" + br.data();
    };
    const TWaveSettings chosen{2, 100, 20, true};
    const TWaveSettings defaults{};
    std::mt19937 random(48);
    std::string garbage(10'000'000, '\0');
    for (char& c : garbage) c = static_cast<char>(random());
    const std::string longLine(100'000, 'x');

    const struct {
        std::string_view name;
        std::string file;
        TWaveSettings expected;
    } cases[] = {
        {"CRLF", settingsWith("\r\n"), chosen},
        {"LF", settingsWith("\n"), chosen},
        {"CR", settingsWith("\r"), chosen},
        {"mixed line breaks, none at the end", "[nuvo_k48]\rKomakasa=2\nSpeed=100\r\nAmp=20\n\rTate=1", chosen},
        {"byte-order mark", "\xEF\xBB\xBF" + settingsWith("\r\n"), chosen},
        {"byte-order mark inside the file is part of a name",
         "[nuvo_k48]\n\xEF\xBB\xBFSpeed=100\nAmp=20\n", {1, 350, 20, false}},
        {"NUL bytes in values fail, around them are harmless",
         "\0\0\0\n[nuvo_k48]\nSpeed=1\0"s "00\n\0=\0\nAmp=20\nTate=\0\n", {1, 350, 20, false}},
        {"NUL in a section name makes another section", "[nuvo\0_k48]\nSpeed=100\n"s, defaults},
        {"10 MB of garbage before the section", garbage + "\n" + settingsWith("\n"), chosen},
        {"10 MB of garbage and no section", garbage, defaults},
        {"a 100,000-character comment, key and section", "; " + longLine + "\n[" + longLine + "]\nSpeed=1\n" +
                                                               longLine + "=1\n" + settingsWith("\n"), chosen},
        {"a 100,000-digit value is out of range", "[nuvo_k48]\nSpeed=" + std::string(100'000, '7') + "\n",
         defaults},
        {"a value is cut to 1023 characters before it converts",
         "[nuvo_k48]\nSpeed=" + std::string(99'997, '0') + "500\n", {1, 0, 10, false}},
        {"blanks around a value are trimmed, however many",
         "[nuvo_k48]\nAmp=" + std::string(100'000, ' ') + "12\t\n", {1, 350, 12, false}},
        {"duplicate keys and sections: the first counts",
         "[nuvo_k48]\nSpeed=100\nSPEED=200\nTate=1\n[NUVO_K48]\nSpeed=300\nAmp=20\n", {1, 100, 10, true}},
        {"bytes of 128 and above are no digits", "[nuvo_k48]\nSpeed=\xEF\xBC\x91\nAmp=2\xFF\n", defaults},
        {"empty file", "", defaults},
        {"section without keys", "[nuvo_k48]", defaults},
        {"keys without their section", "Komakasa=2\nSpeed=100\nAmp=20\nTate=1\n", defaults},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        WriteBytes(SettingsPath(), row.file);
        EXPECT_EQ(ReadWaveSettings(port_), row.expected);
    }
}

TEST_F(WaveSettingsTest, DefaultsWriteTheseExactBytes) {
    WriteWaveSettings(port_, TWaveSettings{});
    EXPECT_EQ(ReadBytes(SettingsPath()), kDefaultsFile);
}

TEST_F(WaveSettingsTest, WrittenSettingsReadBack) {
    const TWaveSettings settings{0, 500, 35, true};
    WriteWaveSettings(port_, settings);
    EXPECT_EQ(ReadBytes(SettingsPath()), "[nuvo_k48]\r\nKomakasa=0\r\nSpeed=500\r\nAmp=35\r\nTate=1\r\n");
    EXPECT_EQ(ReadWaveSettings(port_), settings);

    const TWaveSettings extremes{-2147483647 - 1, 2147483647, -40, false};
    WriteWaveSettings(port_, extremes);
    EXPECT_EQ(ReadWaveSettings(port_), extremes);
}

TEST_F(WaveSettingsTest, RewriteKeepsUnknownKeysSectionsCommentsAndLineBreaks) {
    WriteBytes(SettingsPath(),
               "; written by hand\n[Desktop]\nSpeed=9\n\n[NUVO_K48]\nspeed = 0x10\nColour=red\n"
               "Tate=yes\n; end of ours\n[Later]\nx=1\n");
    WriteWaveSettings(port_, TWaveSettings{2, 100, 20, true});
    EXPECT_EQ(ReadBytes(SettingsPath()),
              "; written by hand\n[Desktop]\nSpeed=9\n\n[NUVO_K48]\nspeed = 100\nColour=red\n"
              "Tate=1\nKomakasa=2\nAmp=20\n; end of ours\n[Later]\nx=1\n");
}

TEST_F(WaveSettingsTest, FailureAtAmpKeepsTheEarlierKeysAndThrowsTheFileName) {
    WriteBytes(SettingsPath(), kDefaultsFile);
    files_.FailCall(FileStep::Write, 3);  // Komakasa, Speed, then Amp
    try {
        WriteWaveSettings(port_, TWaveSettings{2, 500, 35, true});
        FAIL() << "the failed write was not reported";
    } catch (const EIniFileException& error) {
        EXPECT_STREQ(error.what(), "nuvo_k48.ini に書き込めません");
    }
    EXPECT_EQ(ReadBytes(SettingsPath()),
              "[nuvo_k48]\r\nKomakasa=2\r\nSpeed=500\r\nAmp=10\r\nTate=0\r\n");
    EXPECT_EQ(files_.Calls(FileStep::Write), 3);  // Tate was not attempted
    EXPECT_EQ(directory_.EntryNames(), std::vector<std::string>{std::string(kSettingsFileName)});

    WriteWaveSettings(port_, TWaveSettings{2, 500, 35, true});
    EXPECT_EQ(ReadWaveSettings(port_), (TWaveSettings{2, 500, 35, true}));
}

// The INI-file object on its own, with a file it cannot write: a directory in its place.
TEST_F(WaveSettingsTest, IniFileNamesItsOwnFileInTheErrorAndReadsBooleansByDefault) {
    std::filesystem::create_directory(directory_.Path() / "other.ini");
    TIniFile ini(port_, "other.ini");
    EXPECT_TRUE(ini.ReadBool("s", "b", true));
    EXPECT_FALSE(ini.ReadBool("s", "b", false));
    EXPECT_EQ(ini.ReadInteger("s", "i", -5), -5);
    EXPECT_EQ(ini.ReadString("s", "i"), "");
    try {
        ini.WriteBool("s", "b", true);
        FAIL() << "the failed write was not reported";
    } catch (const EIniFileException& error) {
        EXPECT_STREQ(error.what(), "other.ini に書き込めません");
    }

    TIniFile good(port_, "good.ini");
    good.WriteString("s", "word", "yes");
    good.WriteInteger("s", "i", -7);
    EXPECT_TRUE(good.ReadBool("s", "word", true));  // unconvertible: the default
    EXPECT_FALSE(good.ReadBool("s", "word", false));
    EXPECT_EQ(good.ReadInteger("s", "i", 0), -7);
}

}  // namespace
}  // namespace nuvo
