// The real program with the stand-in taskbar and the test application: grouping
// in both hook modes and on the shells of Windows 2000, XP and 7 as windows come
// and go and across the restart when the shell announces a new taskbar, a
// second start, start-up failures; and worked
// as a user works it: a click on a proxy's button opens the group menu and an
// item brings its window forward, a flashing member's proxy gets a fresh button
// once the menu was open, the settings dialog works from the keyboard and
// restarts the program on "Yes".
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>

#include "tests/support/support.h"

using namespace testing_support;

namespace {

// What a user sees on the taskbar: the titles of the program's buttons, then
// for each of the windows whether it has a button of its own ("+") or not ("-").
bool OwnedBy(HWND hwnd, DWORD pid) {
    DWORD owner = 0;
    return GetWindowThreadProcessId(hwnd, &owner) && owner == pid;
}

std::string Shown(const StandinTaskbar& taskbar, DWORD pid, const std::vector<HWND>& windows) {
    std::vector<std::string> titles; // in the order of their bytes
    std::vector<HWND> buttons;
    for (const TaskbarButton& b : taskbar.Buttons()) {
        if (OwnedBy(b.hwnd, pid)) titles.push_back("[" + b.title + "]");
        buttons.push_back(b.hwnd);
    }
    std::sort(titles.begin(), titles.end());
    std::string shown;
    for (const std::string& t : titles)
        shown += t;
    for (HWND w : windows)
        shown += std::count(buttons.begin(), buttons.end(), w) ? "+" : "-";
    return shown;
}

struct HookMode {
    const char* ini;    // pelmora.ini, none when null
    const char* layout; // the shell the stand-in copies
    bool subclass;      // its tab control is subclassed
    const char* log;    // what each start writes into errorlog.txt
};

void PrintTo(const HookMode& m, std::ostream* os) {
    *os << m.layout << (m.ini ? " hooks" : "");
}

class Grouping : public testing::TestWithParam<HookMode> {};

TEST_P(Grouping, AnApplicationsWindowsShareOneProxyThatFollowsThemAcrossARestartToTheEnd) {
    StandinTaskbar taskbar;
    TestApp editor, viewer; // "表示" ends in the byte of a backslash in Shift-JIS
    ASSERT_TRUE(taskbar.Start(GetParam().layout) && editor.Launch("open count=2", "表示.exe") &&
                viewer.Launch("open", "viewer.exe"));
    std::vector<HWND> w = editor.Windows();
    w.push_back(viewer.Windows().at(0));
    std::string dir = MakeProgramCopy("grouping", GetParam().ini);
    // The program's own library file: it counts the buttons of the tab control
    // it subclassed, and of none where it subclassed none.
    auto tabCount = (int(__cdecl*)())(void*)GetProcAddress(
        LoadLibraryA((dir + "ravik.dll").c_str()), "GetSysTabCnt");
    ASSERT_NE(tabCount, nullptr);
    ProgramProcess program, restarted;
    ASSERT_TRUE(program.Start(dir));
    // Meanwhile the user switches windows now and then: without hooks on the
    // taskbar's own messages, that traffic is how the program learns of a
    // member that closed without a button of its own.
    int polls = 0;
    auto shows = [&](const ProgramProcess& p, const char* expected) {
        return WaitUntil(
            [&] {
                if (++polls % 25 == 0) (polls % 50 ? viewer : editor).Send("activate #0");
                return Shown(taskbar, p.Pid(), w) == expected;
            },
            20000);
    };
    EXPECT_TRUE(shows(program, "[2 表示]--+")) << taskbar.Text();
    w.push_back(editor.Open().at(0)); // a later window joins
    EXPECT_TRUE(shows(program, "[3 表示]--+-")) << taskbar.Text();
    EXPECT_EQ(tabCount() > 0, GetParam().subclass);
    editor.Send("destroy #1");
    EXPECT_TRUE(shows(program, "[2 表示]--+-")) << taskbar.Text();
    editor.Send("destroy #2"); // down to one: its own button back
    EXPECT_TRUE(shows(program, "+-+-")) << taskbar.Text();
    w.push_back(editor.Open().at(0)); // and up to two again
    EXPECT_TRUE(shows(program, "[2 表示]--+--")) << taskbar.Text();
    // The shell announces a new taskbar, as a restarted explorer does: the
    // program ends and starts again, and the new instance takes the hook.
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(program.WaitExit(&code) && code == 0 && restarted.AttachRestarted(program.Pid()));
    EXPECT_TRUE(shows(restarted, "[2 表示]--+--")) << taskbar.Text();
    EXPECT_EQ(restarted.ExitThroughTrayMenu(), 0u);
    EXPECT_TRUE(shows(restarted, "+-+-+")) << taskbar.Text();
    EXPECT_EQ(ReadFileText(dir + "errorlog.txt"), std::string(GetParam().log) + GetParam().log);
}

// Default settings (SubClass 1, Load 1) and hooks only on the Windows 2000
// shell; default settings on the XP and 7 shells, which hold no tab control:
// the program runs there as with hooks only and says so once per start.
constexpr char NoTabControl[] =
    "タスクバーにタブコントロールがないため、サブクラス化せずに動作します\r\n";
INSTANTIATE_TEST_SUITE_P(HookModes, Grouping,
                         testing::Values(HookMode{nullptr, "2000", true, ""},
                                         HookMode{"[pelmora]\r\nSubClass=0\r\n", "2000", false, ""},
                                         HookMode{nullptr, "xp", false, NoTabControl},
                                         HookMode{nullptr, "win7", false, NoTabControl}));

struct EventsCase {
    const char* layout; // the shell the stand-in copies (hooks only there)
    const char* name;   // the application's file name without ".exe"
    bool keptOut;       // the hook library cannot enter its process
    bool raises;        // it raises the system's window events, as on Windows
};

void PrintTo(const EventsCase& c, std::ostream* os) {
    *os << c.layout << " " << c.name << (c.raises ? " events" : "");
}

// Wine's override for one program keeps the hook library out of every process
// of that file name, as Windows keeps it out of elevated, Store and
// other-bitness processes.
struct LibraryKeptOut {
    explicit LibraryKeptOut(const std::string& exe) : key("Software\\Wine\\AppDefaults\\" + exe) {
        RegSetKeyValueA(HKEY_CURRENT_USER, (key + "\\DllOverrides").c_str(), "ravik", REG_SZ,
                        "disabled", 9);
    }
    ~LibraryKeptOut() { RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str()); }
    std::string key;
};

