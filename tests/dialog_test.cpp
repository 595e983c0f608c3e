// The settings dialog on the headless desktop.
#include <filesystem>
#include <functional>

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
                  focus.push_back(platform->FocusedComponent(platform->MainWindow()));
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

TEST_F(DialogTest, AFailedWriteShowsTheErrorKeepsTheDialogOpenAndARetryWorks) {
    std::vector<headless::MessageBoxRecord> boxes;
    std::string fileWhenBoxShowed;
    platform->FileFaults().FailCall(FileStep::Rename, 2);  // the write of "Speed"
    platform->onMessageBox = [&](const headless::MessageBoxRecord& box) {
        boxes.push_back(box);
        fileWhenBoxShowed = ReadSettingsFile();
    };
    ASSERT_EQ(RunDialog([&](int wait) {
                  if (wait == 1) platform->PostKey(keys::vkReturn);
                  if (wait == 2) platform->PostClick("BitBtn1");
              }),
              0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "nuvo_k48.ini に書き込めません.");
    EXPECT_EQ(boxes[0].title, "nuvo_k48");
    EXPECT_EQ(boxes[0].icon, TMessageBoxIcon::Error);
    EXPECT_TRUE(boxes[0].ownerDisabled);
    EXPECT_EQ(fileWhenBoxShowed, "[nuvo_k48]\r\nKomakasa=1\r\n");
    EXPECT_EQ(ReadSettingsFile(), kDefaultsFile);
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
