// The real settings dialog, created from the program's resources, driven
// through its controls: texts and check states are set, then the
// notifications a click sends are sent. Message boxes are answered from a
// second thread.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/settings.h"
#include "config/settings_dialog.h"
#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "core/model.h"
#include "core/pure/text.h"
#include "engine/scan.h"
#include "res/resource.h"
#include "tests/support/model_support.h"
#include "tests/support/processes.h"
#include "tests/support/support.h"

using namespace testing_support;

namespace {

const char MarkerPath[] = "marker:group-from-before";
const std::vector<int> GeneralIds = {521, 500, 501, 507, 502, 503, 508,
                                     509, 510, 511, 512, 526, 527, 528};
const std::vector<int> WindowIds = {514, 524, 516, 517, 518, 522, 504, 523, 519};

// A group put together by hand (no proxy), so that a rebuild is seen by its
// disappearance and a re-evaluation by its staying.
WndGroup* MakeGroup(const char* path, const std::vector<HWND>& windows = {}) {
    WndGroup* group = AddTestGroup(path, "marker");
    for (HWND w : windows)
        AddTestMember(group, w);
    return group;
}

bool MarkerGroupStays() {
    for (WndGroup* g = GroupList; g; g = g->next)
        if (strcmp(g->path, MarkerPath) == 0) return true;
    return false;
}

// The rules as "id|title|type|enable|winNum".
std::vector<std::string> RuleTexts() {
    std::vector<std::string> rules;
    for (GroupRule* r = RuleList; r; r = r->next)
        rules.push_back(std::string(r->id) + "|" + r->title + "|" + std::to_string(r->type) + "|" +
                        std::to_string(r->enable) + "|" + std::to_string(r->winNum));
    return rules;
}

// The message box owned by `owner` that `action` shows, answered from a second
// thread with `answer`: whether one came, its caption and its text.
struct SeenBox {
    bool shown = false;
    std::string caption, text;
};

SeenBox AnswerBox(HWND owner, int answer, const std::function<void()>& action) {
    SeenBox seen;
    std::atomic<bool> done{false};
    std::thread answerer([&] {
        for (DWORD start = GetTickCount(); !done && GetTickCount() - start < 20000; Sleep(20)) {
            HWND box = nullptr;
            while ((box = FindWindowExA(nullptr, box, "#32770", nullptr)))
                if (GetWindow(box, GW_OWNER) == owner && IsWindowVisible(box)) break;
            if (!box) continue;
            char text[2048];
            GetWindowTextA(box, text, sizeof text);
            seen.caption = text;
            for (HWND c = nullptr; (c = FindWindowExA(box, c, "Static", nullptr));)
                if (GetWindowTextA(c, text, sizeof text) > (int)seen.text.size()) seen.text = text;
            seen.shown = true;
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
            return;
        }
    });
    action();
    done = true;
    answerer.join();
    return seen;
}

// Every test starts from an empty model and default settings, with the
// program's files and errorlog.txt in a directory of its own.
class Dialog : public ModelTest {
  protected:
    void SetUp() override {
        ModelTest::SetUp();
        // The dialog comes from the resources of the shipped pelmora.exe.
        static HMODULE program = LoadLibraryExA((ShippedDir() + "pelmora.exe").c_str(), nullptr,
                                                LOAD_LIBRARY_AS_DATAFILE);
        Instance = (HINSTANCE)program;
        ASSERT_NE(Instance, nullptr);
        dir_ = cwd_.path();
        ProgramDir = &dir_[0];
        RestartRequested = RulesDirty = 0;
        MainWnd = mainWnd_ = CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr,
                                             nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    void TearDown() override {
        Reset(); // takes the proxies of a rebuild down too
        if (IsWindow(mainWnd_)) DestroyWindow(mainWnd_);
        MainWnd = nullptr;
        ProgramDir = nullptr;
        ModelTest::TearDown();
    }

    void Open(int tab = 0) {
        dlg_ = OpenSettingsDialog(nullptr);
        ASSERT_NE(dlg_, nullptr);
        ASSERT_EQ(SettingsDlgWnd, dlg_);
        if (tab) SelectTab(tab);
    }
    HWND Item(int id) const { return GetDlgItem(dlg_, id); }
    std::string Text(int id) const {
        char buffer[4096];
        GetWindowTextA(Item(id), buffer, sizeof buffer);
        return buffer;
    }
    void SetText(int id, const std::string& text) { SetWindowTextA(Item(id), text.c_str()); }
    UINT State(int id) const { return IsDlgButtonChecked(dlg_, id); }
    // "general" or "window" when exactly that tab's controls and the three
    // shared ones (the two buttons and the tabs) are shown; else which are, in bits.
    std::string Shown() const {
        std::string bits;
        for (const std::vector<int>& ids :
             {GeneralIds, WindowIds, std::vector<int>{IDOK, IDC_SET_SECOND_BUTTON, IDC_SET_TABS}})
            for (int id : ids)
                bits += GetWindowLongA(Item(id), GWL_STYLE) & WS_VISIBLE ? "1" : "0";
        if (bits == std::string(14, '1') + std::string(9, '0') + "111") return "general";
        if (bits == std::string(14, '0') + std::string(9, '1') + "111") return "window";
        return bits;
    }
    // What a click on a button tells the dialog.
    void Command(int id) {
        SendMessageA(dlg_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)Item(id));
    }
    // A real click: the button changes its own state and notifies the dialog.
    void Click(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }
    void SelectTab(int tab) {
        SendMessageA(Item(IDC_SET_TABS), TCM_SETCURSEL, (WPARAM)tab, 0);
        NMHDR header = {Item(IDC_SET_TABS), IDC_SET_TABS, (UINT)TCN_SELCHANGE};
        SendMessageA(dlg_, WM_NOTIFY, IDC_SET_TABS, (LPARAM)&header);
    }
    // Selects exactly this row (or none with -1); the list view tells the dialog.
    void SelectRow(int row) {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED;
        SendMessageA(Item(IDC_SET_RULES), LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&item);
        item.state = LVIS_SELECTED;
        if (row >= 0) SendMessageA(Item(IDC_SET_RULES), LVM_SETITEMSTATE, row, (LPARAM)&item);
    }
    int RowCount() const { return (int)SendMessageA(Item(IDC_SET_RULES), LVM_GETITEMCOUNT, 0, 0); }
    // The cells of a row of the rule list, joined by "|".
    std::string Row(int row) const {
        std::string out;
        for (int column = 0; column < 4; ++column) {
            char buffer[1024] = "";
            LVITEMA item = {};
            item.iSubItem = column;
            item.pszText = buffer;
            item.cchTextMax = sizeof buffer;
            SendMessageA(Item(IDC_SET_RULES), LVM_GETITEMTEXTA, row, (LPARAM)&item);
            out += (column ? "|" : "") + std::string(buffer);
        }
        return out;
    }
    std::vector<std::string> Choices() const {
        std::vector<std::string> out;
        for (int i = 0; i < (int)SendMessageA(Item(IDC_SET_RULE_ID), CB_GETCOUNT, 0, 0); ++i) {
            char buffer[1024];
            SendMessageA(Item(IDC_SET_RULE_ID), CB_GETLBTEXT, i, (LPARAM)buffer);
            out.push_back(buffer);
        }
        return out;
    }
    SeenBox WithBox(int answer, const std::function<void()>& action) {
        return AnswerBox(dlg_, answer, action);
    }
    // Fills the rule form and presses 追加/変更.
    void AddRule(const char* id, const char* title = "", const char* winNum = "") {
        SetText(IDC_SET_RULE_ID, id);
        SetText(IDC_SET_RULE_TITLE, title);
        SetText(IDC_SET_RULE_WINNUM, winNum);
        Command(IDOK);
    }
    std::string Ini(const char* file, const char* section, const char* key) {
        char buffer[1024];
        GetPrivateProfileStringA(section, key, "<missing>", buffer, sizeof buffer,
                                 (dir_ + file).c_str());
        return buffer;
    }