class SystemEvents : public testing::TestWithParam<EventsCase> {};

TEST_P(SystemEvents, AnApplicationsWindowsAreFollowedThroughTheirEventsToTheEnd) {
    const EventsCase& c = GetParam();
    std::string exe = std::string(c.name) + ".exe";
    LibraryKeptOut keptOut(c.keptOut ? exe : "nothing.exe"); // a program that never runs
    StandinTaskbar taskbar;
    TestApp app;
    ASSERT_TRUE(taskbar.Start(c.layout) &&
                app.Launch(std::string(c.raises ? "/winevents " : "") + "open", exe));
    ProgramProcess program;
    ASSERT_TRUE(program.Start(MakeProgramCopy("events", "[pelmora]\r\nFlash=1\r\n")));
    std::vector<HWND> w = app.Windows();
    auto shows = [&](const std::string& expected, bool flashing = false) {
        return WaitUntil(
            [&] {
                bool flashes = false; // the program's button
                for (const TaskbarButton& b : taskbar.Buttons())
                    flashes = flashes || (b.flashing && OwnedBy(b.hwnd, program.Pid()));
                return Shown(taskbar, program.Pid(), w) == expected && flashes == flashing;
            },
            20000);
    };
    auto proxy = [&](const char* n) { return std::string("[") + n + " " + c.name + "]"; };
    w.push_back(app.Open().at(0)); // its second window
    EXPECT_TRUE(shows(proxy("2") + "--")) << taskbar.Text();
    app.Send("hide #0"); // not the active one: nothing else follows
    EXPECT_TRUE(shows("-+")) << taskbar.Text();
    app.Send("show #0");
    EXPECT_TRUE(shows(proxy("2") + "--")) << taskbar.Text();
    w.push_back(app.Open().at(0));
    EXPECT_TRUE(shows(proxy("3") + "---")) << taskbar.Text();
    app.Send("destroy #2");
    EXPECT_TRUE(shows(proxy("2") + "---")) << taskbar.Text();
    // Disabled, the window was no candidate when it came (and became the
    // foreground window); enabled, it joins once it is the foreground window.
    w.push_back(app.Open("disabled").at(0));
    EXPECT_TRUE(shows(proxy("2") + "---+")) << taskbar.Text();
    for (const char* command : {"enable #3", "activate #0", "activate #3", "title #0 renamed"})
        app.Send(command);
    EXPECT_TRUE(shows(proxy("3") + "----")) << taskbar.Text(); // a retitle changes no group
    // While a notice of the program is open, its thread runs the box's loop:
    // the windows are followed all the same.
    PostMessageA(program.WaitMainWindow(), WM_COMMAND, IDC_TRAY_HIDE, 0);
    HWND notice = WaitWindowOf(program.Pid(), "#32770", "注意");
    app.Send("hide #3");
    EXPECT_TRUE(shows(proxy("2") + "[注意]----")) << taskbar.Text();
    PostMessageA(notice, WM_COMMAND, IDOK, 0);
    app.Send("show #3");
    EXPECT_TRUE(shows(proxy("3") + "----")) << taskbar.Text();
    // The shell reports a flash (Wine's reports none: the test sends what it would).
    PostMessageA(program.WaitMainWindow(), RegisterWindowMessageA("SHELLHOOK"), HSHELL_FLASH,
                 (LPARAM)w[0]);
    EXPECT_TRUE(shows(proxy("3") + "----", true)) << taskbar.Text();
    EXPECT_EQ(app.Send("loaded ravik.dll"), c.keptOut ? "no" : "yes");
    EXPECT_EQ(program.ExitThroughTrayMenu(), 0u);
    EXPECT_TRUE(shows("++-+")) << taskbar.Text();
}

