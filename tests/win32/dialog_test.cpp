// The settings dialog on Wine: its window and controls as a user sees them, the keys that
// write the settings file or leave it alone, and the error box when it cannot be written.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "forms/form_designs.h"
#include "wine_desktop.h"

namespace nuvo::wine_test {
namespace {

constexpr const char* kDefaultsFile = "[nuvo_k48]\r\nKomakasa=1\r\nSpeed=350\r\nAmp=10\r\nTate=0\r\n";

// The dialog of a program started with /c, with the pointer over it so that it gets the keys.
class DialogTest : public ::testing::Test {
protected:
    void Open() {
        program_.emplace(StartSaverProgram("/c"));
        dialog = WaitForVisibleWindow(L"TMorlaptCNF");
        ASSERT_NE(dialog, nullptr);
        Sleep(300);
        MovePointerInto(dialog);
    }
    void TearDown() override {
        program_.reset();
        RemoveSettingsFile();
    }
    Process& Program() { return *program_; }

    // The control showing this text, or nullptr.
    HWND Control(const std::wstring& text) {
        for (HWND child : ChildWindows(dialog)) {
            if (WindowText(child) == text) return child;
        }
        return nullptr;
    }
    HWND ScrollBar(int index) {
        int seen = 0;
        for (HWND child : ChildWindows(dialog)) {
            if (_wcsicmp(ClassName(child).c_str(), L"ScrollBar") == 0 && seen++ == index) return child;
        }
        return nullptr;
    }
    bool Checked(const std::wstring& text) {
        return SendMessageW(Control(text), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    // What the controls show: detail level (-1: none), speed, amplitude, vertical.
    std::string Shown() {
        int level = -1;
        const wchar_t* items[] = {L"細かい", L"標準", L"粗い"};
        for (int item = 0; item < 3; ++item) {
            if (Checked(items[item])) level = item;
        }
        return std::to_string(level) + " " + std::to_string(GetScrollPos(ScrollBar(0), SB_CTL)) + " " +
               std::to_string(GetScrollPos(ScrollBar(1), SB_CTL)) + " " +
               (Checked(L"縦波にする") ? "checked" : "unchecked");
    }

    HWND dialog = nullptr;

private:
    std::optional<Process> program_;
};

TEST_F(DialogTest, ShowsItsControlsWithTheirTextsInAFixedTopmostWindow) {
    RemoveSettingsFile();
    Open();
    const TFormDesign& design = MorlaptCNFDesign();
    EXPECT_EQ(Narrow(WindowText(dialog)), design.caption);

    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, 299);
    EXPECT_EQ(client.bottom, 160);
    RECT outer{};
    GetWindowRect(dialog, &outer);
    EXPECT_NEAR((outer.left + outer.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((outer.top + outer.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
    const auto style = static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), DWORD{WS_CAPTION | WS_SYSMENU});
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
    EXPECT_NE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);

    // Each text read back through the wide functions, at its place in the client area.
    struct Expected {
        const wchar_t* windowClass;
        RECT bounds;
    };
    const std::map<std::wstring, Expected> expected{
        {L"OK", {L"Button", {200, 8, 289, 33}}},
        {L"ｷｬﾝｾﾙ", {L"Button", {200, 40, 289, 65}}},
        {L"動画の細かさ", {L"Button", {0, 0, 161, 81}}},
        {L"細かい", {L"Button", {}}},
        {L"標準", {L"Button", {}}},
        {L"粗い", {L"Button", {}}},
        {L"動画の速さ", {L"Static", {0, 88, 80, 108}}},
        {L"速い", {L"Static", {208, 88, 240, 108}}},
        {L"振幅", {L"Static", {0, 112, 32, 132}}},
        {L"大きい", {L"Static", {208, 112, 256, 132}}},
        {L"縦波にする", {L"Button", {8, 136, 105, 153}}},
    };
    for (const auto& [text, want] : expected) {
        SCOPED_TRACE(Narrow(text));
        HWND control = Control(text);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(_wcsicmp(ClassName(control).c_str(), want.windowClass), 0) << Narrow(ClassName(control));
        if (want.bounds.right == 0) continue;  // radio items are laid out inside the group
        RECT bounds{};
        GetWindowRect(control, &bounds);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&bounds), 2);
        EXPECT_EQ(bounds.left, want.bounds.left);
        EXPECT_EQ(bounds.top, want.bounds.top);
        EXPECT_EQ(bounds.right, want.bounds.right);
        EXPECT_EQ(bounds.bottom, want.bounds.bottom);
    }
    const std::string credit(design.components[static_cast<std::size_t>(ComponentIndex(design, "Label5"))].text);
    EXPECT_NE(Control(Widen(credit)), nullptr);
    // Cancel is the dialog's IDCANCEL; both buttons carry a glyph.
    EXPECT_EQ(GetDlgCtrlID(Control(L"ｷｬﾝｾﾙ")), IDCANCEL);
    EXPECT_NE(SendMessageW(Control(L"OK"), BM_GETIMAGE, IMAGE_ICON, 0), 0);
    EXPECT_NE(SendMessageW(Control(L"ｷｬﾝｾﾙ"), BM_GETIMAGE, IMAGE_ICON, 0), 0);

