// Classification of real windows of this process and of a helper process, and
// group matching over hand-built groups and rules.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <string>
#include <vector>

#include "core/classify.h"
#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "core/pure/text.h"
#include "tests/support/model_support.h"
#include "tests/support/testapp.h"

using namespace testing_support;

namespace {

class Classify : public ModelTest {
  protected:
    TestWindows windows_;
};

std::string OwnExecutable() {
    char path[MAX_PATH];
    return std::string(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
}

std::string PathOf(HWND hwnd) {
    char buffer[TextBufferSize];
    return GetProcessImagePath(hwnd, buffer, sizeof buffer) ? buffer : "(none)";
}

// What a test window answers to WM_GETICON, and which requests it saw.
struct IconAnswers {
    HICON small, big;
    std::vector<WPARAM> asked;
};

LRESULT CALLBACK IconWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* a = reinterpret_cast<IconAnswers*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg != WM_GETICON || !a) return DefWindowProcA(hwnd, msg, wp, lp);
    a->asked.push_back(wp);
    return reinterpret_cast<LRESULT>(wp == ICON_SMALL ? a->small : wp == ICON_BIG ? a->big : 0);
}

HICON MakeIcon(BYTE pattern) {
    BYTE andMask[32 * 4] = {}, xorMask[32 * 4];
    memset(xorMask, pattern, sizeof xorMask);
    return CreateIcon(GetModuleHandleA(nullptr), 32, 32, 1, 1, andMask, xorMask);
}

// A window of a class of its own with the given class icons, answering WM_GETICON from answers.
HWND IconWindow(HICON bigClassIcon, HICON smallClassIcon, IconAnswers* answers) {
    static int counter = 0;
    std::string name = "pelmora-icon-test-" + std::to_string(counter++);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = IconWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = bigClassIcon;
    wc.hIconSm = smallClassIcon;
    wc.lpszClassName = name.c_str();
    EXPECT_NE(RegisterClassExA(&wc), 0);
    HWND w = CreateWindowExA(0, name.c_str(), "icon", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             wc.hInstance, nullptr);
    SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(answers));
    return w;
}

} // namespace