// An application the hook cannot enter, and one it enters, which raises the
// events too or not (Wine raises none but window creation itself).
INSTANTIATE_TEST_SUITE_P(Sources, SystemEvents,
                         testing::Values(EventsCase{"xp", "sealed", true, true},
                                         EventsCase{"win7", "sealed", true, true},
                                         EventsCase{"xp", "plain", false, true},
                                         EventsCase{"win7", "plain", false, true},
                                         EventsCase{"xp", "plain", false, false}));

// Windows 10 (the test prefix says so) with what Wine lacks supplied from
// outside the program: cloaked windows (the test dwmapi.dll beside it, the
// test application's events), Store apps' frames and their apps' windows
// (copies of the test application), windows whose programs removed their own
// buttons (through the stand-in's taskbar-list server, which marks them as the
// shell does).
class Windows10 : public testing::Test {
  protected:
    void Start(const std::vector<HWND>& windows, bool dwm = false) {
        std::string dir = MakeProgramCopy("windows10", nullptr);
        w = windows;
        ASSERT_TRUE(!dwm || CopyFileA((BinDir() + "cloaking\\dwmapi.dll").c_str(),
                                      (dir + "dwmapi.dll").c_str(), FALSE));
        ASSERT_TRUE(program.Start(dir));
    }
    bool Shows(const std::string& expected) {
        return WaitUntil([&] { return Shown(taskbar, program.Pid(), w) == expected; }, 20000);
    }
    StandinTaskbar taskbar;
    ProgramProcess program;
    std::vector<HWND> w;
};

TEST_F(Windows10, OnlyMembersOnThisVirtualDesktopCountAndThoseElsewhereKeepTheirButtons) {
    TestApp editor;
    ASSERT_TRUE(taskbar.Start("win7") && editor.Launch("/winevents open count=4", "editor.exe"));
    ASSERT_EQ(editor.Send("cloak #3 on"), "ok"); // on another desktop: never counted
    Start(editor.Windows(), true);
    EXPECT_TRUE(Shows("[3 editor]---+")) << taskbar.Text();
    const struct {
        std::vector<const char*> commands;
        const char* shown;
    } steps[] = {
        {{"cloak #1 on"}, "[2 editor]-+-+"}, // the proxy stays; #1 has its button there
        {{"cloak #2 on"}, "++++"},           // one counted member: no proxy
        {{"cloak #1 off", "cloak #2 off"}, "[3 editor]---+"}, // the user comes back
        {{"cloak #3 off"}, "[4 editor]----"},
    };
    for (const auto& step : steps) {
        for (const char* command : step.commands)
            editor.Send(command);
        EXPECT_TRUE(Shows(step.shown)) << step.commands[0] << taskbar.Text();
    }
    EXPECT_EQ(program.ExitThroughTrayMenu(), 0u);
    EXPECT_TRUE(Shows("++++")) << taskbar.Text();
}

