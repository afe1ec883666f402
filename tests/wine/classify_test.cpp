// Classification of real windows of this process and of a helper process, and
// group matching over hand-built groups and rules.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "core/classify.h"
#include "core/globals.h"
#include "core/pure/text.h"
#include "tests/support/child_window.h"
#include "tests/support/model_support.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using testing_support::AddTestGroup;
using testing_support::AppendTestRule;

namespace {

const char* const AllocFailureText = "メモリの確保に失敗しました\n";

class ClassifyTest : public testing_support::ModelTest {
  protected:
    testing_support::TestWindows windows_;
};

std::string OwnExecutable() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n);
}

std::string PathOf(HWND hwnd) {
    char buffer[PathBufferSize];
    if (!GetProcessImagePath(hwnd, buffer, sizeof buffer)) return "(none)";
    return buffer;
}

// ---- icons ----

// What a test window answers to WM_GETICON, and which requests it saw.
struct IconAnswers {
    HICON small;
    HICON big;
    std::vector<WPARAM> asked;
};

LRESULT CALLBACK IconWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_GETICON) {
        IconAnswers* a = reinterpret_cast<IconAnswers*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (a) {
            a->asked.push_back(wp);
            return reinterpret_cast<LRESULT>(wp == ICON_SMALL ? a->small
                                             : wp == ICON_BIG ? a->big
                                                              : nullptr);
        }
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HICON MakeIcon(BYTE pattern) {
    BYTE andMask[32 * 4];
    BYTE xorMask[32 * 4];
    memset(andMask, 0, sizeof andMask);
    memset(xorMask, pattern, sizeof xorMask);
    return CreateIcon(GetModuleHandleA(nullptr), 32, 32, 1, 1, andMask, xorMask);
}

// Registers a window class with the given class icons (null for none).
std::string IconClass(HICON big, HICON small) {
    static int counter = 0;
    std::string name = "pelmora-icon-test-" + std::to_string(counter++);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = IconWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = big;
    wc.hIconSm = small;
    wc.lpszClassName = name.c_str();
    EXPECT_NE(RegisterClassExA(&wc), 0);
    return name;
}

HWND IconWindow(const std::string& className, IconAnswers* answers) {
    HWND w = CreateWindowExA(0, className.c_str(), "icon", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(answers));
    return w;
}

} // namespace

// ---- candidates ----

TEST_F(ClassifyTest, CandidatesAreUnownedEnabledTopLevelWindowsThatAreNoToolWindows) {
    HWND owner = windows_.Hidden();
    struct Case {
        const char* what;
        DWORD style;
        DWORD exStyle;
        HWND parent;
        int candidate;
    } cases[] = {
        {"invisible top-level window", WS_OVERLAPPEDWINDOW, 0, nullptr, 1},
        {"hidden popup", WS_POPUP, 0, nullptr, 1},
        {"application window", WS_POPUP, WS_EX_APPWINDOW, nullptr, 1},
        {"owned window", WS_POPUP, 0, owner, 0},
        {"owned application window", WS_POPUP, WS_EX_APPWINDOW, owner, 0},
        {"child window", WS_CHILD, 0, owner, 0},
        {"disabled window", WS_POPUP | WS_DISABLED, 0, nullptr, 0},
        {"tool window", WS_POPUP, WS_EX_TOOLWINDOW, nullptr, 0},
        {"tool window marked as application window", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_APPWINDOW,
         nullptr, 0},
    };
    for (const Case& c : cases) {
        HWND w = windows_.Make(c.style, c.exStyle, c.parent);
        EXPECT_EQ(IsTaskbarCandidate(w), c.candidate) << c.what;
    }
}

TEST_F(ClassifyTest, ShownWindowsAreCandidatesUntilDisabled) {
    HWND w = windows_.Visible();
    EXPECT_EQ(IsTaskbarCandidate(w), 1);
    EnableWindow(w, FALSE);
    EXPECT_EQ(IsTaskbarCandidate(w), 0);
    EnableWindow(w, TRUE);
    EXPECT_EQ(IsTaskbarCandidate(w), 1);
}