    void Reset() {
        if (SettingsDlgWnd) DestroyWindow(SettingsDlgWnd);
        DestroyAllGroups();
        FreeModel();
    }

    std::string dir_;
    HWND dlg_ = nullptr, mainWnd_ = nullptr;
};

// ---- initial state ----

TEST_F(Dialog, OpensOnTheGeneralTabWithEveryControlReflectingTheSettings) {
    struct Case {
        SettingsRecord settings;
        const char* shown; // WinNum, then the check states of Flash, Icon, Path, Class, And,
                           // Or, the three Menu options, SubClass, and ClassAddress and Load
    } cases[] = {{{2, 0, 1, 1, 1, 0, 0, 1, 1, 0}, "2 0110101001 01"},
                 {{7, 1, 0, 0, 0, 1, 1, 0, 0, 1}, "7 1001010100 10"},
                 {{2, 0, 1, 1, 1, 0, 2, 1, 1, 0}, "2 0110100011 01"},
                 // A Menu outside 0 to 2 checks none of the three.
                 {{3, 0, 1, 1, 1, 1, 5, 1, 0, 0}, "3 0111100001 00"}};
    const int boxes[] = {IDC_SET_FLASH,    IDC_SET_ICON,         IDC_SET_PATH,
                         IDC_SET_CLASS,    IDC_SET_AND,          IDC_SET_OR,
                         IDC_SET_MENU_TOP, IDC_SET_MENU_BOTTOM,  IDC_SET_MENU_NONE,
                         IDC_SET_SUBCLASS, IDC_SET_CLASSADDRESS, IDC_SET_LOAD};
    for (const Case& c : cases) {
        Settings = c.settings;
        Open();
        std::string got = Text(IDC_SET_WINNUM) + " ";
        for (int i = 0; i < 12; ++i)
            got += (i == 10 ? " " : "") + std::to_string(State(boxes[i]));
        EXPECT_EQ(got, c.shown);
        EXPECT_EQ(Text(IDC_SET_FLASH), c.settings.Flash ? "タイトルバーの点滅を反映する"
                                                        : "タイトルバーの点滅を反映しない");
        EXPECT_EQ(Text(IDC_SET_ICON),
                  c.settings.Icon ? "アイコンを表示する" : "アイコンを表示しない");
        EXPECT_EQ(SendMessageA(Item(IDC_SET_TABS), TCM_GETCURSEL, 0, 0), 0);
        EXPECT_EQ(Text(IDOK), "変更");
        EXPECT_EQ(Text(IDC_SET_SECOND_BUTTON), "キャンセル");
        EXPECT_EQ(Shown(), "general");
        // The rule form starts empty, switched to "never collapse", matching paths.
        EXPECT_EQ(State(IDC_SET_RULE_ENABLE), (UINT)BST_UNCHECKED);
        EXPECT_EQ(Text(IDC_SET_RULE_ENABLE), "ウィンドウをまとめない");
        EXPECT_EQ(State(IDC_SET_RULE_PATH), (UINT)BST_CHECKED);
        EXPECT_EQ(Text(IDC_SET_RULE_ID) + Text(IDC_SET_RULE_TITLE) + Text(IDC_SET_RULE_WINNUM), "");
        DestroyWindow(dlg_);
    }
}

TEST_F(Dialog, AFailedCreationIsLoggedAndLeavesNoHandle) {
    Instance = GetModuleHandleA(nullptr); // the test executable has no dialog 201
    EXPECT_EQ(OpenSettingsDialog(nullptr), nullptr);
    EXPECT_EQ(SettingsDlgWnd, nullptr);
    std::string log = ErrorLogText();
    const std::string entry = "コンフィグウィンドウの作成に失敗しました\n";
    ASSERT_EQ(log.compare(0, entry.size(), entry), 0) << log;
    EXPECT_GT(log.size(), entry.size()); // the system's text follows
}

TEST_F(Dialog, RuleListShowsEveryRuleInOrderWithItsFourCells) {
    AppendTestRule("C:\\apps\\editor.exe", RuleTypePath, 1, -1, "");
    AppendTestRule("Notepad", RuleTypeClass, 0, 3, "memo");
    AppendTestRule("C:\\x\\y.exe", RuleTypePath, 2, 1, "");
    AppendTestRule("other", RuleTypePath, 7, 12, "t");
    Open();
    ASSERT_EQ(RowCount(), 4);
    EXPECT_EQ(Row(0), "C:\\apps\\editor.exe|指定しない|まとめる|指定しない");
    EXPECT_EQ(Row(1), "Notepad|memo|まとめない|3");
    EXPECT_EQ(Row(2), "C:\\x\\y.exe|指定しない|無効|指定しない");
    EXPECT_EQ(Row(3), "other|t|無効|12");
}

TEST_F(Dialog, IdChoicesAreThePathsOrClassesOfVisibleWindowsEachOnce) {
    HWND w[4];
    const char* classes[] = {"PelmoraChoiceA", "PelmoraChoiceA", "PelmoraChoiceB",
                             "PelmoraChoiceC"};
    for (int i = 0; i < 4; ++i) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = classes[i];
        RegisterClassA(&wc);
        w[i] = CreateWindowExA(0, classes[i], "w", WS_POPUP | (i < 3 ? WS_VISIBLE : 0), 0, 0, 50,
                               50, nullptr, nullptr, wc.hInstance, nullptr);
    }
    MakeGroup("one", {w[0], w[3]});
    MakeGroup("two", {w[1], w[2]});
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    Open(1);
    EXPECT_EQ(Choices(), std::vector<std::string>({self})); // one process: one path
    SetText(IDC_SET_RULE_ID, "typed text");
    Click(IDC_SET_RULE_CLASS);
    EXPECT_EQ(Choices(), std::vector<std::string>({"PelmoraChoiceA", "PelmoraChoiceB"}));
    EXPECT_EQ(Text(IDC_SET_RULE_ID), "typed text");
    Click(IDC_SET_RULE_PATH);
    EXPECT_EQ(Choices(), std::vector<std::string>({self}));
    EXPECT_EQ(Text(IDC_SET_RULE_ID), "typed text");
    for (HWND h : w)
        DestroyWindow(h);
}

