#include "tests/support/engine_fixture.h"

#include <stdio.h>

#include "core/globals.h"
#include "core/scan.h"
#include "taskbar/proxy.h"
#include "tests/support/model_check.h"
#include "tests/support/support.h"

namespace testing_support {

const char AllocFailureText[] = "メモリの確保に失敗しました\n";

HICON DistinctIcon() {
    static BYTE andMask[32 * 32 / 8];
    static BYTE xorMask[32 * 32 / 8];
    static int made = 0;
    xorMask[made % sizeof xorMask] ^= 0xFF; // a different picture each time
    ++made;
    return CreateIcon(GetModuleHandleA(nullptr), 32, 32, 1, 1, andMask, xorMask);
}

std::string OwnDisplayName() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    s = s.substr(s.find_last_of('\\') + 1);
    return s.substr(0, s.find_last_of('.'));
}

void PrepareEngineProcess() {
    static bool prepared = false;
    if (prepared) return;
    prepared = true;
    Instance = GetModuleHandleA(nullptr);
    EnsureModelLocks();
    RegisterTabWndClass(nullptr, nullptr);

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
    ASSERT_EQ(GroupList, nullptr);
    ASSERT_EQ(ObjLiveBlocks(), 0);
}

void EngineTest::TearDown() {
    // Every test leaves a sound model behind, whatever it did.
    EXPECT_EQ(ModelFault(), "");
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
    for (HWND& w : windows)
        if (w == hwnd) w = nullptr;
}

std::string EngineTest::TitleOf(HWND hwnd) {
    char text[2048];
    int n = GetWindowTextA(hwnd, text, sizeof text);
    return std::string(text, n > 0 ? n : 0);
}

HICON EngineTest::SmallIconOf(HWND hwnd) {
    return (HICON)SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0);
}

} // namespace testing_support
