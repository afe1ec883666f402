// The settings dialog's general tab, its tabs, the restart question and the
// keyboard, with the real dialog.
#include "tests/wine/settings_dialog_fixture.h"

namespace {

const int GeneralIds[] = {521, 500, 501, 507, 502, 503, 508, 509, 510, 511, 512, 526, 527, 528};
const int WindowIds[] = {514, 524, 516, 517, 518, 522, 504, 523, 519};

// ---- initial state ----

TEST_F(SettingsDialog, OpensOnTheGeneralTabWithApplyAndCancel) {
    Open();
    EXPECT_TRUE(IsWindowVisible(dlg_));
    EXPECT_EQ(SendMessageA(Item(IDC_SET_TABS), TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageA(Item(IDC_SET_TABS), TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(Text(IDOK), "変更");
    EXPECT_EQ(Text(IDC_SET_SECOND_BUTTON), "キャンセル");
    for (int id : GeneralIds)
        EXPECT_TRUE(Visible(id)) << id;
    for (int id : WindowIds)
        EXPECT_FALSE(Visible(id)) << id;
    char caption[64];
    GetWindowTextA(dlg_, caption, sizeof caption);
    EXPECT_STREQ(caption, "設定");
}

TEST_F(SettingsDialog, AFailedCreationIsLoggedAndLeavesNoHandle) {
    Instance = GetModuleHandleA(nullptr); // the test executable has no dialog 201
    EXPECT_EQ(OpenSettingsDialog(), nullptr);
    EXPECT_EQ(SettingsDlgWnd, nullptr);
    std::string log = ErrorLogText();
    const std::string entry = "コンフィグウィンドウの作成に失敗しました\n";
    ASSERT_EQ(log.compare(0, entry.size(), entry), 0) << log;
    EXPECT_GT(log.size(), entry.size()); // the system's text follows
}

TEST_F(SettingsDialog, SecondOpenWhileOneIsOpenDoesNothing) {
    Open();
    EXPECT_EQ(OpenSettingsDialog(), nullptr);
    EXPECT_EQ(SettingsDlgWnd, dlg_);
}

struct InitialCase {
    SettingsRecord settings;
    const char* winNum;
    UINT flash, icon, path, cls, andBox, orBox, top, bottom, none, subclass, classAddress, load;
    const char* flashCaption;
    const char* iconCaption;
};

class SettingsDialogInitial : public SettingsDialog,
                              public ::testing::WithParamInterface<InitialCase> {};

TEST_P(SettingsDialogInitial, EveryControlReflectsTheSettings) {
    const InitialCase& c = GetParam();
    Settings = c.settings;
    Open();
    EXPECT_EQ(Text(IDC_SET_WINNUM), c.winNum);
    EXPECT_EQ(State(IDC_SET_FLASH), c.flash);
    EXPECT_EQ(State(IDC_SET_ICON), c.icon);
    EXPECT_EQ(State(IDC_SET_PATH), c.path);
    EXPECT_EQ(State(IDC_SET_CLASS), c.cls);
    EXPECT_EQ(State(IDC_SET_AND), c.andBox);
    EXPECT_EQ(State(IDC_SET_OR), c.orBox);
    EXPECT_EQ(State(IDC_SET_MENU_TOP), c.top);
    EXPECT_EQ(State(IDC_SET_MENU_BOTTOM), c.bottom);
    EXPECT_EQ(State(IDC_SET_MENU_NONE), c.none);
    EXPECT_EQ(State(IDC_SET_SUBCLASS), c.subclass);
    EXPECT_EQ(State(IDC_SET_CLASSADDRESS), c.classAddress);
    EXPECT_EQ(State(IDC_SET_LOAD), c.load);
    EXPECT_EQ(Text(IDC_SET_FLASH), c.flashCaption);
    EXPECT_EQ(Text(IDC_SET_ICON), c.iconCaption);
    // The rule form starts empty, switched to "never collapse", matching paths.
    EXPECT_EQ(State(IDC_SET_RULE_ENABLE), (UINT)BST_UNCHECKED);
    EXPECT_EQ(Text(IDC_SET_RULE_ENABLE), "ウィンドウをまとめない");
    EXPECT_EQ(State(IDC_SET_RULE_PATH), (UINT)BST_CHECKED);
    EXPECT_EQ(State(IDC_SET_RULE_CLASS), (UINT)BST_UNCHECKED);
    EXPECT_EQ(Text(IDC_SET_RULE_ID), "");
    EXPECT_EQ(Text(IDC_SET_RULE_TITLE), "");
    EXPECT_EQ(Text(IDC_SET_RULE_WINNUM), "");
    EXPECT_EQ(RulesDirty, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, SettingsDialogInitial,
    ::testing::Values(InitialCase{DefaultSettings, "2", 0, 1, 1, 0, 1, 0, 1, 0, 0, 1, 0, 1,
                                  "タイトルバーの点滅を反映しない", "アイコンを表示する"},
                      InitialCase{{7, 1, 0, 0, 0, 1, 1, 0, 0, 1},
                                  "7",
                                  1,
                                  0,
                                  0,
                                  1,
                                  0,
                                  1,
                                  0,
                                  1,
                                  0,
                                  0,
                                  1,
                                  0,
                                  "タイトルバーの点滅を反映する",
                                  "アイコンを表示しない"},
                      InitialCase{{3, 0, 1, 1, 1, 1, 2, 1, 0, 0},
                                  "3",
                                  0,
                                  1,
                                  1,
                                  1,
                                  1,
                                  0,
                                  0,
                                  0,
                                  1,
                                  1,
                                  0,
                                  0,
                                  "タイトルバーの点滅を反映しない",
                                  "アイコンを表示する"},
                      // A Menu outside 0 to 2 checks none of the three, and nothing else.
                      InitialCase{{2, 0, 1, 1, 1, 0, 5, 1, 1, 0},
                                  "2",
                                  0,
                                  1,
                                  1,
                                  0,
                                  1,
                                  0,
                                  0,
                                  0,
                                  0,
                                  1,
                                  0,
                                  1,
                                  "タイトルバーの点滅を反映しない",
                                  "アイコンを表示する"}));

TEST_F(SettingsDialog, RuleListShowsEveryRuleInOrderWithItsFourCells) {
    AppendTestRule("C:\\apps\\editor.exe", RuleTypePath, 1, -1, "");
    AppendTestRule("Notepad", RuleTypeClass, 0, 3, "memo");
    AppendTestRule("C:\\x\\y.exe", RuleTypePath, 2, 1, "");
    AppendTestRule("other", RuleTypePath, 7, 12, "t");
    Open();
    ASSERT_EQ(RowCount(), 4);
    const char* expected[4][4] = {{"C:\\apps\\editor.exe", "指定しない", "まとめる", "指定しない"},
                                  {"Notepad", "memo", "まとめない", "3"},
                                  {"C:\\x\\y.exe", "指定しない", "無効", "指定しない"},
                                  {"other", "t", "無効", "12"}};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(Cell(row, column), expected[row][column]) << row << "," << column;
    LVCOLUMNA column = {};
    char header[64];
    column.mask = LVCF_TEXT;
    column.pszText = header;
    column.cchTextMax = sizeof header;
    SendMessageA(Item(IDC_SET_RULES), LVM_GETCOLUMNA, 0, (LPARAM)&column);
    EXPECT_STREQ(header, "ファイルパス/クラス名");
}

TEST_F(SettingsDialog, IdChoicesAreThePathsOrClassesOfVisibleWindowsEachOnce) {
    HWND a1 = MakeWindow("PelmoraChoiceA", true);
    HWND a2 = MakeWindow("PelmoraChoiceA", true);
    HWND b = MakeWindow("PelmoraChoiceB", true);
    HWND hidden = MakeWindow("PelmoraChoiceHidden", false);
    MakeGroup("one", {a1, hidden});
    MakeGroup("two", {a2, b});
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    Open();
    // Every window belongs to this process: one path.
    EXPECT_EQ(Choices(), std::vector<std::string>({self}));

    SelectTab(1);
    SetText(IDC_SET_RULE_ID, "typed text");
    Click(IDC_SET_RULE_CLASS);
    EXPECT_EQ(Choices(), std::vector<std::string>({"PelmoraChoiceA", "PelmoraChoiceB"}));
    EXPECT_EQ(Text(IDC_SET_RULE_ID), "typed text");
    EXPECT_EQ(State(IDC_SET_RULE_PATH), (UINT)BST_UNCHECKED);

    Click(IDC_SET_RULE_PATH);
    EXPECT_EQ(Choices(), std::vector<std::string>({self}));
    EXPECT_EQ(Text(IDC_SET_RULE_ID), "typed text");
}

// ---- tabs ----

TEST_F(SettingsDialog, TabSwitchingShowsExactlyTheSelectedTabsControls) {
    Open();
    SelectTab(1);
    for (int id : GeneralIds)
        EXPECT_FALSE(Visible(id)) << id;
    for (int id : WindowIds)
        EXPECT_TRUE(Visible(id)) << id;
    for (int id : {IDOK, IDC_SET_SECOND_BUTTON, IDC_SET_TABS})
        EXPECT_TRUE(Visible(id)) << id;
    EXPECT_EQ(Text(IDOK), "追加/変更");
    EXPECT_EQ(Text(IDC_SET_SECOND_BUTTON), "削除");
    SelectTab(0);
    for (int id : GeneralIds)
        EXPECT_TRUE(Visible(id)) << id;
    for (int id : WindowIds)
        EXPECT_FALSE(Visible(id)) << id;
    EXPECT_EQ(Text(IDOK), "変更");
    EXPECT_EQ(Text(IDC_SET_SECOND_BUTTON), "キャンセル");
}

TEST_F(SettingsDialog, ShownControlsLieAboveTheTabControl) {
    Open();
    for (int tab : {1, 0}) {
        SelectTab(tab);
        const int* ids = tab == 0 ? GeneralIds : WindowIds;
        int count = tab == 0 ? 14 : 9;
        for (int i = 0; i < count; ++i) {
            bool above = false;
            for (HWND w = GetWindow(Item(IDC_SET_TABS), GW_HWNDPREV); w;
                 w = GetWindow(w, GW_HWNDPREV))
                if (w == Item(ids[i])) above = true;
            EXPECT_TRUE(above) << ids[i];
        }
    }
}

TEST_F(SettingsDialog, OptionButtonsClearOnlyTheirOwnGroup) {
    Open();
    Click(IDC_SET_OR);
    EXPECT_EQ(State(IDC_SET_AND), (UINT)BST_UNCHECKED);
    EXPECT_EQ(State(IDC_SET_MENU_TOP), (UINT)BST_CHECKED);
    Click(IDC_SET_MENU_NONE);
    EXPECT_EQ(State(IDC_SET_MENU_TOP), (UINT)BST_UNCHECKED);
    EXPECT_EQ(State(IDC_SET_OR), (UINT)BST_CHECKED);
    Click(IDC_SET_AND);
    EXPECT_EQ(State(IDC_SET_OR), (UINT)BST_UNCHECKED);
    EXPECT_EQ(State(IDC_SET_MENU_NONE), (UINT)BST_CHECKED);
    SelectTab(1);
    Click(IDC_SET_RULE_CLASS);
    EXPECT_EQ(State(IDC_SET_RULE_PATH), (UINT)BST_UNCHECKED);
    EXPECT_EQ(State(IDC_SET_AND), (UINT)BST_CHECKED);
    EXPECT_EQ(State(IDC_SET_MENU_NONE), (UINT)BST_CHECKED);
}

TEST_F(SettingsDialog, CheckBoxesDescribeTheirState) {
    Open();
    Click(IDC_SET_FLASH);
    EXPECT_EQ(Text(IDC_SET_FLASH), "タイトルバーの点滅を反映する");
    Click(IDC_SET_ICON);
    EXPECT_EQ(Text(IDC_SET_ICON), "アイコンを表示しない");
    SelectTab(1);
    const char* cycle[] = {"ウィンドウをまとめる", "設定を無効にする", "ウィンドウをまとめない"};
    for (const char* caption : cycle) {
        Click(IDC_SET_RULE_ENABLE);
        EXPECT_EQ(Text(IDC_SET_RULE_ENABLE), caption);
    }
}

// ---- 変更 on the general tab ----

struct ApplyCase {
    const char* name;
    int control; // check box or option button to click, 0 for the threshold box
    bool rebuilds;
};

class SettingsDialogApply : public SettingsDialog,
                            public ::testing::WithParamInterface<ApplyCase> {};

TEST_P(SettingsDialogApply, RebuildsOnlyWhenMatchingChanged) {
    const ApplyCase& c = GetParam();
    MakeGroup(MarkerPath, {});
    Open();
    if (c.control)
        Click(c.control);
    else
        SetText(IDC_SET_WINNUM, "4");
    Command(IDOK);
    EXPECT_EQ(FindGroupByPath(MarkerPath) == nullptr, c.rebuilds);
    EXPECT_EQ(SettingsDlgWnd, dlg_); // the dialog stays open and stays the one
    EXPECT_TRUE(IsWindow(dlg_));
}

INSTANTIATE_TEST_SUITE_P(
    Changes, SettingsDialogApply,
    ::testing::Values(ApplyCase{"WinNum", 0, false}, ApplyCase{"Flash", IDC_SET_FLASH, false},
                      ApplyCase{"Icon", IDC_SET_ICON, false},
                      ApplyCase{"Menu", IDC_SET_MENU_BOTTOM, false},
                      ApplyCase{"Path", IDC_SET_PATH, true},
                      ApplyCase{"Class", IDC_SET_CLASS, true}, ApplyCase{"And", IDC_SET_OR, true}),
    [](const ::testing::TestParamInfo<ApplyCase>& p) { return std::string(p.param.name); });

TEST_F(SettingsDialog, ApplyAfterRuleEditsRebuildsAndSavesTheRules) {
    MakeGroup(MarkerPath, {});
    Open();
    SelectTab(1);
    SetText(IDC_SET_RULE_ID, "Notepad");
    Command(IDOK);
    SelectTab(0);
    Command(IDOK);
    EXPECT_EQ(FindGroupByPath(MarkerPath), nullptr);
    EXPECT_EQ(ReadIni(RuleFile(), "Rule0", "ID"), "Notepad");
    EXPECT_EQ(RulesDirty, 0);
}

TEST_F(SettingsDialog, ApplySavesEverySettingAndKeepsUnrelatedKeys) {
    WritePrivateProfileStringA("pelmora", "Extra", "keep me", SettingsFile().c_str());
    WritePrivateProfileStringA("mine", "Other", "1", SettingsFile().c_str());
    Open();
    SetText(IDC_SET_WINNUM, "5");
    for (int id : {IDC_SET_FLASH, IDC_SET_ICON, IDC_SET_CLASS, IDC_SET_OR, IDC_SET_MENU_NONE})
        Click(id);
    Command(IDOK);
    SettingsRecord expected = {5, 1, 0, 0, 1, 1, 2, 1, 1, 0};
    EXPECT_EQ(memcmp(&Settings, &expected, sizeof expected), 0);
    const char* keys[] = {"WinNum", "Flash", "Icon",     "And",  "Path",
                          "Class",  "Menu",  "SubClass", "Load", "ClassAddress"};
    const char* values[] = {"5", "1", "0", "0", "1", "1", "2", "1", "1", "0"};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(ReadIni(SettingsFile(), "pelmora", keys[i]), values[i]) << keys[i];
    EXPECT_EQ(ReadIni(SettingsFile(), "pelmora", "Extra"), "keep me");
    EXPECT_EQ(ReadIni(SettingsFile(), "mine", "Other"), "1");
}

class SettingsDialogBadMinimum : public SettingsDialog,
                                 public ::testing::WithParamInterface<const char*> {};

TEST_P(SettingsDialogBadMinimum, IsRefusedWhileTheOtherSettingsAreSaved) {
    Settings.WinNum = 3;
    Open();
    SetText(IDC_SET_WINNUM, GetParam());
    Click(IDC_SET_FLASH);
    SeenBox box = WithBox(IDOK, [&] { Command(IDOK); });
    EXPECT_TRUE(box.shown);
    EXPECT_EQ(box.text, "ウィンドウの最低数は2以上の値を指定してください");
    EXPECT_EQ(Settings.WinNum, 3);
    EXPECT_EQ(Settings.Flash, 1);
    EXPECT_EQ(ReadIni(SettingsFile(), "pelmora", "WinNum"), "3");
    EXPECT_EQ(ReadIni(SettingsFile(), "pelmora", "Flash"), "1");
}

INSTANTIATE_TEST_SUITE_P(Values, SettingsDialogBadMinimum,
                         ::testing::Values("1", "0", "", "99999999999"));

TEST_F(SettingsDialog, ApplyWithAGoodMinimumShowsNoMessage) {
    Open();
    SetText(IDC_SET_WINNUM, "2");
    SeenBox box = WithBox(IDOK, [&] { Command(IDOK); });
    EXPECT_FALSE(box.shown);
}

// ---- the restart question ----

class SettingsDialogRestart : public SettingsDialog, public ::testing::WithParamInterface<int> {};

TEST_P(SettingsDialogRestart, NoKeepsTheProgramRunningWithTheNewValueSaved) {
    int control = GetParam();
    Open();
    Click(control);
    SeenBox box = WithBox(IDNO, [&] { Command(IDOK); });
    ASSERT_TRUE(box.shown);
    EXPECT_EQ(box.caption, "pelmoraの再起動");
    EXPECT_EQ(box.text,
              "設定を有効にするにはpelmoraを再起動する必要があります.\r\n再起動しますか？");
    EXPECT_EQ(RestartRequested, 0);
    EXPECT_TRUE(IsWindow(mainWnd_));
    EXPECT_TRUE(IsWindow(dlg_));
    EXPECT_EQ(SubClassInEffect, 1);
    EXPECT_EQ(LoadInEffect, 1);
    const char* key = control == IDC_SET_SUBCLASS ? "SubClass"
                      : control == IDC_SET_LOAD   ? "Load"
                                                  : "ClassAddress";
    EXPECT_EQ(ReadIni(SettingsFile(), "pelmora", key), control == IDC_SET_CLASSADDRESS ? "1" : "0");
}

TEST_P(SettingsDialogRestart, YesAsksForARestartAndEndsTheMainWindow) {
    Open();
    Click(GetParam());
    SeenBox box = WithBox(IDYES, [&] { Command(IDOK); });
    ASSERT_TRUE(box.shown);
    EXPECT_EQ(RestartRequested, 1);
    EXPECT_FALSE(IsWindow(mainWnd_));
}

INSTANTIATE_TEST_SUITE_P(Controls, SettingsDialogRestart,
                         ::testing::Values(IDC_SET_SUBCLASS, IDC_SET_CLASSADDRESS, IDC_SET_LOAD));

TEST_F(SettingsDialog, NoRestartQuestionWithoutStartUpSettingsChanged) {
    Open();
    Click(IDC_SET_FLASH);
    Click(IDC_SET_PATH);
    SeenBox box = WithBox(IDNO, [&] { Command(IDOK); });
    EXPECT_FALSE(box.shown);
}

// ---- keyboard ----

MSG KeyDown(HWND target, WPARAM key) {
    MSG msg = {};
    msg.hwnd = target;
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    msg.lParam = 1;
    return msg;
}

TEST_F(SettingsDialog, EscapeFromTheKeyboardDismisses) {
    Open();
    MSG msg = KeyDown(Item(IDC_SET_WINNUM), VK_ESCAPE);
    EXPECT_EQ(PreTranslateSettingsDialog(&msg), 1);
    EXPECT_FALSE(IsWindow(dlg_));
    EXPECT_EQ(SettingsDlgWnd, nullptr);
}

TEST_F(SettingsDialog, EnterFromTheKeyboardApplies) {
    Open();
    SetText(IDC_SET_WINNUM, "6");
    MSG msg = KeyDown(Item(IDC_SET_WINNUM), VK_RETURN);
    EXPECT_EQ(PreTranslateSettingsDialog(&msg), 1);
    EXPECT_EQ(Settings.WinNum, 6);
    EXPECT_TRUE(IsWindow(dlg_));
}

TEST_F(SettingsDialog, OtherWindowsMessagesAreNotTaken) {
    Open();
    MSG msg = KeyDown(mainWnd_, VK_ESCAPE);
    EXPECT_EQ(PreTranslateSettingsDialog(&msg), 0);
    EXPECT_TRUE(IsWindow(dlg_));
}

// ---- screenshots ----

// Copies the dialog's rectangle of the screen into a 24-bit BMP file.
bool SaveScreenshot(HWND w, const std::string& file) {
    RECT r;
    GetWindowRect(w, &r);
    int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    DWORD stride = ((DWORD)width * 3 + 3) & ~3u;
    DWORD size = stride * (DWORD)height;
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + size;
    bool ok = false;
    HANDLE f = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD written;
        ok = WriteFile(f, &header, sizeof header, &written, nullptr) &&
             WriteFile(f, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
             WriteFile(f, bits, size, &written, nullptr);
        CloseHandle(f);
    }
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

TEST_F(SettingsDialog, ScreenshotOfEachTab) {
    AppendTestRule("C:\\Program Files\\editor\\editor.exe", RuleTypePath, 1, 3, "エディタ");
    AppendTestRule("Notepad", RuleTypeClass, 0, -1, "");
    Open();
    SetForegroundWindow(dlg_);
    for (int tab : {0, 1}) {
        SelectTab(tab);
        RedrawWindow(dlg_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        testing_support::PumpMessages();
        std::string file =
            testing_support::ArtifactsDir() + "settings_dialog_tab" + std::to_string(tab) + ".bmp";
        EXPECT_TRUE(SaveScreenshot(dlg_, file)) << file;
    }
}

} // namespace