// ---- tabs and controls ----

TEST_F(Dialog, TabSwitchingShowsExactlyTheSelectedTabsControlsAndRelabelsTheButtons) {
    Open();
    for (int tab : {1, 0}) {
        SelectTab(tab);
        EXPECT_EQ(Shown(), tab ? "window" : "general");
        EXPECT_EQ(Text(IDOK), tab ? "追加/変更" : "変更");
        EXPECT_EQ(Text(IDC_SET_SECOND_BUTTON), tab ? "削除" : "キャンセル");
    }
}

// ---- 変更 on the general tab ----

TEST_F(Dialog, ApplyRebuildsOnlyWhenMatchingOrRulesChanged) {
    struct Case {
        const char* name;
        int control; // check box or option button to click; 0: the threshold box; -1: a rule
        bool rebuilds;
    } cases[] = {{"WinNum", 0, false},          {"Flash", IDC_SET_FLASH, false},
                 {"Icon", IDC_SET_ICON, false}, {"Menu", IDC_SET_MENU_BOTTOM, false},
                 {"Path", IDC_SET_PATH, true},  {"Class", IDC_SET_CLASS, true},
                 {"And", IDC_SET_OR, true},     {"rule", -1, true}};
    for (const Case& c : cases) {
        Reset();
        MakeGroup(MarkerPath);
        Open();
        if (c.control > 0) Click(c.control);
        if (c.control == 0) SetText(IDC_SET_WINNUM, "4");
        if (c.control < 0) SelectTab(1), AddRule("Notepad"), SelectTab(0);
        Command(IDOK);
        EXPECT_EQ(!MarkerGroupStays(), c.rebuilds) << c.name;
        EXPECT_EQ(SettingsDlgWnd, dlg_) << c.name; // the dialog stays open and stays the one
        EXPECT_EQ(RulesDirty, 0);
        DestroyWindow(dlg_);
    }
    EXPECT_EQ(Ini("rule.ini", "Rule0", "ID"), "Notepad");
}