TEST_F(Classify, CandidatesAreUnownedEnabledTopLevelWindowsThatAreNoToolWindows) {
    HWND owner = windows_.Hidden();
    struct Case {
        const char* what;
        DWORD style, exStyle;
        HWND parent;
        int candidate;
    } cases[] = {
        {"invisible top-level window", WS_OVERLAPPEDWINDOW, 0, nullptr, 1},
        {"shown popup", WS_POPUP | WS_VISIBLE, 0, nullptr, 1},
        {"application window", WS_POPUP, WS_EX_APPWINDOW, nullptr, 1},
        {"owned window", WS_POPUP, 0, owner, 0},
        {"owned application window", WS_POPUP, WS_EX_APPWINDOW, owner, 0},
        {"child window", WS_CHILD, 0, owner, 0},
        {"disabled window", WS_POPUP | WS_VISIBLE | WS_DISABLED, 0, nullptr, 0},
        {"tool window", WS_POPUP, WS_EX_TOOLWINDOW, nullptr, 0},
        {"tool application window", WS_POPUP, WS_EX_TOOLWINDOW | WS_EX_APPWINDOW, nullptr, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsTaskbarCandidate(windows_.Make(c.style, c.exStyle, c.parent)), c.candidate)
            << c.what;
}

TEST_F(Classify, GetWndIconTakesSmallAnswerSmallClassIconBigAnswerBigClassIconInThatOrder) {
    HICON s = MakeIcon(0x11), cs = MakeIcon(0x22), b = MakeIcon(0x44), cb = MakeIcon(0x88);
    // The system makes a class's small icon from its big one; only a big icon
    // it cannot copy leaves the small one null and reaches the last step.
    HICON notAnIcon = reinterpret_cast<HICON>(static_cast<ULONG_PTR>(0x7FF0));
    struct Case {
        const char* what;
        HICON classBig, classSmall, smallAnswer, bigAnswer, expected;
        std::vector<WPARAM> asked;
    } cases[] = {
        {"small answer first", cb, cs, s, b, s, {ICON_SMALL}},
        {"then the small class icon", cb, cs, nullptr, b, cs, {ICON_SMALL}},
        {"then the big answer", nullptr, nullptr, nullptr, b, b, {ICON_SMALL, ICON_BIG}},
        {"then the big class icon",
         notAnIcon,
         nullptr,
         nullptr,
         nullptr,
         notAnIcon,
         {ICON_SMALL, ICON_BIG}},
        {"nothing at all", nullptr, nullptr, nullptr, nullptr, nullptr, {ICON_SMALL, ICON_BIG}},
    };
    for (Case& c : cases) {
        IconAnswers answers{c.smallAnswer, c.bigAnswer, {}};
        HWND w = IconWindow(c.classBig, c.classSmall, &answers);
        EXPECT_EQ(GetWndIcon(w), c.expected) << c.what;
        EXPECT_EQ(answers.asked, c.asked) << c.what;
        DestroyWindow(w);
    }
}

TEST_F(Classify, GetWndIconOfAWindowThatDoesNotAnswerFallsBackToTheClassIcon) {
    struct Hung {
        HICON cs = MakeIcon(0x22), s = MakeIcon(0x11);
        IconAnswers answers{s, s, {}};
        HWND window = nullptr;
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    } hung;
    // A window whose thread stops handling messages once it exists.
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            Hung* h = static_cast<Hung*>(p);
            h->window = IconWindow(h->cs, h->cs, &h->answers);
            SetEvent(h->ready);
            WaitForSingleObject(h->release, INFINITE);
            DestroyWindow(h->window);
            return 0;
        },
        &hung, 0, nullptr);
    ASSERT_EQ(WaitForSingleObject(hung.ready, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(GetWndIcon(hung.window), hung.cs);
    SetEvent(hung.release);
    WaitForSingleObject(thread, 10000);
    for (HANDLE h : {thread, hung.ready, hung.release})
        CloseHandle(h);
}

TEST_F(Classify, ANewWindowWithoutIconIsSkippedButOneThatCannotBeAskedIsNot) {
    // A window of this process that answers "no icon" and has no class icon.
    IconAnswers answers{nullptr, nullptr, {}};
    HWND none = IconWindow(nullptr, nullptr, &answers);
    EXPECT_EQ(GetNewWndIcon(none), nullptr);
    DestroyWindow(none);
    // A window of another process: Wine refuses WM_GETICON across processes
    // and hides other processes' class icons, Windows answers with the icon.
    TestApp app;
    ASSERT_TRUE(app.Launch("open"));
    HWND foreign = app.Windows().at(0);
    EXPECT_NE(GetNewWndIcon(foreign), nullptr);
    // A window that is gone cannot be asked either, and is skipped.
    app.Send("destroy #0");
    ASSERT_FALSE(IsWindow(foreign));
    EXPECT_EQ(GetNewWndIcon(foreign), nullptr);
}

TEST_F(Classify, GetProcessImagePathIsTheExecutableOfTheWindowsProcess) {
    EXPECT_EQ(PathOf(windows_.Hidden()), OwnExecutable());
    // A helper process under a Shift-JIS name whose first character ends in
    // the byte 0x5C, a backslash (表 is 0x95 0x5C).
    TestApp app;
    ASSERT_TRUE(app.Launch("open hidden", "表示.exe"));
    std::vector<HWND> w = app.Windows();
    ASSERT_EQ(w.size(), 1u);
    std::string path = PathOf(w[0]);
    EXPECT_EQ(path, app.exePath());
    char* name = MakeDisplayName(path.c_str());
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "表示");
    EXPECT_NE(ObjFree(name), 0) << "the name is a block of its own";
    HWND gone = windows_.Hidden();
    DestroyWindow(gone);
    EXPECT_EQ(PathOf(gone), "(none)");
    EXPECT_EQ(PathOf(nullptr), "(none)");
}