    // Without a settings file the controls show the defaults.
    EXPECT_EQ(Shown(), "1 350 10 unchecked");
}

TEST_F(DialogTest, EnterWritesExactlyTheFourKeysAndEnds) {
    RemoveSettingsFile();
    Open();
    Xdotool("key Return");
    ASSERT_TRUE(Program().WaitForExit());
    EXPECT_EQ(Program().ExitCode(), 0u);
    EXPECT_EQ(ReadSettingsFile(), kDefaultsFile);
}

struct ClampCase {
    const char* name;
    const char* stored;  // Komakasa, Speed, Amp, Tate values in the file
    const char* shown;   // what the controls show
    const char* written; // the file after OK
};

class DialogClamping : public DialogTest, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(DialogClamping, ShowsStoredValuesClampedAndOkStoresThem) {
    WriteSettingsFile(GetParam().stored);
    Open();
    EXPECT_EQ(Shown(), GetParam().shown);
    Xdotool("key Return");
    ASSERT_TRUE(Program().WaitForExit());
    EXPECT_EQ(ReadSettingsFile(), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    StoredValues, DialogClamping,
    ::testing::Values(
        ClampCase{"AboveTheRanges", "[nuvo_k48]\r\nKomakasa=7\r\nSpeed=900\r\nAmp=2\r\nTate=2\r\n",
                  "2 500 5 checked", "[nuvo_k48]\r\nKomakasa=2\r\nSpeed=500\r\nAmp=5\r\nTate=1\r\n"},
        ClampCase{"BelowTheRanges", "[nuvo_k48]\r\nKomakasa=-3\r\nSpeed=-40\r\nAmp=99\r\nTate=0\r\n",
                  "-1 0 35 unchecked", "[nuvo_k48]\r\nKomakasa=-1\r\nSpeed=0\r\nAmp=35\r\nTate=0\r\n"}),
    [](const auto& row) { return std::string(row.param.name); });

struct LeaveCase {
    const char* name;
    std::vector<std::string> keys;  // xdotool key arguments
    bool ends;                      // false: the dialog stays open and Esc closes it after
};

class DialogLeavesFile : public DialogTest, public ::testing::WithParamInterface<LeaveCase> {};

// Cancel in all its forms writes nothing; Enter or Esc with a modifier does nothing at all.
TEST_P(DialogLeavesFile, LeavesTheSettingsFileAsItWas) {
    const std::string before = "; kept as it is\r\n[nuvo_k48]\r\nSpeed=123\r\n";
    WriteSettingsFile(before);
    Open();
    for (const std::string& key : GetParam().keys) {
        Xdotool("key " + key);
        Sleep(100);
    }
    if (!GetParam().ends) {
        Sleep(400);
        EXPECT_TRUE(Program().Running());
        Xdotool("key Escape");
    }
    ASSERT_TRUE(Program().WaitForExit());
    EXPECT_EQ(Program().ExitCode(), 0u);
    EXPECT_EQ(ReadSettingsFile(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DialogLeavesFile,
    ::testing::Values(LeaveCase{"Escape", {"Escape"}, true},
                      LeaveCase{"CloseBox", {"alt+F4"}, true},
                      LeaveCase{"EnterOnTheCancelButton", {"Tab", "Return"}, true},
                      LeaveCase{"ShiftEnter", {"shift+Return"}, false},
                      LeaveCase{"CtrlEnter", {"ctrl+Return"}, false},
                      LeaveCase{"AltEnter", {"alt+Return"}, false},
                      LeaveCase{"ShiftEscape", {"shift+Escape"}, false}),
    [](const auto& row) { return std::string(row.param.name); });

// The error box of a failed write: owned by the dialog, which stays open behind it.
TEST_F(DialogTest, FailedWriteShowsTheErrorBoxAndKeepsTheDialogOpen) {
    RemoveSettingsFile();
    ASSERT_TRUE(CreateDirectoryW(SettingsFilePath().c_str(), nullptr));
    Open();
    Xdotool("key Return");

    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        box = FindTopWindow(L"#32770");
        return box != nullptr && IsWindowVisible(box);
    }));
    EXPECT_EQ(GetWindow(box, GW_OWNER), dialog);
    EXPECT_EQ(Narrow(WindowText(box)), "nuvo_k48");
    std::vector<std::string> texts;
    for (HWND child : ChildWindows(box)) {
        if (_wcsicmp(ClassName(child).c_str(), L"Static") == 0 && !WindowText(child).empty())
            texts.push_back(Narrow(WindowText(child)));
    }
    EXPECT_EQ(texts, std::vector<std::string>{"nuvo_k48.ini に書き込めません."});
    EXPECT_FALSE(IsWindowEnabled(dialog));

    MovePointerInto(box);
    Xdotool("key Return");  // the box's OK
    ASSERT_TRUE(WaitUntil([&] { return FindTopWindow(L"#32770") == nullptr; }));
    EXPECT_TRUE(IsWindowEnabled(dialog));
    EXPECT_TRUE(Program().Running());

    MovePointerInto(dialog);
    Xdotool("key Escape");
    ASSERT_TRUE(Program().WaitForExit());
    EXPECT_EQ(Program().ExitCode(), 0u);
}

}  // namespace
}  // namespace nuvo::wine_test