TEST_F(Windows10, StoreFramesAreGroupedByTheAppWhoseWindowIsInThem) {
    TestApp host, calc, photos; // the frames' host and two apps
    ASSERT_TRUE(
        taskbar.Start("win7") &&
        host.Launch("open class=ApplicationFrameWindow count=6", "ApplicationFrameHost.exe") &&
        calc.Launch("/winevents open class=Windows.UI.Core.CoreWindow", "Calculator.exe") &&
        photos.Launch("/winevents", "Photos.exe"));
    std::vector<HWND> frames = host.Windows(); // #4 and #5 get no app window
    for (int i : {0, 1, 2, 3})
        ASSERT_EQ((i < 2 ? calc : photos).Send("adopt " + WindowRef(frames[i])).find("0x"), 0u);
    frames.push_back(calc.Windows().at(0)); // the app's window outside a frame
    Start(frames);
    EXPECT_TRUE(Shows("[2 Calculator][2 Photos]----+++")) << taskbar.Text();
    w.push_back(host.Open("class=ApplicationFrameWindow").at(0)); // a frame opened later
    EXPECT_TRUE(Shows("[2 Calculator][2 Photos]----++++")) << taskbar.Text();
    calc.Send("adopt " + WindowRef(w.back())); // and then its app's window
    EXPECT_TRUE(Shows("[2 Photos][3 Calculator]----+++-")) << taskbar.Text();
    EXPECT_EQ(program.ExitThroughTrayMenu(), 0u);
    EXPECT_TRUE(Shows("++++++++")) << taskbar.Text();
}

TEST_F(Windows10, AWindowWhoseProgramRemovedItsButtonJoinsNoGroupAndNeverGetsOneBack) {
    TestApp editor;
    ASSERT_TRUE(taskbar.Start("win7") && editor.Launch("/winevents open count=3", "editor.exe"));
    ASSERT_EQ(editor.Send("deletetab #2"), "ok");
    Start(editor.Windows());
    EXPECT_TRUE(Shows("[2 editor]---")) << taskbar.Text();
    // One removes its button after it was made and before it is shown.
    w.push_back(editor.Open("hidden").at(0));
    for (const char* command : {"deletetab #3", "show #3", "destroy #0"})
        editor.Send(command);
    EXPECT_TRUE(Shows("-+-+")) << taskbar.Text(); // the group dissolves: #3 never counted
    EXPECT_EQ(program.ExitThroughTrayMenu(), 0u);
    TaskbarState state;
    ASSERT_TRUE(taskbar.Read(&state));
    for (HWND own : {w[2], w[3]})
        EXPECT_EQ(std::count(state.calls.begin(), state.calls.end(),
                             std::make_pair(std::string("AddTab"), own)),
                  0)
            << state.text;
}

TEST(Program, OneRunPerSessionHoweverStartsMeetAndANoticeStopsNoGrouping) {
    StandinTaskbar taskbar;
    TestApp editor;
    ASSERT_TRUE(taskbar.Start() && editor.Launch("open count=2", "editor.exe"));
    std::string dir = MakeProgramCopy("instance", nullptr);
    auto icons = [&] {
        TaskbarState state;
        return taskbar.Read(&state) ? (int)state.icons.size() : -1;
    };
    auto grouped = [&](const ProgramProcess& p, const char* shown) {
        return WaitUntil([&] { return Shown(taskbar, p.Pid(), editor.Windows()) == shown; }, 20000);
    };
    DWORD code = 1;
    for (int i = 0; i < 10; ++i) { // two starts at one moment: one runs, one ends touching nothing
        ProgramProcess a, b;
        ASSERT_TRUE(a.Start(dir) && b.Start(dir) &&
                    WaitUntil([&] { return !a.Running() || !b.Running(); }));
        ProgramProcess &ran = a.Running() ? a : b, &ended = a.Running() ? b : a;
        EXPECT_TRUE(ended.WaitExit(&code) && code == 0) << code;
        // A box of its own would have a button too.
        EXPECT_TRUE(grouped(ran, "[2 editor]--") && icons() == 1) << i << taskbar.Text();
        EXPECT_EQ(ran.ExitThroughTrayMenu(), 0u);
        EXPECT_TRUE(grouped(ran, "++")) << taskbar.Text();
    }
    ProgramProcess runs[21]; // each started while the one before is ending
    ASSERT_TRUE(runs[0].Start(dir) && grouped(runs[0], "[2 editor]--"));
    for (int i = 1; i < 21; ++i) {
        PostMessageA(runs[i - 1].WaitMainWindow(), WM_COMMAND, IDC_TRAY_EXIT, 0);
        ASSERT_TRUE(runs[i].Start(dir) && runs[i - 1].WaitExit(&code) && code == 0);
        EXPECT_TRUE(grouped(runs[i], "[2 editor]--") && WaitUntil([&] { return icons() == 1; }))
            << i << taskbar.Text();
    }
    // Another process asks twice for the icon's removal: one notice, while which a new
    // window is grouped all the same. A second start shows the icon again.
    ProgramProcess& last = runs[20];
    for (int i = 0; i < 2; ++i)
        PostMessageA(last.WaitMainWindow(), WM_COMMAND, IDC_TRAY_HIDE, 0);
    HWND notice = WaitWindowOf(last.Pid(), "#32770", "注意");
    editor.Open();
    EXPECT_TRUE(grouped(last, "[3 editor][注意]---") && IsWindow(notice)) << taskbar.Text();
    PostMessageA(notice, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return icons() == 0; }));
    ProgramProcess second;
    ASSERT_TRUE(second.Start(dir) && second.WaitExit(&code) && code == 0);
    EXPECT_TRUE(WaitUntil([&] { return icons() == 1; })) << taskbar.Text();
    EXPECT_EQ(last.ExitThroughTrayMenu(), 0u);
    EXPECT_EQ(ReadFileText(dir + "errorlog.txt"), "");
}