// ---- icons ----

TEST_F(ClassifyTest, GetWndIconTakesSmallAnswerSmallClassIconBigAnswerBigClassIconInThatOrder) {
    HICON s = MakeIcon(0x11), cs = MakeIcon(0x22), b = MakeIcon(0x44), cb = MakeIcon(0x88);
    std::string withIcons = IconClass(cb, cs);
    std::string withoutIcons = IconClass(nullptr, nullptr);
    struct Case {
        const char* what;
        const std::string* cls;
        HICON smallAnswer;
        HICON bigAnswer;
        HICON expected;
        std::vector<WPARAM> asked;
    } cases[] = {
        {"small answer first", &withIcons, s, b, s, {ICON_SMALL}},
        {"then the small class icon", &withIcons, nullptr, b, cs, {ICON_SMALL}},
        {"then the big answer", &withoutIcons, nullptr, b, b, {ICON_SMALL, ICON_BIG}},
        {"nothing at all", &withoutIcons, nullptr, nullptr, nullptr, {ICON_SMALL, ICON_BIG}},
    };
    for (Case& c : cases) {
        IconAnswers answers{c.smallAnswer, c.bigAnswer, {}};
        HWND w = IconWindow(*c.cls, &answers);
        EXPECT_EQ(GetWndIcon(w), c.expected) << c.what;
        EXPECT_EQ(answers.asked, c.asked) << c.what;
        DestroyWindow(w);
    }
    for (HICON i : {s, cs, b, cb})
        DestroyIcon(i);
}

TEST_F(ClassifyTest, GetWndIconEndsWithTheBigClassIconEvenWhenItIsNoIcon) {
    // The system makes a class's small icon from its big one; only a big icon
    // it cannot copy leaves the small one null and reaches the last step.
    HICON notAnIcon = reinterpret_cast<HICON>(static_cast<ULONG_PTR>(0x7FF0));
    std::string cls = IconClass(notAnIcon, nullptr);
    IconAnswers answers{nullptr, nullptr, {}};
    HWND w = IconWindow(cls, &answers);
    ASSERT_EQ(GetClassLongPtrA(w, GCLP_HICONSM), 0);
    EXPECT_EQ(GetWndIcon(w), notAnIcon);
    EXPECT_EQ(answers.asked, (std::vector<WPARAM>{ICON_SMALL, ICON_BIG}));
    DestroyWindow(w);
}

TEST_F(ClassifyTest, GetWndIconOfAWindowThatDoesNotAnswerFallsBackToTheClassIcon) {
    HICON cs = MakeIcon(0x22), cb = MakeIcon(0x88), s = MakeIcon(0x11);
    std::string cls = IconClass(cb, cs);
    struct Hung {
        std::string cls;
        IconAnswers answers;
        HWND window = nullptr;
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    } hung;
    hung.cls = cls;
    hung.answers = IconAnswers{s, s, {}};
    // A window whose thread stops handling messages once it exists.
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            Hung* h = static_cast<Hung*>(p);
            h->window = IconWindow(h->cls, &h->answers);
            SetEvent(h->ready);
            WaitForSingleObject(h->release, INFINITE);
            DestroyWindow(h->window);
            return 0;
        },
        &hung, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(hung.ready, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(GetWndIcon(hung.window), cs);
    SetEvent(hung.release);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    CloseHandle(hung.ready);
    CloseHandle(hung.release);
    for (HICON i : {s, cs, cb})
        DestroyIcon(i);
}

// ---- executable paths ----