TEST_F(Classify, APathThatDoesNotFitTheBufferIsNoPath) {
    HWND w = windows_.Hidden();
    std::string own = OwnExecutable();
    char buffer[TextBufferSize];
    EXPECT_EQ(GetProcessImagePath(w, buffer, 8), 0);
    EXPECT_EQ(GetProcessImagePath(w, buffer, (int)own.size()), 0);
    EXPECT_EQ(GetProcessImagePath(w, buffer, (int)own.size() + 2), 1);
    EXPECT_EQ(buffer, own);
}

TEST_F(Classify, MakeDisplayNameUsesTheSystemsLeadBytesAndLogsAFailedAllocation) {
    // The cutting itself is tested natively.
    for (const char* path : {"C:\\ソフト\\a.exe", "C:\\ｱ\\a.txt"}) {
        char* name = MakeDisplayName(path);
        ASSERT_NE(name, nullptr) << path;
        EXPECT_STREQ(name, "a") << path;
        ObjFree(name);
    }
    ObjAllocFailAfter(0);
    EXPECT_EQ(MakeDisplayName("C:\\app\\tool.exe"), nullptr);
    ObjAllocFailAfter(-1);
    EXPECT_EQ(ErrorLogText(), AllocFailureText);
}

TEST_F(Classify, FindGroupForFollowsAndPathAndClass) {
    // GroupList: ab, b, a (the most recently created first).
    WndGroup* a = AddTestGroup("C:\\app\\a.exe", "ClassA");
    WndGroup* b = AddTestGroup("C:\\app\\b.exe", "ClassB");
    WndGroup* ab = AddTestGroup("C:\\app\\a.exe", "ClassB");
    struct Case {
        int And, Path, Class;
        const char* path;
        const char* className;
        WndGroup* expected;
    } cases[] = {
        // Path like a and ab, class like a; letters in other case.
        {1, 0, 0, "c:\\APP\\A.EXE", "classa", nullptr},
        {0, 0, 0, "c:\\APP\\A.EXE", "classa", nullptr},
        {1, 1, 0, "c:\\APP\\A.EXE", "classa", ab},
        {1, 0, 1, "c:\\APP\\A.EXE", "classa", a},
        {1, 1, 1, "c:\\APP\\A.EXE", "classa", a},
        {0, 1, 0, "c:\\APP\\A.EXE", "classa", ab},
        {0, 0, 1, "c:\\APP\\A.EXE", "classa", a},
        {0, 1, 1, "c:\\APP\\A.EXE", "classa", ab},
        // Path like b, class like a.
        {1, 1, 0, "C:\\app\\b.exe", "ClassA", b},
        {1, 0, 1, "C:\\app\\b.exe", "ClassA", a},
        {1, 1, 1, "C:\\app\\b.exe", "ClassA", nullptr},
        {0, 1, 0, "C:\\app\\b.exe", "ClassA", b},
        {0, 0, 1, "C:\\app\\b.exe", "ClassA", a},
        {0, 1, 1, "C:\\app\\b.exe", "ClassA", b},
        // Path like b, class like b and ab: the most recent group wins.
        {1, 1, 1, "C:\\app\\b.exe", "ClassB", b},
        {1, 0, 1, "C:\\app\\b.exe", "ClassB", ab},
        {0, 1, 1, "C:\\app\\b.exe", "ClassB", ab},
        // Like nothing; prefixes and longer strings are not equal.
        {0, 1, 1, "C:\\other.exe", "Other", nullptr},
        {0, 1, 1, "C:\\app\\a.ex", "Class", nullptr},
        {0, 1, 1, "C:\\app\\a.exe2", "ClassA2", nullptr},
        // An And other than 1 means "any one"; only 1 puts a criterion in
        // force, and with none in force the window stands alone.
        {5, 1, 1, "C:\\app\\b.exe", "ClassA", b},
        {1, 2, 0, "C:\\app\\b.exe", "ClassA", nullptr},
        {1, 2, 1, "C:\\app\\b.exe", "ClassA", a},
        {1, 1, -1, "C:\\app\\b.exe", "ClassA", b},
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

TEST_F(Classify, RulesCompareExactlyAndAMatchedRuleFindsOnlyItsOwnGroup) {
    WndGroup* plain = AddTestGroup("C:\\app\\x.exe", "X");
    GroupRule* rule = AppendTestRule("C:\\APP\\X.EXE", RuleTypePath);
    // Rules compare byte for byte: the lower-case path is matched automatically.
    EXPECT_EQ(FindRule("C:\\app\\x.exe", "X"), nullptr);
    EXPECT_EQ(FindGroupFor("C:\\app\\x.exe", "X"), plain);
    // The upper-case path matches the rule; no group has it yet, so the window
    // founds one although a group of the same path (ignoring case) exists.
    EXPECT_EQ(FindRule("C:\\APP\\X.EXE", "X"), rule);
    EXPECT_EQ(FindGroupFor("C:\\APP\\X.EXE", "X"), nullptr);
    // Once a group has the rule, the window joins it, whatever its path; and a
    // window no rule matches may still join it automatically.
    WndGroup* ruled = AddTestGroup("D:\\elsewhere.exe", "Y", rule);
    EXPECT_EQ(FindGroupFor("C:\\APP\\X.EXE", "X"), ruled);
    EXPECT_EQ(FindGroupFor("d:\\ELSEWHERE.exe", "Z"), ruled);
}

TEST_F(Classify, RulesSwitchedOffArePassedOverAndLeaveTheWindowToAutomaticMatching) {
    for (int enable : {0, 1, 2, 3, -1}) {
        FreeModel();
        bool inForce = enable == 0 || enable == 1;
        WndGroup* plain = AddTestGroup("C:\\app\\x.exe", "X");
        GroupRule* rule = AppendTestRule("C:\\app\\x.exe", RuleTypePath, enable);
        EXPECT_EQ(FindRule("C:\\app\\x.exe", "X"), inForce ? rule : nullptr) << enable;
        EXPECT_EQ(FindGroupFor("C:\\app\\x.exe", "X"), inForce ? nullptr : plain) << enable;
    }
}

TEST_F(Classify, RuleTypesMatchPathOrClassNameAndTheFirstMatchingRuleWins) {
    AppendTestRule("C:\\a.exe", RuleTypePath, 2);
    GroupRule* byClass = AppendTestRule("Notepad", RuleTypeClass);
    GroupRule* byPath = AppendTestRule("C:\\a.exe", RuleTypePath);
    AppendTestRule("C:\\b.exe", 999);
    AppendTestRule("Edit", RuleTypePath);
    // Two different three-letter texts with one hash.
    std::string first, second;
    std::vector<std::string> seen(2 * WndIndexBuckets + 1);
    for (int i = 0; second.empty(); ++i) {
        std::string s{char('a' + i / 676), char('a' + i / 26 % 26), char('a' + i % 26)};
        std::string& slot = seen[StrHash(s.c_str()) + WndIndexBuckets];
        (slot.empty() ? slot : second) = s;
        if (!second.empty()) first = slot;
    }
    GroupRule* hashed = AppendTestRule(first.c_str(), RuleTypeClass);
    struct Case {
        const char* path;
        const char* className;
        GroupRule* expected;
    } cases[] = {
        {"C:\\a.exe", "Notepad", byClass}, // both match: the earlier rule wins
        {"C:\\a.exe", "Other", byPath},
        {"C:\\c.exe", "Notepad", byClass},
        {"C:\\c.exe", "notepad", nullptr}, // class names compare exactly too
        {"C:\\b.exe", "Other", nullptr},   // a type other than 516 and 517
        {"C:\\c.exe", "Edit", nullptr},    // a path rule does not look at the class
        {"Notepad", "Other", nullptr},     // nor a class rule at the path
        {"C:\\c.exe", first.c_str(), hashed},
        {"C:\\c.exe", second.c_str(), nullptr}, // another text of the same hash
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindRule(c.path, c.className), c.expected) << c.path << " " << c.className;
}