TEST(Program, AStartUpFailureShowsItsBoxBeforeItsLogEntriesAndEndsWithMinusOneButtonsBack) {
    const struct {
        const char* ini;
        std::string box;
        bool holdHook, noServer;
    } cases[] = {
        {nullptr, "グローバルフックの設定に失敗しました", true, false}, // held by this process
        // Wine's own tray window has no task-switch window to subclass.
        {"[pelmora]\r\nSubClass=1\r\n", "タスクバーのサブクラス化に失敗しました", false, false},
        // The taskbar-list class names a server that is not there.
        {"[pelmora]\r\nSubClass=0\r\n", "タスクバーを操作するオブジェクトの作成に失敗しました",
         false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        std::string dir = MakeProgramCopy("failure", c.ini);
        StandinTaskbar taskbar;
        TestApp editor;
        HMODULE ravik = c.holdHook ? LoadLibraryA((dir + "ravik.dll").c_str()) : nullptr;
        if (c.holdHook) { // the program's own copy of the library
            auto setHook = (int(__cdecl*)(int, int))(void*)GetProcAddress(ravik, "SetHook");
            ASSERT_TRUE(setHook && taskbar.Start() && editor.Launch("open count=2") &&
                        setHook(0, 0));
        }
        if (c.noServer) RegisterTaskbarListServer("Z:\\nowhere\\server.dll");
        ProgramProcess program;
        ASSERT_TRUE(program.Start(dir));
        HWND box = WaitWindowOf(program.Pid(), "#32770");
        wchar_t text[256] = L"", expected[256] = L"";
        MultiByteToWideChar(932, 0, c.box.c_str(), -1, expected, 256);
        ASSERT_TRUE(GetDlgItemTextW(box, 0xFFFF, text, 256) && !wcscmp(text, expected)); // its text
        EXPECT_EQ(ReadFileText(dir + "errorlog.txt"), "");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        DWORD code = 0;
        EXPECT_TRUE(program.WaitExit(&code) && code == (DWORD)-1) << code;
        // The box's text, then the system's text for the error.
        std::string log = ReadFileText(dir + "errorlog.txt"), entry = c.box + "\r\n";
        EXPECT_TRUE(log.compare(0, entry.size(), entry) == 0 && log.size() > entry.size() &&
                    log.find(entry, 1) == std::string::npos)
            << log;
        RegisterTaskbarListServer(BinDir() + "tasklist_server.dll");
        if (!c.holdHook) continue;
        ((int(__cdecl*)())(void*)GetProcAddress(ravik, "FreeHook"))();
        FreeLibrary(ravik);
        EXPECT_TRUE(
            WaitUntil([&] { return Shown(taskbar, program.Pid(), editor.Windows()) == "++"; }));
        TaskbarState state;
        EXPECT_TRUE(taskbar.Read(&state) && state.icons.empty()) << state.text;
    }
}

class Ui : public testing::Test {
  protected:
    // Starts the program with this pelmora.ini; waits for its one proxy "3 editor".
    void Start(const char* ini) {
        ASSERT_TRUE(taskbar.Start() && editor.Launch("open count=3", "editor.exe") &&
                    program.Start(dir = MakeProgramCopy("ui", ini)));
        ASSERT_TRUE(WaitUntil([&] { return Proxy() && proxy.title == "3 editor"; }, 20000))
            << taskbar.Text();
    }
    void TearDown() override {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels"); // 96 DPI
        if (!program.Running()) return; // a failure said why already
        EXPECT_EQ(program.ExitThroughTrayMenu(), 0u);
        EXPECT_EQ(ReadFileText(dir + "errorlog.txt"), "");
    }
    bool Proxy() { // the program's button (the only one: the members have none) into `proxy`
        std::vector<TaskbarButton> buttons = taskbar.Buttons();
        DWORD pid = 0;
        return buttons.size() == 1 && GetWindowThreadProcessId(buttons[0].hwnd, &pid) &&
               pid == program.Pid() && (proxy = buttons[0], true);
    }
    // A click on the proxy's button; the menu that opened. Wine reports the
    // taskbar as the screen's bottom pixel row, and the stand-in takes a click
    // by its x alone: the click goes to that row.
    HWND ClickProxy() {
        int x = (proxy.rect.left + proxy.rect.right) / 2, y = GetSystemMetrics(SM_CYSCREEN) - 1;
        return ClickAt(x, y) ? WaitWindowOf(program.Pid(), "#32768") : nullptr;
    }
    HWND OpenSettings() { // through the tray menu's command
        PostMessageA(program.WaitMainWindow(), WM_COMMAND, IDC_TRAY_SETTINGS, 0);
        return WaitWindowOf(program.Pid(), "#32770");
    }

    StandinTaskbar taskbar;
    TestApp editor;
    std::string dir;
    ProgramProcess program;
    TaskbarButton proxy = {};
};

TEST_F(Ui, AClickOnTheProxysButtonOpensTheGroupMenuAndAnItemBringsItsWindowForward) {
    Start("[pelmora]\r\nMenu=2\r\n"); // window items only, all of one height
    HWND menu = ClickProxy();
    ASSERT_NE(menu, nullptr) << taskbar.Text();
    EXPECT_EQ(LookAtMenu(menu), "items 18 high, icons 15x14"); // Wine's application icon
    // Newest member first: the start-up scan met the front window first, so the
    // first item is the back window, the one opened first.
    RECT r;
    GetClientRect(menu, &r);
    MapWindowPoints(menu, nullptr, (POINT*)&r, 2);
    ASSERT_TRUE(ClickAt((r.left + r.right) / 2, r.top + (r.bottom - r.top) / 6));
    EXPECT_TRUE(WaitUntil([&] {
        return !FindWindowOf(program.Pid(), "#32768") &&
               GetForegroundWindow() == editor.Windows().at(0);
    }));
}

TEST_F(Ui, OnAScreenOf144DpiTheGroupMenusItemsAndIconsAreOneAndAHalfTimesTheirSizeAt96) {
    DWORD dpi = 144; // what Wine reads as a process starts; back to 96 at the end
    RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &dpi, 4);
    Start("[pelmora]\r\nMenu=2\r\n");
    HWND menu = ClickProxy();
    ASSERT_NE(menu, nullptr) << taskbar.Text();
    // Wine's application icon, drawn in a square of 24 (16 at 96 DPI), shows 23 x 21 (15 x 14).
    EXPECT_EQ(LookAtMenu(menu), "items 27 high, icons 23x21");
    PostMessageA(proxy.hwnd, WM_CANCELMODE, 0, 0); // the menu closes, the program can end
}