TEST_F(Dialog, ApplySavesEverySettingAndKeepsUnrelatedKeys) {
    WritePrivateProfileStringA("pelmora", "Extra", "keep me", (dir_ + "pelmora.ini").c_str());
    WritePrivateProfileStringA("mine", "Other", "1", (dir_ + "pelmora.ini").c_str());
    Open();
    SetText(IDC_SET_WINNUM, "5");
    for (int id : {IDC_SET_FLASH, IDC_SET_ICON, IDC_SET_CLASS, IDC_SET_OR, IDC_SET_MENU_NONE})
        Click(id);
    Command(IDOK);
    SettingsRecord expected = {5, 1, 0, 0, 1, 1, 2, 1, 1, 0};
    EXPECT_EQ(memcmp(&Settings, &expected, sizeof expected), 0);
    const char* keys[] = {"WinNum", "Flash", "Icon",     "And",  "Path",
                          "Class",  "Menu",  "SubClass", "Load", "ClassAddress"};
    std::string saved;
    for (const char* key : keys)
        saved += Ini("pelmora.ini", "pelmora", key);
    EXPECT_EQ(saved, "5100112110");
    EXPECT_EQ(Ini("pelmora.ini", "pelmora", "Extra"), "keep me");
    EXPECT_EQ(Ini("pelmora.ini", "mine", "Other"), "1");
}

