#include "tests/support/engine_fixture.h"

#include <stdio.h>

#include "core/globals.h"
#include "core/pure/text.h"
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
    xorMask[made % sizeof xorMask] ^= 0xFF;  // a different picture each time
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
    CreateModelLocks();
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
    DestroyAllGroups();
    while (GroupRule* r = RuleList) {
        RuleList = r->next;
        if (r->id) ObjFree(r->id);
        if (r->title) ObjFree(r->title);
        ObjFree(r);
    }
    ObjAllocFailAfter(-1);
}

void EngineTest::SetUp() {
    PrepareEngineProcess();
    ResetModel();
    ASSERT_EQ(GroupList, nullptr);
    Settings = SettingsRecord{2, 0, 1, 1, 1, 0, 0, 1, 1, 0};
    SubClassInEffect = 1;
    LoadInEffect = 1;
    GetCurrentDirectoryA(MAX_PATH, previousDir);
    dir = MakeTempDir("engine");
    ASSERT_FALSE(dir.empty());
    SetCurrentDirectoryA(dir.c_str());
}

void EngineTest::TearDown() {
    // Every test leaves a sound model behind, whatever it did.
    EXPECT_EQ(ModelFault(), "");
    ResetModel();
    for (HWND w : windows) DestroyWindow(w);
    windows.clear();
    PumpMessages();
    SetCurrentDirectoryA(previousDir);
    DeleteFileA((dir + "errorlog.txt").c_str());
    RemoveDirectoryA(dir.c_str());
}

HWND EngineTest::MakeWindow(const char* cls, bool visible, HICON icon) {
    HWND w = CreateWindowExA(0, cls, "test window", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0),
                             10, 10, 200, 100, nullptr, nullptr, Instance, nullptr);
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

GroupRule* EngineTest::AddRule(int type, const char* id, int enable, int winNum,
                               const char* title) {
    GroupRule* rule = (GroupRule*)ObjAlloc(sizeof(GroupRule));
    rule->id = ObjStrDup(id);
    rule->idHash = StrHash(id);
    rule->type = type;
    rule->enable = enable;
    rule->winNum = winNum;
    rule->title = ObjStrDup(title);
    GroupRule** link = &RuleList;
    GroupRule* prev = nullptr;
    while (*link) {
        prev = *link;
        link = &(*link)->next;
    }
    rule->prev = prev;
    *link = rule;
    return rule;
}

std::string EngineTest::TitleOf(HWND hwnd) {
    char text[2048];
    int n = GetWindowTextA(hwnd, text, sizeof text);
    return std::string(text, n > 0 ? n : 0);
}

HICON EngineTest::SmallIconOf(HWND hwnd) {
    return (HICON)SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0);
}

std::string EngineTest::ErrorLogText() const {
    // Text mode, as the program writes it: the entries end in "\n" again.
    FILE* f = fopen((dir + "errorlog.txt").c_str(), "r");
    if (!f) return std::string();
    std::string text;
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    fclose(f);
    return text;
}

}  // namespace testing_support