TEST_F(ClassifyTest, ANewWindowWithoutIconIsSkippedButOneThatCannotBeAskedIsNot) {
    // A window of this process that answers "no icon" and has no class icon.
    IconAnswers answers{nullptr, nullptr, {}};
    HWND none = IconWindow(IconClass(nullptr, nullptr), &answers);
    EXPECT_EQ(GetNewWndIcon(none), nullptr);
    DestroyWindow(none);
    // A window of another process: Wine refuses WM_GETICON across processes
    // and hides other processes' class icons, Windows answers with the icon.
    testing_support::TestApp app;
    ASSERT_TRUE(app.Launch("open"));
    HWND foreign = app.Windows().at(0);
    EXPECT_NE(GetNewWndIcon(foreign), nullptr);
    // A window that is gone cannot be asked either, and is skipped.
    app.Send("destroy #0");
    ASSERT_FALSE(IsWindow(foreign));
    EXPECT_EQ(GetNewWndIcon(foreign), nullptr);
}

TEST_F(ClassifyTest, GetProcessImagePathOfAWindowOfThisProcessIsThisExecutable) {
    EXPECT_EQ(PathOf(windows_.Hidden()), OwnExecutable());
}

TEST_F(ClassifyTest, GetProcessImagePathOfAnotherProcessesWindowIsThatExecutable) {
    // A copy of this executable under a Shift-JIS name whose folder name ends
    // in the byte 0x5C (ソ is 0x83 0x5C), run as a helper process.
    std::string dir = testing_support::MakeTempDir("classify") + "ソフト\\";
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    std::string copy = dir + "表示.exe";
    ASSERT_TRUE(CopyFileA(OwnExecutable().c_str(), copy.c_str(), FALSE));
    {
        testing_support::ChildWindowProcess child;
        ASSERT_TRUE(child.Start(copy));
        DWORD pid = 0;
        GetWindowThreadProcessId(child.window(), &pid);
        EXPECT_NE(pid, GetCurrentProcessId());
        std::string path = PathOf(child.window());
        EXPECT_EQ(path, copy);
        char* name = MakeDisplayName(path.c_str());
        ASSERT_NE(name, nullptr);
        EXPECT_STREQ(name, "表示");
        ObjFree(name);
    }
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(dir.c_str());
}

