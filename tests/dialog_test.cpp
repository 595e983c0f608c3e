// The settings dialog on the headless desktop.
#include <filesystem>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "forms/form_designs.h"
#include "headless_fixture.h"

namespace nuvo::testing {
namespace {

constexpr const char* kDefaultsFile = "[nuvo_k48]\r\nKomakasa=1\r\nSpeed=350\r\nAmp=10\r\nTate=0\r\n";

class DialogTest : public HeadlessTest {
protected:
    // Runs "/c"; `script` runs each time the dialog waits for the user, with the number of
    // the wait (from 1). A script that posts nothing ends the test run with a failure.
    int RunDialog(const std::function<void(int wait)>& script) {
        int wait = 0;
        platform->onWaitForInput = [&] { script(++wait); };
        return Run("nuvo_k48.scr /c");
    }
    int Value(const char* component) {
        const int index = ComponentIndex(MorlaptCNFDesign(), component);
        return platform->MainWindowState()->controlValues.at(static_cast<std::size_t>(index));
    }
    struct Shown {
        int detail, speed, amplitude, vertical;
        friend bool operator==(const Shown&, const Shown&) = default;
    };
    Shown Controls() { return {Value("RadioGroup1"), Value("ScrollBar1"), Value("ScrollBar2"), Value("CheckBox1")}; }
};

TEST_F(DialogTest, WithoutAFileItShowsTheDefaultsAndEnterWritesExactlyTheFourKeys) {
    Shown shown{};
    ASSERT_EQ(RunDialog([&](int) {
                  shown = Controls();
                  const auto& window = *platform->MainWindowState();
                  EXPECT_EQ(window.className, "TMorlaptCNF");
                  EXPECT_TRUE(window.visible);
                  EXPECT_EQ(window.bounds, (TRect{(64 - 299) / 2, (48 - 160) / 2, 299, 160}));
                  platform->PostKey(keys::vkReturn);
              }),
              0);
    EXPECT_EQ(shown, (Shown{1, 350, 10, 0}));
    EXPECT_EQ(ReadSettingsFile(), kDefaultsFile);
    EXPECT_TRUE(desktop->Windows().empty());
}

TEST_F(DialogTest, StoredValuesAreClampedIntoTheControlsAndOkStoresTheClampedValues) {
    const struct {
        const char* file;
        Shown shown;
        const char* written;
    } cases[] = {
        {"[nuvo_k48]\nKomakasa=7\nSpeed=900\nAmp=2\nTate=2\n", {2, 500, 5, 1},
         "[nuvo_k48]\nKomakasa=2\nSpeed=500\nAmp=5\nTate=1\n"},
        {"[nuvo_k48]\r\nKomakasa=-3\r\nSpeed=-40\r\nAmp=99\r\nTate=yes\r\n", {-1, 0, 35, 0},
         "[nuvo_k48]\r\nKomakasa=-1\r\nSpeed=0\r\nAmp=35\r\nTate=0\r\n"},
        {"[NUVO_K48]\r\nkomakasa=0\r\nSPEED=$80000000\r\namp=0x7FFFFFFF\r\n", {0, 0, 35, 0},
         "[NUVO_K48]\r\nkomakasa=0\r\nSPEED=0\r\namp=35\r\nTate=0\r\n"},
        // every key at the edges of the 32-bit range
        {"[nuvo_k48]\nKomakasa=-2147483648\nSpeed=-2147483648\nAmp=-2147483648\nTate=-2147483648\n",
         {-1, 0, 5, 1}, "[nuvo_k48]\nKomakasa=-1\nSpeed=0\nAmp=5\nTate=1\n"},
        {"[nuvo_k48]\nKomakasa=2147483647\nSpeed=2147483647\nAmp=2147483647\nTate=2147483647\n",
         {2, 500, 35, 1}, "[nuvo_k48]\nKomakasa=2\nSpeed=500\nAmp=35\nTate=1\n"},
        {"[nuvo_k48]\nKomakasa=$FFFFFFFF\nSpeed=$FFFFFFFF\nAmp=$FFFFFFFF\nTate=$FFFFFFFF\n", {-1, 0, 5, 1},
         "[nuvo_k48]\nKomakasa=-1\nSpeed=0\nAmp=5\nTate=1\n"},
        {"[nuvo_k48]\nKomakasa=$80000000\nSpeed=$80000000\nAmp=$80000000\nTate=$80000000\n", {-1, 0, 5, 1},
         "[nuvo_k48]\nKomakasa=-1\nSpeed=0\nAmp=5\nTate=1\n"},
        {"[nuvo_k48]\nKomakasa=$123456789\nSpeed=$123456789\nAmp=$123456789\nTate=$123456789\n",
         {1, 350, 10, 0}, "[nuvo_k48]\nKomakasa=1\nSpeed=350\nAmp=10\nTate=0\n"},
    };
    for (const auto& c : cases) {
        WriteSettingsFile(c.file);
        Shown shown{};
        ASSERT_EQ(RunDialog([&](int) {
                      shown = Controls();
                      platform->PostClick("BitBtn1");
                  }),
                  0);
        EXPECT_EQ(shown, c.shown) << c.file;
        EXPECT_EQ(ReadSettingsFile(), c.written) << c.file;
    }
}

TEST_F(DialogTest, OkStoresWhatTheUserChose) {
    ASSERT_EQ(RunDialog([&](int) {
                  platform->PostSetValue("RadioGroup1", 0);
                  platform->PostSetValue("ScrollBar1", 420);
                  platform->PostKey(keys::vkRight);  // one step on the focused bar
                  platform->PostSetValue("ScrollBar2", 35);
                  platform->PostSetValue("CheckBox1", 1);
                  platform->PostClick("BitBtn1");
              }),
              0);
    EXPECT_EQ(ReadSettingsFile(), "[nuvo_k48]\r\nKomakasa=0\r\nSpeed=421\r\nAmp=35\r\nTate=1\r\n");
}

TEST_F(DialogTest, CancellingInAnyWayLeavesTheFileAsItWas) {
    const std::string original = "; mine\r\n[nuvo_k48]\r\nSpeed=12\r\n[other]\r\nx=1\r\n";
    const std::function<void()> cancels[] = {
        [&] { platform->PostKey(keys::vkEscape); },
        [&] { platform->PostClick("BitBtn2"); },
        [&] { platform->PostCloseBox(); },
        [&] {  // Enter while the Cancel button has the focus, two stops back from the bar
            platform->PostKey(keys::vkTab, {.shift = true});
            platform->PostKey(keys::vkTab, {.shift = true});
            platform->PostKey(keys::vkReturn);
        },
    };
    for (const auto& cancel : cancels) {
        WriteSettingsFile(original);
        ASSERT_EQ(RunDialog([&](int) {
                      platform->PostSetValue("ScrollBar1", 499);
                      cancel();
                  }),
                  0);
        EXPECT_EQ(ReadSettingsFile(), original);
    }
}

TEST_F(DialogTest, EnterAndEscWithShiftCtrlOrAltDoNothing) {
    for (TShiftState held : {TShiftState{.shift = true}, TShiftState{.ctrl = true}, TShiftState{.alt = true}}) {
        std::filesystem::remove(SettingsPath());
        bool stillOpen = false;
        ASSERT_EQ(RunDialog([&](int wait) {
                      if (wait == 1) {
                          platform->PostKey(keys::vkReturn, held);
                          platform->PostKey(keys::vkEscape, held);
                      } else {
                          stillOpen = platform->MainWindowState() != nullptr;
                          platform->PostKey(keys::vkEscape);
                      }
                  }),
                  0);
        EXPECT_TRUE(stillOpen);
        EXPECT_FALSE(std::filesystem::exists(SettingsPath()));
    }
}

TEST_F(DialogTest, TabWalksTheControlsInTabOrder) {
    std::vector<int> focus;
    ASSERT_EQ(RunDialog([&](int wait) {
                  focus.push_back(platform->MainWindowState()->focused);
                  if (wait < 8) {
                      platform->PostKey(keys::vkTab, {.shift = wait == 7});
                  } else {
                      platform->PostKey(keys::vkEscape);
                  }
              }),
              0);
    const auto index = [](const char* name) { return ComponentIndex(MorlaptCNFDesign(), name); };
    EXPECT_EQ(focus, (std::vector<int>{index("BitBtn1"), index("BitBtn2"), index("RadioGroup1"),
                                       index("ScrollBar1"), index("ScrollBar2"), index("CheckBox1"),
                                       index("BitBtn1"), index("CheckBox1")}));
}

// A failure at any step of the rewrite of any key: the error box shows while the file holds
// exactly the keys written before it (byte for byte, or no file at all), the dialog stays
// open, and pressing OK again writes everything.
TEST_F(DialogTest, AFailedWriteShowsTheErrorKeepsTheDialogOpenAndARetryWorks) {
    const std::string rich = "; mine\n[nuvo_k48]\nKomakasa=0\nSpeed=100\nAmp=20\nTate=1\nColour=red\n[other]\nx=1\n";
    // The file after 0 to 4 of the keys are written, from no file and from the rich one.
    const std::optional<std::string> fromNothing[] = {
        std::nullopt, "[nuvo_k48]\r\nKomakasa=2\r\n", "[nuvo_k48]\r\nKomakasa=2\r\nSpeed=400\r\n",
        "[nuvo_k48]\r\nKomakasa=2\r\nSpeed=400\r\nAmp=30\r\n",
        "[nuvo_k48]\r\nKomakasa=2\r\nSpeed=400\r\nAmp=30\r\nTate=0\r\n"};
    const std::optional<std::string> fromRich[] = {
        rich, "; mine\n[nuvo_k48]\nKomakasa=2\nSpeed=100\nAmp=20\nTate=1\nColour=red\n[other]\nx=1\n",
        "; mine\n[nuvo_k48]\nKomakasa=2\nSpeed=400\nAmp=20\nTate=1\nColour=red\n[other]\nx=1\n",
        "; mine\n[nuvo_k48]\nKomakasa=2\nSpeed=400\nAmp=30\nTate=1\nColour=red\n[other]\nx=1\n",
        "; mine\n[nuvo_k48]\nKomakasa=2\nSpeed=400\nAmp=30\nTate=0\nColour=red\n[other]\nx=1\n"};
    const auto fileNow = [&]() -> std::optional<std::string> {
        if (!std::filesystem::exists(SettingsPath())) return std::nullopt;
        return ReadSettingsFile();
    };
    const FileStep steps[] = {FileStep::Read,  FileStep::CreateDirectory, FileStep::CreateTemporary,
                              FileStep::Write, FileStep::Flush,           FileStep::Rename};
    for (const auto* stages : {&fromNothing, &fromRich}) {
        for (FileStep step : steps) {
            for (int key = 1; key <= 4; ++key) {
                SCOPED_TRACE(::testing::Message() << (stages == &fromRich ? "rich file" : "no file") << ", step "
                                                << static_cast<int>(step) << ", key " << key);
                UseScreen(64, 48);
                std::filesystem::remove_all(SettingsPath());
                if (stages == &fromRich) WriteSettingsFile(rich);
                std::vector<headless::MessageBoxRecord> boxes;
                std::optional<std::string> fileWhenBoxShowed;
                platform->onMessageBox = [&](const headless::MessageBoxRecord& box) {
                    boxes.push_back(box);
                    fileWhenBoxShowed = fileNow();
                };
                bool openAfterTheError = false;
                ASSERT_EQ(RunDialog([&](int wait) {
                              if (wait == 1) {
                                  platform->FileFaults().FailCall(step, platform->FileFaults().Calls(step) + key);
                                  platform->PostSetValue("RadioGroup1", 2);
                                  platform->PostSetValue("ScrollBar1", 400);
                                  platform->PostSetValue("ScrollBar2", 30);
                                  platform->PostSetValue("CheckBox1", 0);
                                  platform->PostKey(keys::vkReturn);
                              } else {
                                  openAfterTheError = platform->MainWindowState() != nullptr;
                                  platform->PostClick("BitBtn1");
                              }
                          }),
                          0);
                ASSERT_EQ(boxes.size(), 1u);
                EXPECT_EQ(boxes[0].text, "nuvo_k48.ini に書き込めません.");
                EXPECT_EQ(boxes[0].title, "nuvo_k48");
                EXPECT_EQ(boxes[0].icon, TMessageBoxIcon::Error);
                EXPECT_TRUE(boxes[0].ownerDisabled);
                EXPECT_EQ(fileWhenBoxShowed, (*stages)[key - 1]);
                EXPECT_TRUE(openAfterTheError);
                EXPECT_EQ(fileNow(), (*stages)[4]);
                EXPECT_EQ(std::distance(std::filesystem::directory_iterator(profileDir),
                                        std::filesystem::directory_iterator()),
                          1)
                    << "a temporary file was left behind";
            }
        }
    }
}

TEST_F(DialogTest, AProfileFileThatIsADirectoryCannotBeWritten) {
    std::filesystem::create_directory(SettingsPath());
    int boxes = 0;
    platform->onMessageBox = [&](const headless::MessageBoxRecord& box) {
        ++boxes;
        EXPECT_EQ(box.text, "nuvo_k48.ini に書き込めません.");
    };
    ASSERT_EQ(RunDialog([&](int wait) { platform->PostKey(wait == 1 ? keys::vkReturn : keys::vkEscape); }), 0);
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(std::filesystem::is_directory(SettingsPath()));
}

}  // namespace
}  // namespace nuvo::testing