TEST_F(Ui, AfterAMemberFlashedClosingTheMenuGivesTheProxyAFreshButtonThatNoLongerFlashes) {
    // Hooks only: a flash is caption toggles and a title change, sent messages
    // that the library records only without the taskbar subclass.
    Start("[pelmora]\r\nFlash=1\r\nSubClass=0\r\n");
    for (const char* command : {"flash #1", "flash #1", "title #1 again"})
        ASSERT_EQ(editor.Send(command), "ok");
    ASSERT_TRUE(WaitUntil([&] { return Proxy() && proxy.flashing; })) << taskbar.Text();
    TaskbarState s;
    ASSERT_TRUE(taskbar.Read(&s) && ClickProxy()) << taskbar.Text();
    size_t before = s.calls.size();
    // A click away closes the menu without a choice; the proxy's button goes and comes again.
    ASSERT_TRUE(ClickAt(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 3));
    auto after = [&](const char* op, decltype(s.calls.begin()) from) {
        return std::find(from, s.calls.end(), std::make_pair(std::string(op), proxy.hwnd));
    };
    EXPECT_TRUE(WaitUntil([&] {
        return taskbar.Read(&s) && Proxy() && !proxy.flashing &&
               after("AddTab", after("DeleteTab", s.calls.begin() + before)) != s.calls.end();
    })) << taskbar.Text();
}