TEST_F(ClassifyTest, GetProcessImagePathOfAWindowThatIsGoneFails) {
    HWND w = CreateWindowExA(0, "STATIC", "gone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    DestroyWindow(w);
    char buffer[PathBufferSize] = "unchanged";
    EXPECT_EQ(GetProcessImagePath(w, buffer, sizeof buffer), 0);
    EXPECT_EQ(GetProcessImagePath(nullptr, buffer, sizeof buffer), 0);
}

TEST_F(ClassifyTest, APathThatDoesNotFitTheBufferIsNoPath) {
    HWND w = windows_.Hidden();
    std::string own = OwnExecutable();
    char buffer[PathBufferSize];
    EXPECT_EQ(GetProcessImagePath(w, buffer, 8), 0);
    EXPECT_EQ(GetProcessImagePath(w, buffer, (int)own.size()), 0);
    EXPECT_EQ(GetProcessImagePath(w, buffer, (int)own.size() + 2), 1);
    EXPECT_EQ(buffer, own);
}

TEST_F(ClassifyTest, TheToolhelpWayFindsTheProcessEntryOfTheId) {
    // On the NT platform the entry holds only the file name; on the 9x
    // platform, where this way is taken, it holds the full path.
    char buffer[PathBufferSize];
    ASSERT_EQ(ProcessImagePathByToolhelp(GetCurrentProcessId(), buffer, sizeof buffer), 1);
    std::string own = OwnExecutable();
    std::string file = own.substr(own.find_last_of('\\') + 1);
    std::string got = buffer;
    std::string tail = got.substr(got.size() > file.size() ? got.size() - file.size() : 0);
    EXPECT_EQ(lstrcmpiA(tail.c_str(), file.c_str()), 0) << got;
    EXPECT_EQ(ProcessImagePathByToolhelp(0xFFFFFFF3u, buffer, sizeof buffer), 0);
    EXPECT_EQ(ProcessImagePathByToolhelp(GetCurrentProcessId(), buffer, 2), 0);
}

TEST_F(ClassifyTest, ThePsapiWayFailsForAProcessThatDoesNotExist) {
    char buffer[PathBufferSize];
    EXPECT_EQ(ProcessImagePathByPsapi(0xFFFFFFF3u, buffer, sizeof buffer), 0);
    ASSERT_EQ(ProcessImagePathByPsapi(GetCurrentProcessId(), buffer, sizeof buffer), 1);
    EXPECT_EQ(buffer, OwnExecutable());
}

// ---- display names ----

TEST_F(ClassifyTest, TheSystemsLeadBytesAreThoseOfCodePage932) {
    for (int b = 0; b < 256; ++b) {
        bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        EXPECT_EQ(IsDBCSLeadByte((BYTE)b) != 0, lead) << b;
    }
}

TEST_F(ClassifyTest, MakeDisplayNameCutsDirectoryAndLastExtensionOfShiftJisPaths) {
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {
        // The portable tests cover the cutting itself; these check the
        // system's lead bytes and the block that holds the name.
        {"C:\\a\\archive.tar.gz", "archive.tar"},
        {"C:\\ソフト\\a.exe", "a"},
        {"C:\\x\\ソ", "ソ"},
        {"C:\\ｱ\\b.exe", "b"},
        {"C:\\dir\\ｱｲ.txt", "ｱｲ"},
        {"C:\\x\\\x83", "\x83"},
        {"C:\\x\\a.\x83", "a"},
    };
    for (const Case& c : cases) {
        char* name = MakeDisplayName(c.path);
        ASSERT_NE(name, nullptr) << c.path;
        EXPECT_STREQ(name, c.name) << c.path;
        EXPECT_NE(ObjFree(name), 0) << "the name is a block of its own";
    }
}

TEST_F(ClassifyTest, MakeDisplayNameLogsAFailedAllocationAndReturnsNull) {
    ObjAllocFailAfter(0);
    EXPECT_EQ(MakeDisplayName("C:\\app\\tool.exe"), nullptr);
    ObjAllocFailAfter(-1);
    EXPECT_EQ(ErrorLogText(), AllocFailureText);
}

// ---- rules and groups ----

namespace {

struct Groups {
    WndGroup* a;  // C:\app\a.exe, ClassA
    WndGroup* b;  // C:\app\b.exe, ClassB
    WndGroup* ab; // C:\app\a.exe, ClassB; the most recent
};

// GroupList: ab, b, a (the most recently created first).
Groups MakeGroups() {
    Groups g;
    g.a = AddTestGroup("C:\\app\\a.exe", "ClassA");
    g.b = AddTestGroup("C:\\app\\b.exe", "ClassB");
    g.ab = AddTestGroup("C:\\app\\a.exe", "ClassB");
    return g;
}

} // namespace

TEST_F(ClassifyTest, FindGroupForFollowsAndPathAndClass) {
    Groups g = MakeGroups();
    struct Case {
        int And, Path, Class;
        const char* path;
        const char* className;
        WndGroup* expected;
    } cases[] = {
        // Path like a and ab, class like a; letters in other case.
        {1, 0, 0, "c:\\APP\\A.EXE", "classa", nullptr},
        {0, 0, 0, "c:\\APP\\A.EXE", "classa", nullptr},
        {1, 1, 0, "c:\\APP\\A.EXE", "classa", g.ab},
        {1, 0, 1, "c:\\APP\\A.EXE", "classa", g.a},
        {1, 1, 1, "c:\\APP\\A.EXE", "classa", g.a},
        {0, 1, 0, "c:\\APP\\A.EXE", "classa", g.ab},
        {0, 0, 1, "c:\\APP\\A.EXE", "classa", g.a},
        {0, 1, 1, "c:\\APP\\A.EXE", "classa", g.ab},
        // Path like b, class like a.
        {1, 1, 0, "C:\\app\\b.exe", "ClassA", g.b},
        {1, 0, 1, "C:\\app\\b.exe", "ClassA", g.a},
        {1, 1, 1, "C:\\app\\b.exe", "ClassA", nullptr},
        {0, 1, 0, "C:\\app\\b.exe", "ClassA", g.b},
        {0, 0, 1, "C:\\app\\b.exe", "ClassA", g.a},
        {0, 1, 1, "C:\\app\\b.exe", "ClassA", g.b},
        // Path like b, class like b and ab: the most recent group wins.
        {1, 1, 1, "C:\\app\\b.exe", "ClassB", g.b},
        {1, 0, 1, "C:\\app\\b.exe", "ClassB", g.ab},
        {0, 1, 1, "C:\\app\\b.exe", "ClassB", g.ab},
        // Like nothing.
        {1, 1, 1, "C:\\other.exe", "Other", nullptr},
        {0, 1, 1, "C:\\other.exe", "Other", nullptr},
        // Prefixes and longer strings are not equal.
        {0, 1, 1, "C:\\app\\a.ex", "Class", nullptr},
        {0, 1, 1, "C:\\app\\a.exe2", "ClassA2", nullptr},
        // An And other than 1 means "any one".
        {5, 1, 1, "C:\\app\\b.exe", "ClassA", g.b},
        {-1, 0, 1, "C:\\app\\b.exe", "ClassA", g.a},
        // Only 1 puts a criterion in force; with none in force the window stands alone.
        {1, 2, 0, "C:\\app\\b.exe", "ClassA", nullptr},
        {0, 2, 0, "C:\\app\\b.exe", "ClassA", nullptr},
        {1, 2, 1, "C:\\app\\b.exe", "ClassA", g.a},
        {1, 1, -1, "C:\\app\\b.exe", "ClassA", g.b},
    };
    for (const Case& c : cases) {
        Settings.And = c.And;
        Settings.Path = c.Path;
        Settings.Class = c.Class;
        EXPECT_EQ(FindGroupFor(c.path, c.className), c.expected)
            << "And " << c.And << " Path " << c.Path << " Class " << c.Class << ": " << c.path
            << " " << c.className;
    }
}

TEST_F(ClassifyTest, AutomaticMatchingFoldsOnlyAToZSecondBytesIncluded) {
    WndGroup* g = AddTestGroup("C:\\\x83\x41\\x.exe", "K"); // C:\ア\x.exe
    struct Case {
        const char* path;
        WndGroup* expected;
    } cases[] = {
        {"C:\\\x83\x41\\X.EXE", g},
        {"C:\\\x83\x61\\x.exe", g},       // 0x83 0x61 folds onto 0x83 0x41
        {"C:\\\x82\x60\\x.exe", nullptr}, // other character
        {"C:\\\xC0\\x.exe", nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindGroupFor(c.path, "K"), c.expected) << c.path;
}

TEST_F(ClassifyTest, RulesCompareExactlyAndAMatchedRuleFindsOnlyItsOwnGroup) {
    WndGroup* plain = AddTestGroup("C:\\app\\x.exe", "X");
    GroupRule* rule = AppendTestRule("C:\\APP\\X.EXE", RuleTypePath);
    // Rules compare byte for byte: the lower-case path is matched automatically.
    EXPECT_EQ(FindRule("C:\\app\\x.exe", "X"), nullptr);
    EXPECT_EQ(FindGroupFor("C:\\app\\x.exe", "X"), plain);
    // The upper-case path matches the rule; no group has it yet, so the window
    // founds one although a group of the same path (ignoring case) exists.
    EXPECT_EQ(FindRule("C:\\APP\\X.EXE", "X"), rule);
    EXPECT_EQ(FindGroupFor("C:\\APP\\X.EXE", "X"), nullptr);
    // Once a group has the rule, the window joins it, whatever its path.
    WndGroup* ruled = AddTestGroup("D:\\elsewhere.exe", "Y", rule);
    EXPECT_EQ(FindGroupFor("C:\\APP\\X.EXE", "X"), ruled);
    // A window no rule matches may still join a group made under a rule.
    EXPECT_EQ(FindGroupFor("d:\\ELSEWHERE.exe", "Z"), ruled);
}

TEST_F(ClassifyTest, RulesThatAreSwitchedOffArePassedOver) {
    struct Case {
        int enable;
        bool found;
    } cases[] = {{0, true}, {1, true}, {2, false}, {3, false}, {-1, false}};
    for (const Case& c : cases) {
        testing_support::FreeModel();
        WndGroup* plain = AddTestGroup("C:\\app\\x.exe", "X");
        GroupRule* rule = AppendTestRule("C:\\app\\x.exe", RuleTypePath, c.enable);
        EXPECT_EQ(FindRule("C:\\app\\x.exe", "X"), c.found ? rule : nullptr) << c.enable;
        // A rule passed over leaves the window to the automatic matching.
        EXPECT_EQ(FindGroupFor("C:\\app\\x.exe", "X"), c.found ? nullptr : plain) << c.enable;
    }
}

TEST_F(ClassifyTest, RuleTypesMatchPathOrClassNameAndTheFirstMatchingRuleWins) {
    GroupRule* offPath = AppendTestRule("C:\\a.exe", RuleTypePath, 2);
    GroupRule* byClass = AppendTestRule("Notepad", RuleTypeClass);
    GroupRule* byPath = AppendTestRule("C:\\a.exe", RuleTypePath);
    GroupRule* otherType = AppendTestRule("C:\\b.exe", 999);
    GroupRule* classAsPath = AppendTestRule("Edit", RuleTypePath);
    (void)offPath;
    (void)otherType;
    (void)classAsPath;
    struct Case {
        const char* path;
        const char* className;
        GroupRule* expected;
    } cases[] = {
        {"C:\\a.exe", "Notepad", byClass}, // both match: the earlier rule wins
        {"C:\\a.exe", "Other", byPath},    {"C:\\c.exe", "Notepad", byClass},
        {"C:\\c.exe", "notepad", nullptr}, // class names compare exactly too
        {"C:\\b.exe", "Other", nullptr},   // a type other than 516 and 517
        {"C:\\c.exe", "Edit", nullptr},    // a path rule does not look at the class
        {"Notepad", "Other", nullptr},     // nor a class rule at the path
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindRule(c.path, c.className), c.expected) << c.path << " " << c.className;
}

TEST_F(ClassifyTest, ARuleDoesNotMatchAnotherTextOfTheSameHash) {
    // Two different three-letter texts with one hash.
    std::string first, second;
    std::vector<std::string> seen(10039 * 2 + 1);
    for (char x = 'a'; x <= 'z' && second.empty(); ++x)
        for (char y = 'a'; y <= 'z' && second.empty(); ++y)
            for (char z = 'a'; z <= 'z' && second.empty(); ++z) {
                std::string s{x, y, z};
                std::string& slot = seen[StrHash(s.c_str()) + 10039];
                if (slot.empty()) {
                    slot = s;
                } else {
                    first = slot;
                    second = s;
                }
            }
    ASSERT_FALSE(second.empty());
    ASSERT_EQ(StrHash(first.c_str()), StrHash(second.c_str()));
    GroupRule* rule = AppendTestRule(first.c_str(), RuleTypeClass);
    EXPECT_EQ(FindRule("C:\\a.exe", first.c_str()), rule);
    EXPECT_EQ(FindRule("C:\\a.exe", second.c_str()), nullptr) << first << " " << second;
}
