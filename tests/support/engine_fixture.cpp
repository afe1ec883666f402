#include "app/app.h"
#include "tests/support/engine_fixture.h"

#include <algorithm>

#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "engine/scan.h"
#include "taskbar/buttons.h"
#include "taskbar/proxy.h"
#include "tests/support/model_check.h"
#include "tests/support/support.h"

namespace testing_support {

HICON DistinctIcon() {
    static BYTE andMask[32 * 32 / 8];
    static BYTE xorMask[32 * 32 / 8];
    static int made = 0;
    xorMask[made++ % sizeof xorMask] ^= 0xFF; // a different picture each time
    return CreateIcon(GetModuleHandleA(nullptr), 32, 32, 1, 1, andMask, xorMask);
}

std::string OwnDisplayName() {
    char path[MAX_PATH];
    std::string s(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    s = s.substr(s.find_last_of('\\') + 1);
    return s.substr(0, s.find_last_of('.'));
}

void PrepareEngineProcess() {
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    Instance = GetModuleHandleA(nullptr);
    EnsureModelLocks();
    RegisterWindowClasses();
    static HICON classIcon = DistinctIcon();
    for (const char* name : {EngineClassA, EngineClassB, EngineClassNoIcon}) {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = Instance;
        wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
        wc.lpszClassName = name;
        if (name != EngineClassNoIcon) wc.hIcon = wc.hIconSm = classIcon;
        RegisterClassExA(&wc);
    }
}

void ResetModel() {
    ObjAllocFailAfter(-1);
    DestroyAllGroups();
    FreeModel();
}

void EngineTest::SetUp() {
    PrepareEngineProcess();
    ResetModel();
    ASSERT_EQ(ObjLiveBlocks(), 0);
}

void EngineTest::TearDown() {
    EXPECT_EQ(ModelFault(), ""); // every test leaves a sound model behind
    ResetModel();
    EXPECT_EQ(ObjLiveBlocks(), 0);
    for (HWND w : windows)
        DestroyWindow(w);
    windows.clear();
    PumpMessages();
}

HWND EngineTest::MakeWindow(const char* cls, bool visible, HICON icon) {
    HWND w =
        CreateWindowExA(0, cls, "test window", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 10,
                        10, 200, 100, nullptr, nullptr, Instance, nullptr);
    EXPECT_NE(w, nullptr);
    if (icon) SendMessageA(w, WM_SETICON, ICON_SMALL, (LPARAM)icon);
    windows.push_back(w);
    return w;
}

void EngineTest::CloseWindow(HWND hwnd) {
    DestroyWindow(hwnd);
    std::replace(windows.begin(), windows.end(), hwnd, (HWND) nullptr);
}

std::string EngineTest::TitleOf(HWND hwnd) {
    char text[2048];
    int n = GetWindowTextA(hwnd, text, sizeof text);
    return std::string(text, n > 0 ? n : 0);
}

void GroupMenuTest::SetUp() {
    EngineTest::SetUp();
    ASSERT_TRUE(app.Launch());
}

void GroupMenuTest::TearDown() {
    EngineTest::TearDown();
    MenuSelection = 0;
}

std::vector<HWND> GroupMenuTest::Open(const std::string& options) {
    std::vector<HWND> w = app.Open(options);
    EXPECT_FALSE(w.empty()) << options;
    return w;
}

bool GroupMenuTest::Received(HWND hwnd, const std::string& event) const {
    std::vector<std::string> events = app.Events(hwnd);
    return std::find(events.begin(), events.end(), event) != events.end();
}

WndGroup* GroupMenuTest::Group(const std::vector<HWND>& listed) {
    if (listed.empty()) return nullptr;
    // Members go to the head of the list: add them from the last to the first.
    WndGroup* group = NewGroup(listed.back(), nullptr, ObjStrDup("C:\\test\\app.exe"),
                               ObjStrDup("PelmoraTestWindow"));
    EXPECT_NE(group, nullptr);
    if (!group) return nullptr;
    for (size_t i = listed.size() - 1; i-- > 0;)
        EXPECT_NE(AddMember(listed[i], group, ObjStrDup("PelmoraTestWindow")), nullptr);
    CreateTabWnd(group);
    EXPECT_NE(group->tab, nullptr);
    return group;
}

WndMember* GroupMenuTest::MemberOf(const WndGroup* group, HWND hwnd) {
    for (WndMember* m = group->members; m; m = m->next)
        if (m->hwnd == hwnd) return m;
    return nullptr;
}

} // namespace testing_support