TEST_F(Ui, TheSettingsDialogWorksFromTheKeyboardAndYesRestartsTheProgramWithTheNewSetting) {
    Start(nullptr);
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    // Enter applies and leaves the dialog open, Esc closes it: keys that reach
    // the dialog only through the program's own loop.
    HWND winNum = GetDlgItem(dialog, IDC_SET_WINNUM);
    SetWindowTextA(winNum, "5");
    PostMessageA(winNum, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    EXPECT_TRUE(WaitUntil(
        [&] { return ReadFileText(dir + "pelmora.ini").find("WinNum=5") != std::string::npos; }));
    EXPECT_TRUE(IsWindow(dialog));
    PostMessageA(winNum, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    // A setting that takes effect at start-up: "Yes" to the question restarts.
    ASSERT_NE(dialog = OpenSettings(), nullptr);
    SendMessageA(GetDlgItem(dialog, IDC_SET_CLASSADDRESS), BM_CLICK, 0, 0);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0); // posted: the question is modal
    HWND question = WaitWindowOf(program.Pid(), "#32770", "pelmoraの再起動");
    ASSERT_NE(question, nullptr);
    PostMessageA(question, WM_COMMAND, IDYES, 0);
    DWORD code = 1;
    ASSERT_TRUE(program.WaitExit(&code) && code == 0) << code;
    ASSERT_TRUE(program.AttachRestarted(program.Pid())); // from now on the new instance
    HWND again = OpenSettings();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(SendMessageA(GetDlgItem(again, IDC_SET_CLASSADDRESS), BM_GETCHECK, 0, 0),
              BST_CHECKED);
}

TEST_F(Ui, SettingsThatCannotBeSavedAreToldAndLoggedAndTheRulesOnDiskStayWhole) {
    Start(nullptr);
    std::string rules = "[Rule0]\r\nID=C:\\x\\a.exe\r\n";
    ASSERT_TRUE(WriteFileText(dir + "rule.ini", rules));
    HANDLE held[] = {nullptr, nullptr}; // open without sharing here: neither can be written
    for (const char* file : {"rule.ini", "pelmora.ini"})
        held[*file == 'r'] =
            CreateFileA((dir + file).c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextA(dialog, IDC_SET_RULE_ID, "b.exe"); // a rule added on the window tab
    SendDlgItemMessageA(dialog, IDC_SET_TABS, TCM_SETCURSEL, 1, 0);
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    SendDlgItemMessageA(dialog, IDC_SET_TABS, TCM_SETCURSEL, 0, 0);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0); // 変更 on the general tab, which shows the boxes
    for (const char* text : {"ルールの保存に失敗しました\r\n", "設定の保存に失敗しました\r\n"}) {
        HWND box = WaitWindowOf(program.Pid(), "#32770", "エラー");
        char shown[1024] = "";
        GetDlgItemTextA(box, 0xFFFF, shown, sizeof shown);
        EXPECT_TRUE(GetWindow(box, GW_OWNER) == dialog && std::string(shown).find(text) == 0)
            << shown;
        EXPECT_NE(ReadFileText(dir + "errorlog.txt").find(text), std::string::npos);
        SendMessageA(box, WM_COMMAND, IDOK, 0);
    }
    EXPECT_TRUE(CloseHandle(held[0]) && CloseHandle(held[1]));
    EXPECT_EQ(ReadFileText(dir + "rule.ini"), rules);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0); // saved now, the rule edit included
    EXPECT_TRUE(WaitUntil([&] {
        return ReadFileText(dir + "rule.ini").find("b.exe") != std::string::npos &&
               ReadFileText(dir + "pelmora.ini").find("WinNum=2") != std::string::npos;
    }));
    DeleteFileA((dir + "errorlog.txt").c_str()); // read above; TearDown wants no other entry
}

} // namespace