TEST_F(Dialog, AMinimumBelowTwoIsRefusedWhileTheOtherSettingsAreSaved) {
    Settings.WinNum = 3;
    Open();
    for (const char* value : {"1", "0", "", "99999999999"}) {
        SetText(IDC_SET_WINNUM, value);
        Click(IDC_SET_FLASH);
        SeenBox box = WithBox(IDOK, [&] { Command(IDOK); });
        EXPECT_EQ(box.text, "ウィンドウの最低数は2以上の値を指定してください") << value;
        EXPECT_EQ(Settings.WinNum, 3);
        EXPECT_EQ(Ini("pelmora.ini", "pelmora", "WinNum"), "3");
        EXPECT_EQ(Ini("pelmora.ini", "pelmora", "Flash"), std::to_string(Settings.Flash));
    }
    EXPECT_EQ(Settings.Flash, 0); // clicked four times, saved each time
}

TEST_F(Dialog, StartUpSettingsAskForARestartAndNoKeepsTheOldValuesInEffectWithTheNewSaved) {
    for (int control : {IDC_SET_SUBCLASS, IDC_SET_CLASSADDRESS, IDC_SET_LOAD}) {
        Open();
        Click(control);
        SeenBox box = WithBox(IDNO, [&] { Command(IDOK); });
        ASSERT_TRUE(box.shown) << control;
        EXPECT_EQ(box.caption, "pelmoraの再起動");
        EXPECT_EQ(box.text,
                  "設定を有効にするにはpelmoraを再起動する必要があります.\r\n再起動しますか？");
        EXPECT_EQ(RestartRequested, 0);
        EXPECT_TRUE(IsWindow(mainWnd_) && IsWindow(dlg_));
        EXPECT_EQ(SubClassInEffect + LoadInEffect, 2);
        const char* key = control == IDC_SET_SUBCLASS ? "SubClass"
                          : control == IDC_SET_LOAD   ? "Load"
                                                      : "ClassAddress";
        EXPECT_EQ(Ini("pelmora.ini", "pelmora", key), control == IDC_SET_CLASSADDRESS ? "1" : "0");
        Reset();
    }
}

