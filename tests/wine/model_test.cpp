// The program's model in this process, with real windows: which group a window
// joins and when a group collapses, hostile settings and rule files, allocation
// failure at every allocation, a title no code page holds in the group menu, the
// settings dialog's rule form, and the drain of the hook library's ring without
// the taskbar subclass.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "tests/support/engine.h"

using namespace testing_support;

namespace {

class Model : public EngineTest {};

std::string Title(int count) { // of a proxy without rule: "<count> <this executable's name>"
    std::string exe = BinDir(), name(MAX_PATH, 0);
    name.resize(GetModuleFileNameA(nullptr, &name[0], MAX_PATH));
    return std::to_string(count) + " " + name.substr(exe.size(), name.rfind('.') - exe.size());
}

std::string ProxyTitle(HWND member) { // "" when its group has no proxy
    WndGroup* g = LookupGroup(member);
    char text[2048] = "";
    if (g && g->tab) GetWindowTextA(g->tab->hwnd, text, sizeof text);
    return text;
}

std::string Rule(int n, const std::string& id, int type = RuleTypePath, int enable = 1,
                 int winNum = -1, const std::string& title = "") { // rule.ini's "[Rule<n>]"
    return "[Rule" + std::to_string(n) + "]\r\nID=" + id + "\r\nTitle=" + title +
           "\r\nType=" + std::to_string(type) + "\r\nEnable=" + std::to_string(enable) +
           "\r\nWinNum=" + std::to_string(winNum) + "\r\n";
}

void LoadRuleFile(const std::string& text) {
    ASSERT_TRUE(WriteFileText(ProgramDir + std::string("rule.ini"), text));
    LoadRules();
}

std::vector<std::string> RuleTexts() { // "id|title|type|enable|winNum"
    std::vector<std::string> texts;
    for (const GroupRule* r = RuleList; r; r = r->next)
        texts.push_back(std::string(r->id) + "|" + r->title + "|" + std::to_string(r->type) + "|" +
                        std::to_string(r->enable) + "|" + std::to_string(r->winNum));
    return texts;
}

HWND OpenDialog(int tab = 1) { // the settings dialog from the shipped program's resources
    static HMODULE program =
        LoadLibraryExA((ShippedDir() + "pelmora.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    Instance = (HINSTANCE)program;
    HWND dlg = OpenSettingsDialog(nullptr);
    Instance = GetModuleHandleA(nullptr); // proxies are made with this process's class
    SendDlgItemMessageA(dlg, IDC_SET_TABS, TCM_SETCURFOCUS, tab, 0); // selects it, as a click does
    return dlg;
}

TEST_F(Model, AWindowJoinsTheNewestGroupThatTheCriteriaInForceMatch) {
    WndGroup* a = Group("C:\\app\\a.exe", "ClassA");
    WndGroup* b = Group("C:\\app\\b.exe", "ClassB");
    WndGroup* ab = Group("C:\\app\\a.exe", "ClassB");
    struct Case {
        int And, Path, Class;
        const char* path;
        const char* cls;
        WndGroup* joins;
    } cases[] = {
        {1, 1, 0, "c:\\APP\\A.EXE", "X", ab},           // paths ignore case; the newest group
        {1, 0, 1, "C:\\x.exe", "classa", a},            // so do class names
        {1, 1, 1, "C:\\app\\b.exe", "ClassA", nullptr}, // And: every criterion
        {0, 1, 1, "C:\\app\\b.exe", "ClassA", b},       // Or: any one
        {5, 1, 1, "C:\\app\\b.exe", "ClassA", b},       // an And other than 1 is Or
        {1, 2, 1, "C:\\app\\b.exe", "ClassA", a},       // only a 1 puts a criterion in force
        {1, 0, 0, "C:\\app\\a.exe", "ClassA", nullptr}, // none in force: a group of its own
        {0, 1, 1, "C:\\app\\a.ex", "Class", nullptr},   // beginnings are not equal
        {0, 1, 1, "C:\\app\\a.exe2", "ClassA2", nullptr},
    };
    for (const Case& c : cases) {
        Settings.And = c.And, Settings.Path = c.Path, Settings.Class = c.Class;
        EXPECT_EQ(FindGroupFor(c.path, c.cls), c.joins)
            << c.path << " " << c.cls << " And " << c.And << " Path " << c.Path;
    }
}

TEST_F(Model, RulesMatchTheirIdExactlyTheFirstInForceWinsAndARuledGroupTakesItsWindows) {
    std::string first, second; // two different texts of one hash
    std::vector<std::string> byHash(2 * WndIndexBuckets);
    for (int i = 0; second.empty(); ++i) {
        std::string s = {char('a' + i / 676), char('a' + i / 26 % 26), char('a' + i % 26)};
        std::string& seen = byHash[StrHash(s.c_str()) + WndIndexBuckets];
        seen.empty() ? (void)(seen = s) : (void)(first = seen, second = s);
    }
    LoadRuleFile(Rule(0, "C:\\a.exe", RuleTypePath, 2) + Rule(1, "Notepad", RuleTypeClass) +
                 Rule(2, "C:\\a.exe") + Rule(3, "C:\\b.exe", 999) + Rule(4, "Edit") +
                 Rule(5, first, RuleTypeClass) + Rule(6, "C:\\APP\\X.EXE"));
    std::vector<GroupRule*> rule;
    for (GroupRule* r = RuleList; r; r = r->next)
        rule.push_back(r);
    ASSERT_EQ(rule.size(), 7u);
    struct Case {
        const char* path;
        const char* cls;
        GroupRule* found;
    } cases[] = {
        {"C:\\a.exe", "Notepad", rule[1]}, // the first rule in force (rule 0 is off)
        {"C:\\a.exe", "Other", rule[2]},
        {"C:\\c.exe", "notepad", nullptr}, // no case folding
        {"C:\\b.exe", "Other", nullptr},   // a type that is neither path nor class
        {"C:\\c.exe", "Edit", nullptr},    // a path rule does not look at the class
        {"C:\\c.exe", first.c_str(), rule[5]},
        {"C:\\c.exe", second.c_str(), nullptr}, // another text of the same hash
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindRule(c.path, c.cls), c.found) << c.path << " " << c.cls;
    // A window that a rule matches founds the rule's group rather than joining
    // one of its path ignoring case; later windows of the rule join it.
    Group("C:\\app\\x.exe", "X");
    EXPECT_EQ(FindGroupFor("C:\\APP\\X.EXE", "X"), nullptr);
    WndGroup* ruled = Group("C:\\APP\\X.EXE", "X");
    EXPECT_EQ(ruled->rule, rule[6]);
    EXPECT_EQ(FindGroupFor("C:\\APP\\X.EXE", "Y"), ruled);
}

TEST_F(Model, RulesAndThresholdsDecideWhetherAGroupCollapsesAndUnderWhichTitle) {
    std::string overlong;
    for (int i = 0; i < 600; ++i) // 1200 bytes of two-byte characters, more than a title holds
        overlong += "\x83\x41";
    struct Case {
        int winNum;       // in pelmora.ini, as a hand may have edited it
        std::string rule; // the keys of a class rule for the windows
        int visible, hidden;
        std::string title; // of the proxy; "" for none
    } cases[] = {
        {2, "", 2, 0, Title(2)},
        {2, "", 1, 2, ""}, // hidden windows count for nothing
        {2, "Enable=0", 3, 0, ""},
        {2, "WinNum=3\r\nTitle=Memo", 2, 0, ""},
        {3, "WinNum=2\r\nTitle=Memo", 2, 0, "2 Memo"},
        {3, "WinNum=1\r\nTitle=Memo", 2, 0, ""},       // below 2: the global threshold
        {2, "Enable=2\r\nTitle=Memo", 2, 0, Title(2)}, // switched off: as if no rule
        {0, "", 1, 1, Title(1)},                       // 0 still needs a visible window
        {-5, "", 0, 2, ""},
        {2, "Title=" + overlong, 2, 0, "2 " + overlong.substr(0, 1020)}, // whole characters
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule.substr(0, 30) + " WinNum " + std::to_string(c.winNum));
        Reset();
        ASSERT_TRUE(WriteFileText(dir + "pelmora.ini",
                                  "[pelmora]\r\nWinNum=" + std::to_string(c.winNum) + "\r\n"));
        LoadSettings();
        LoadRuleFile("[Rule0]\r\nID=EngineA\r\nType=517\r\n" + c.rule + "\r\n");
        std::vector<HWND> w;
        for (int i = 0; i < c.visible + c.hidden; ++i)
            AddWindow(w.emplace_back(Window("EngineA", i < c.visible)));
        RefreshGroups();
        EXPECT_EQ(ProxyTitle(w[0]), c.title);
        EXPECT_EQ(ModelFault(taskbar), "");
    }
}

TEST_F(Model, RulesLoadUpToTheFirstMissingSectionOrEmptyIdAsTheyStandCutTo1023Bytes) {
    const std::string longId(1500, 'i'), longTitle(2000, 't');
    struct Case {
        std::string file;
        std::vector<std::string> rules;
    } cases[] = {
        {Rule(0, "C:\\a.exe", 517, 0, 3, "A") + Rule(2, "after a gap"), {"C:\\a.exe|A|517|0|3"}},
        {"[Rule0]\r\nID=first\r\n[Rule1]\r\nID=\r\n" + Rule(2, "after"), {"first||516|1|-1"}},
        {Rule(0, "a", 999, 5, 0) + Rule(1, "b", -1, -2, -7), {"a||999|5|0", "b||-1|-2|-7"}},
        {Rule(0, longId, 516, 1, -1, longTitle),
         {std::string(1023, 'i') + "|" + std::string(1023, 't') + "|516|1|-1"}},
    };
    for (const Case& c : cases) {
        Reset();
        LoadRuleFile(c.file);
        EXPECT_EQ(RuleTexts(), c.rules) << c.file.substr(0, 80);
    }
}

// Each step runs again and again with the allocator refusing after 0, 1, 2...
// blocks, until it needs no more. After every refusal the model is sound (no
// record half made, no block leaked, no button gone without a proxy) and the
// step succeeds when it runs again with memory.
TEST_F(Model, AllocationFailureAtEveryAllocationLeavesTheModelWhole) {
    HWND a = Window(), b = Window(), c = Window("EngineB"), d = Window("EngineB"), dlg = nullptr;
    Window("EngineB", false);
    auto grouped = [&] { return LookupGroup(a) && LookupGroup(a) == LookupGroup(b); };
    auto collapsed = [&] { return grouped() && LookupGroup(a)->tab; };
    auto form = [&](const char* id) {
        LoadRuleFile(Rule(0, "kept", 516, 1, -1, "old"));
        dlg = OpenDialog();
        SetDlgItemTextA(dlg, IDC_SET_RULE_ID, id);
        SetDlgItemTextA(dlg, IDC_SET_RULE_TITLE, "new");
    };
    struct Step {
        const char* name;
        std::function<void()> prepare, run;
        std::function<bool()> done; // after a refusal: once the step ran again
        bool again = true;          // false: it runs once, as the program starts
    } steps[] = {
        {"founding a group", [] {}, [&] { AddWindow(a); }, [&] { return LookupGroup(a); }},
        {"joining it", [&] { AddWindow(a); }, [&] { AddWindow(b); }, grouped},
        {"the refresh pass", [&] { Settings.WinNum = 3, AddWindow(a), AddWindow(b); },
         [] { Settings.WinNum = 2, RefreshGroups(); }, collapsed},
        {"the start-up scan", [] {}, [] { ScanAllWindows(), CreateAllTabWnds(); },
         [&] { return collapsed() && LookupGroup(c) && LookupGroup(c) == LookupGroup(d); }},
        {"the rescan", [] {}, RescanWindows, grouped},
        {"loading rules", // whole rules only, those before the refusal
         [&] { ASSERT_TRUE(WriteFileText(dir + "rule.ini", Rule(0, "x") + Rule(1, "y", 517))); },
         [] { LoadRules(); },
         [] {
             std::vector<std::string> all = {"x||516|1|-1", "y||517|1|-1"}, got = RuleTexts();
             return got.size() <= 2 && std::equal(got.begin(), got.end(), all.begin());
         },
         false},
        {"adding a rule in the dialog", [&] { form("new"); },
         [&] { SendMessageA(dlg, WM_COMMAND, IDOK, 0); },
         [] { return RuleTexts().back() == "new|new|516|0|-1"; }},
        {"changing one", [&] { form("kept"); }, [&] { SendMessageA(dlg, WM_COMMAND, IDOK, 0); },
         [] { return RuleTexts() == std::vector<std::string>{"kept|new|516|0|-1"}; }},
    };
    for (const Step& s : steps) {
        int n = 0;
        for (bool refused = true; refused && n < 1000; ++n) {
            SCOPED_TRACE(std::string(s.name) + ", refused after " + std::to_string(n));
            Reset();
            s.prepare();
            taskbar.calls.clear();
            std::vector<std::string> rulesBefore = RuleTexts();
            ObjAllocFailAfter(n);
            s.run();
            refused = ObjAllocRefusals() > 0;
            ObjAllocFailAfter(-1);
            EXPECT_EQ(ModelFault(taskbar), "");
            EXPECT_TRUE(!refused || !dlg || (RuleTexts() == rulesBefore && RulesDirty == 0));
            if (refused && s.again) s.run(); // the next event takes in what was left out
            EXPECT_TRUE(s.done());
        }
        EXPECT_GT(n, 1) << s.name;
        dlg = nullptr;
    }
}

int boxes = 0; // message boxes shown on this thread, each answered with OK at once
LRESULT CALLBACK AnswerMessageBoxes(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && GetWindow((HWND)wParam, GW_OWNER))
        ++boxes, PostMessageA((HWND)wParam, WM_COMMAND, IDOK, 0);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(Model, ATitleOutsideEveryCodePageIsItsGroupMenuItemsTextWhole) {
    const wchar_t title[] = L"한국어 😀 タイトル";
    HWND w = nullptr;
    for (int i = 0; i < 2; ++i) // Unicode windows
        SetWindowTextW(w = Window(), title), AddWindow(w);
    ASSERT_TRUE(LookupGroup(w) && LookupGroup(w)->tab);
    HMENU menu = BuildGroupMenu(LookupGroup(w)->tab->hwnd);
    wchar_t text[64] = L"";
    EXPECT_TRUE(GetMenuStringW(menu, HandleToUlong(w), text, 64, MF_BYCOMMAND) &&
                !wcscmp(text, title));
    DestroyMenu(menu);
}

TEST_F(Model, TheRuleFormRefusesTextsTheFileCouldNotHoldAndADeletedRuleLeavesItsGroup) {
    LoadRuleFile(Rule(0, "kept", 516, 1, -1, "old"));
    WndGroup* bound = Group("kept", "EngineA");
    ASSERT_EQ(bound->rule, RuleList);
    HWND dlg = OpenDialog();
    HHOOK answering = SetWindowsHookExA(WH_CBT, AnswerMessageBoxes, nullptr, GetCurrentThreadId());
    const std::string i1023(1023, 'i'), t1023(1023, 't');
    struct Case {
        std::string id, title, winNum, rule; // the rule as added or changed; "": refused with a box
    } cases[] = {
        {"x", std::string(1024, 't'), "", ""},
        {std::string(1024, 'i'), "", "", ""},
        {" \t ", "x", "", ""},
        {"\"\"", "x", "", ""},
        {i1023, t1023, "", i1023 + "|" + t1023 + "|516|0|-1"},
        {" C:\\ソフト\\表示.exe ", "表", "0", "C:\\ソフト\\表示.exe|表|516|0|-1"},
        {"kept", "new", "-3", "kept|new|516|0|-1"}, // the same id: changed in place
    };
    for (const Case& c : cases) {
        std::vector<std::string> expected = RuleTexts();
        if (!c.rule.empty())
            c.id == "kept" ? (void)(expected[0] = c.rule) : expected.push_back(c.rule);
        SetDlgItemTextA(dlg, IDC_SET_RULE_ID, c.id.c_str());
        SetDlgItemTextA(dlg, IDC_SET_RULE_TITLE, c.title.c_str());
        SetDlgItemTextA(dlg, IDC_SET_RULE_WINNUM, c.winNum.c_str());
        boxes = 0;
        SendMessageA(dlg, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(boxes, c.rule.empty() ? 1 : 0) << c.id.substr(0, 20);
        EXPECT_EQ(RuleTexts(), expected) << c.id.substr(0, 20);
    }
    UnhookWindowsHookEx(answering);
    // Deleting the rule that a group points at leaves the group without rule.
    LVITEMA row = {};
    row.stateMask = row.state = LVIS_SELECTED;
    SendDlgItemMessageA(dlg, IDC_SET_RULES, LVM_SETITEMSTATE, 0, (LPARAM)&row);
    SendMessageA(dlg, WM_COMMAND, IDC_SET_SECOND_BUTTON, 0);
    EXPECT_EQ(bound->rule, nullptr);
    RefreshGroups();
    // The close box keeps the edits: the rule file gives them back, Shift-JIS whole.
    const std::vector<std::string> kept = RuleTexts();
    ASSERT_EQ(kept.size(), 2u);
    SendMessageA(dlg, WM_CLOSE, 0, 0);
    Reset();
    LoadRules();
    EXPECT_EQ(RuleTexts(), kept);
}

// What applying the general tab runs follows each setting's effect in the key
// table: a rebuild of every group (fresh members), or else the threshold pass;
// and for a setting read only at start-up, the restart question.
TEST_F(Model, ApplyingTheGeneralTabRebuildsForGroupingSettingsAndAsksToRestartForStartUpOnes) {
    HWND a = Window(), b = Window();
    HHOOK answering = SetWindowsHookExA(WH_CBT, AnswerMessageBoxes, nullptr, GetCurrentThreadId());
    struct Case {
        const char* what;
        std::function<void(HWND)> edit;
        bool rebuilt;
        int boxes;
    } cases[] = {
        {"nothing", [](HWND) {}, false, 0},
        {"Flash", [](HWND d) { CheckDlgButton(d, IDC_SET_FLASH, 1); }, false, 0},
        {"Menu",
         [](HWND d) {
             CheckRadioButton(d, IDC_SET_MENU_TOP, IDC_SET_MENU_NONE, IDC_SET_MENU_NONE);
         },
         false, 0},
        {"WinNum 3", [](HWND d) { SetDlgItemTextA(d, IDC_SET_WINNUM, "3"); }, false, 0},
        {"WinNum 1, refused", [](HWND d) { SetDlgItemTextA(d, IDC_SET_WINNUM, "1"); }, false, 1},
        {"Path", [](HWND d) { CheckDlgButton(d, IDC_SET_PATH, 0); }, true, 0},
        {"Class", [](HWND d) { CheckDlgButton(d, IDC_SET_CLASS, 1); }, true, 0},
        {"And", [](HWND d) { CheckRadioButton(d, IDC_SET_AND, IDC_SET_OR, IDC_SET_OR); }, true, 0},
        {"edited rules", [](HWND) { RulesDirty = 1; }, true, 0},
        {"SubClass", [](HWND d) { CheckDlgButton(d, IDC_SET_SUBCLASS, 0); }, false, 1},
        {"Load", [](HWND d) { CheckDlgButton(d, IDC_SET_LOAD, 0); }, false, 1},
        {"ClassAddress", [](HWND d) { CheckDlgButton(d, IDC_SET_CLASSADDRESS, 1); }, false, 1},
    };
    for (const Case& c : cases) {
        Reset();
        AddWindow(a), AddWindow(b);
        ASSERT_TRUE(LookupGroup(a) && LookupGroup(a)->tab);
        LookupMember(a)->ncActivateCount = 7; // a member made again starts at 0
        HWND dlg = OpenDialog(0);
        c.edit(dlg);
        boxes = 0;
        SendMessageA(dlg, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(!LookupMember(a) || LookupMember(a)->ncActivateCount != 7, c.rebuilt) << c.what;
        EXPECT_EQ(boxes, c.boxes) << c.what;
    }
    UnhookWindowsHookEx(answering);
}

// Without the taskbar subclass every switch between windows asks for a refresh
// of the group and a pass; the entries already waiting share them. Each refresh
// asks the group's first visible member for its icon. Before they were shared,
// a burst of switches behind new windows overflowed the ring.
WNDPROC countedProc = nullptr;
int iconQuestions = 0;
LRESULT CALLBACK CountIconQuestions(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    iconQuestions += message == WM_GETICON;
    return CallWindowProcA(countedProc, hwnd, message, wParam, lParam);
}

TEST_F(Model, EntriesAlreadyWaitingShareOneRefreshOfAGroupUnlessItsMembersChanged) {
    struct Case {
        const char* what;
        std::vector<int> steps; // 0: an activation of a, 1: a new hidden window
        int subclass, refreshes;
    } cases[] = {
        {"five activations", {0, 0, 0, 0, 0}, 1, 1},
        {"a window registered in between", {0, 1, 0}, 1, 2},
        {"five activations without the subclass", {0, 0, 0, 0, 0}, 0, 2},
        {"without the subclass, a window registered in between", {0, 1, 0}, 0, 4},
    };
    Settings.Path = 0, Settings.Class = 1;
    ASSERT_EQ(SetHook(0, 0), 1);
    HWND a = Window(), b = Window();
    ProcessWndMessages(); // their creation registers them
    ASSERT_TRUE(LookupGroup(a) && LookupGroup(a)->tab && LookupGroup(a)->members->hwnd == b);
    countedProc = (WNDPROC)SetWindowLongPtrA(b, GWLP_WNDPROC, (LONG_PTR)CountIconQuestions);
    for (const Case& c : cases) {
        ProcessWndMessages();
        iconQuestions = 0;
        for (int step : c.steps)
            step ? (void)Window("EngineB", false) : (void)SendMessageA(a, WM_ACTIVATE, 0, 0);
        SubClassInEffect = c.subclass;
        ProcessWndMessages();
        SubClassInEffect = 1;
        EXPECT_EQ(iconQuestions, c.refreshes) << c.what;
    }
    SetWindowLongPtrA(b, GWLP_WNDPROC, (LONG_PTR)countedProc);
}

TEST_F(Model, ACommandSentWhileAPassWaitsForTheShellIsCarriedOutOnceThePassHasEnded) {
    Settings.Path = 0, Settings.Class = 1;
    ASSERT_EQ(SetHook(0, 0), 1);
    HWND a = Window(), b = Window();
    taskbar.during = [&] { // as the proxy's button is added
        SendMessageA(LookupGroup(a)->tab->hwnd, WM_COMMAND, CmdMinimizeAll, 0);
    };
    ProcessWndMessages(); // their creation collapses their group
    EXPECT_TRUE(!IsIconic(a) && WaitUntil([&] { return IsIconic(a) && IsIconic(b); }));
}

TEST_F(Model, AProcesssPathIsTheSameByEveryWayAndAPathThatDoesNotFitIsNone) {
    TestApp app;
    ASSERT_TRUE(app.Launch("open", "viewer.exe"));
    for (HWND w : {Window(), app.Windows().at(0)}) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        char query[TextBufferSize] = "", psapi[TextBufferSize] = "", chosen[TextBufferSize] = "";
        EXPECT_TRUE(ProcessImagePathByQuery(pid, query, sizeof query) &&
                    ProcessImagePathByPsapi(pid, psapi, sizeof psapi) &&
                    GetProcessImagePath(w, chosen, sizeof chosen));
        EXPECT_TRUE(!strcmp(query, psapi) && !strcmp(query, chosen)) << query << " " << psapi;
        EXPECT_FALSE(ProcessImagePathByQuery(pid, query, (int)strlen(chosen)));
    }
}

TEST_F(Model, AStoreFrameKeepsTheAppWhoseWindowWasInItUntilTheFrameIsForgotten) {
    WNDCLASSA wc = {0, DefWindowProcA,          0, 0, GetModuleHandleA(nullptr), 0, 0, 0,
                    0, "ApplicationFrameWindow"};
    RegisterClassA(&wc);
    HWND frame = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, 0, 0, wc.hInstance, 0);
    TestApp app;
    char path[TextBufferSize] = "";
    ASSERT_TRUE(app.Launch("", "Notes.exe") && !GetApplicationPath(frame, path)); // no app yet
    ASSERT_EQ(app.Send("adopt " + WindowRef(frame)).find("0x"), 0u);
    std::string notes = GetApplicationPath(frame, path) ? path : "";
    EXPECT_EQ(notes.substr(notes.rfind('\\') + 1), "Notes.exe");
    app.Send("destroy #0"); // as the frame is minimised
    EXPECT_TRUE(GetApplicationPath(frame, path) && notes == path);
    ForgetStoreFrame(frame);
    EXPECT_FALSE(GetApplicationPath(frame, path));
    DestroyWindow(frame);
}

} // namespace