TEST_F(Dialog, ScreenshotOfEachTab) {
    AppendTestRule("C:\\Program Files\\editor\\editor.exe", RuleTypePath, 1, 3, "エディタ");
    AppendTestRule("Notepad", RuleTypeClass, 0, -1, "");
    Open();
    SetForegroundWindow(dlg_);
    for (int tab : {0, 1}) {
        SelectTab(tab);
        RedrawWindow(dlg_, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages();
        RECT r;
        GetWindowRect(dlg_, &r);
        std::string file = ArtifactsDir() + "settings_dialog_tab" + std::to_string(tab) + ".png";
        EXPECT_TRUE(SaveScreenshot(r, file)) << file;
    }
}

// ---- rules ----

TEST_F(Dialog, AddAppendsANewIdChangesTheRuleOfAnExistingOneAndStoresLowMinimaAsNone) {
    AppendTestRule("a", RuleTypePath, 1, -1, "");
    AppendTestRule("Notepad", RuleTypePath, 1, 4, "old");
    Open(1);
    AddRule("  x "); // 518 untouched: never collapse; blanks around an id are cut
    Click(IDC_SET_RULE_CLASS);
    Click(IDC_SET_RULE_ENABLE);
    AddRule("notepad", "memo", "3");             // an id differing only in case is a new one
    EXPECT_EQ(Text(IDC_SET_RULE_ID), "notepad"); // the form is left as it was
    SendMessageA(Item(IDC_SET_RULE_ENABLE), BM_SETCHECK, BST_INDETERMINATE, 0);
    AddRule("Notepad", "", "1"); // the same id: changed in place, even to the other type
    Click(IDC_SET_RULE_PATH);
    AddRule("y", "", "0");
    EXPECT_EQ(RuleTexts(),
              (std::vector<std::string>{"a||516|1|-1", "Notepad||517|2|-1", "x||516|0|-1",
                                        "notepad|memo|517|1|3", "y||516|2|-1"}));
    for (GroupRule *r = RuleList, *prev = nullptr; r; prev = r, r = r->next)
        EXPECT_TRUE(r->prev == prev && r->idHash == StrHash(r->id)) << r->id;
    ASSERT_EQ(RowCount(), 5);
    EXPECT_EQ(Row(1), "Notepad|指定しない|無効|指定しない");
    EXPECT_EQ(Row(2), "x|指定しない|まとめない|指定しない");
    EXPECT_EQ(Row(3), "notepad|memo|まとめる|3");
    EXPECT_EQ(RulesDirty, 1);
}

TEST_F(Dialog, OverlongOrEmptyTextsShowTheirMessageAndChangeNothing) {
    AppendTestRule("kept", RuleTypePath, 1, -1, "title");
    Open(1);
    const std::string empty = "実行ファイルパス/クラス名が入力されていません";
    struct Case {
        std::string id, title, message;
    } cases[] = {{"kept", std::string(1024, 't'), "タイトルが長すぎます"},
                 {std::string(1024, 'i'), "", "実行ファイルパス/クラス名が長すぎます"},
                 {"", "x", empty},
                 {"  \t ", "x", empty},
                 {"\" \"", "x", empty}};
    for (const Case& c : cases) {
        SetText(IDC_SET_RULE_ID, c.id);
        SetText(IDC_SET_RULE_TITLE, c.title);
        EXPECT_EQ(WithBox(IDOK, [&] { Command(IDOK); }).text, c.message) << c.id << c.title;
        EXPECT_EQ(RuleTexts(), std::vector<std::string>{"kept|title|516|1|-1"});
        EXPECT_EQ(RowCount(), 1);
        EXPECT_EQ(RulesDirty, 0);
    }
    // The longest texts still fit.
    EXPECT_FALSE(WithBox(IDOK, [&] {
                     AddRule(std::string(1023, 'i').c_str(), std::string(1023, 't').c_str());
                 }).shown);
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(RuleTexts()[1].size(), 2046u + 10);
}

TEST_F(Dialog, SelectingARowLoadsItsRuleIntoTheForm) {
    AppendTestRule("a", RuleTypePath, 1, -1, "");
    AppendTestRule("Notepad", RuleTypeClass, 2, 5, "memo");
    Open(1);
    SelectRow(1);
    EXPECT_EQ(Text(IDC_SET_RULE_ID) + "|" + Text(IDC_SET_RULE_TITLE) + "|" +
                  Text(IDC_SET_RULE_WINNUM),
              "Notepad|memo|5");
    EXPECT_EQ(State(IDC_SET_RULE_ENABLE), (UINT)BST_INDETERMINATE);
    EXPECT_EQ(Text(IDC_SET_RULE_ENABLE), "設定を無効にする");
    EXPECT_EQ(State(IDC_SET_RULE_CLASS), (UINT)BST_CHECKED);
    SelectRow(0);
    EXPECT_EQ(Text(IDC_SET_RULE_ID) + "|" + Text(IDC_SET_RULE_WINNUM), "a|");
    EXPECT_EQ(Text(IDC_SET_RULE_ENABLE), "ウィンドウをまとめる");
    EXPECT_EQ(State(IDC_SET_RULE_PATH), (UINT)BST_CHECKED);
    SetText(IDC_SET_RULE_ID, "typed");
    SelectRow(-1); // leaving no row selected loads nothing
    EXPECT_EQ(Text(IDC_SET_RULE_ID), "typed");
}

TEST_F(Dialog, DeleteRemovesTheSelectedRuleAndUnbindsItsGroupsAtOnce) {
    AppendTestRule("a", RuleTypePath, 1, -1, "");
    GroupRule* doomed = AppendTestRule("b", RuleTypePath, 1, -1, "");
    AppendTestRule("c", RuleTypePath, 1, -1, "");
    MakeGroup("bound")->rule = doomed;
    Open(1);
    SelectRow(-1);
    Command(IDC_SET_SECOND_BUTTON); // nothing selected: nothing deleted, the dialog stays
    EXPECT_EQ(RowCount(), 3);
    EXPECT_EQ(RulesDirty, 0);
    EXPECT_TRUE(IsWindow(dlg_));
    SelectRow(1);
    Command(IDC_SET_SECOND_BUTTON);
    ASSERT_EQ(RuleTexts(), (std::vector<std::string>{"a||516|1|-1", "c||516|1|-1"}));
    EXPECT_EQ(RuleList->next->prev, RuleList);
    EXPECT_EQ(GroupList->rule, nullptr);
    EXPECT_EQ(Row(1).substr(0, 2), "c|");
    EXPECT_EQ(RulesDirty, 1);
    SelectRow(0);
    Command(IDC_SET_SECOND_BUTTON);
    ASSERT_EQ(RuleTexts(), std::vector<std::string>{"c||516|1|-1"});
    EXPECT_EQ(RuleList->prev, nullptr);
}

// ---- dismissing ----

TEST_F(Dialog, CancelOrTheCloseBoxCommitRuleEditsAndOtherwiseOnlyClose) {
    struct Case {
        const char* what;
        bool edits, closeBox;
    } cases[] = {{"cancel after edits", true, false},
                 {"close box after edits", true, true},
                 {"cancel without edits", false, false}};
    for (const Case& c : cases) {
        Reset();
        DeleteFileA((dir_ + "rule.ini").c_str());
        AppendTestRule("old", RuleTypePath, 1, -1, "");
        MakeGroup(MarkerPath);
        Open(1);
        if (c.edits) AddRule("new", "t");
        SelectTab(0);
        Click(IDC_SET_FLASH); // not applied
        if (c.closeBox)
            SendMessageA(dlg_, WM_CLOSE, 0, 0);
        else
            Command(IDC_SET_SECOND_BUTTON);
        EXPECT_FALSE(IsWindow(dlg_)) << c.what;
        EXPECT_EQ(SettingsDlgWnd, nullptr);
        EXPECT_EQ(MarkerGroupStays(), !c.edits) << c.what; // a rebuild
        EXPECT_EQ(Ini("rule.ini", "Rule0", "ID") + Ini("rule.ini", "Rule1", "ID") +
                      Ini("rule.ini", "Rule1", "Title") + Ini("rule.ini", "Rule1", "Enable") +
                      Ini("rule.ini", "Rule1", "WinNum"),
                  c.edits ? "oldnewt0-1" : "<missing><missing><missing><missing><missing>")
            << c.what;
        EXPECT_EQ(RulesDirty, 0);
        EXPECT_EQ(Settings.Flash, 0);
        EXPECT_EQ(GetFileAttributesA((dir_ + "pelmora.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    Open(); // a new dialog can open once the old one is gone
}

TEST_F(Dialog, AllocationFailureInTheRuleFormChangesNothingAndIsLogged) {
    AppendTestRule("kept", RuleTypePath, 1, -1, "old title");
    Open(1);
    int live = ObjLiveBlocks();
    // A new rule needs three blocks (title, record, id); a change needs one.
    const struct {
        const char* id;
        int successes; // allocations granted before the refusals start
    } attempts[] = {{"new", 0}, {"new", 1}, {"new", 2}, {"kept", 0}};
    for (const auto& a : attempts) {
        ObjAllocFailAfter(a.successes);
        AddRule(a.id, "new title");
        ObjAllocFailAfter(-1);
        EXPECT_EQ(RuleTexts(), std::vector<std::string>{"kept|old title|516|1|-1"})
            << a.id << a.successes;
        EXPECT_EQ(RowCount(), 1);
        EXPECT_EQ(RulesDirty, 0);
        EXPECT_EQ(ObjLiveBlocks(), live);
    }
    EXPECT_NE(ErrorLogText().find(AllocFailureText), std::string::npos);
    AddRule("new", "new title"); // once memory is there again the same form goes through
    EXPECT_EQ(RowCount(), 2);
}

} // namespace
