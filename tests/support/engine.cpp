#include "tests/support/engine.h"

#include <set>

namespace testing_support {

std::string ModelFault(const TaskbarRecorder& taskbar) {
    auto buttonTaken = [&](HWND w) { // the last call that named it was DeleteTab
        for (auto c = taskbar.calls.rbegin(); c != taskbar.calls.rend(); ++c)
            if (c->second == w) return !c->first;
        return false;
    };
    int blocks = 0, proxies = 0;
    std::set<HWND> members;
    const WndGroup* prevGroup = nullptr;
    for (const WndGroup* g = GroupList; g; prevGroup = g, g = g->next) {
        if (g->prev != prevGroup || !g->members || !g->path || !g->className) return "a group";
        if (g->tab && (g->tab->group != g || !IsWindow(g->tab->hwnd))) return "a group's proxy";
        blocks += 3 + (g->name ? 1 : 0) + (g->tab ? 1 : 0);
        proxies += g->tab ? 1 : 0;
        const WndMember* prev = nullptr;
        for (const WndMember* m = g->members; m; prev = m, m = m->next, blocks += 3) {
            if (m->prev != prev || !m->className || !members.insert(m->hwnd).second)
                return "a member";
            if (LookupMember(m->hwnd) != m || LookupGroup(m->hwnd) != g) return "the index";
            if (!g->tab && buttonTaken(m->hwnd)) return "a button taken without a proxy";
        }
    }
    const TabWnd* prevTab = nullptr;
    for (const TabWnd* t = TabWndList; t; prevTab = t, t = t->next, --proxies)
        if (t->prev != prevTab || !t->group || t->group->tab != t) return "the proxy list";
    if (proxies != 0) return "a proxy missing from the proxy list";
    const GroupRule* prevRule = nullptr;
    for (const GroupRule* r = RuleList; r; prevRule = r, r = r->next, blocks += 3)
        if (r->prev != prevRule || !r->id || !r->title || r->idHash != StrHash(r->id))
            return "a rule";
    // What the records do not account for: one index entry per member (counted above).
    if (ObjLiveBlocks() != blocks) return std::to_string(ObjLiveBlocks() - blocks) + " blocks more";
    return "";
}

void EngineTest::SetUp() {
    static bool prepared = [] { // once per process
        Instance = GetModuleHandleA(nullptr);
        CreateModelLocks(); // as the program's start-up does
        RegisterWindowClasses();
        for (const wchar_t* name : {L"EngineA", L"EngineB"}) {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = DefWindowProcW; // Unicode windows: their titles hold any character
            wc.hInstance = Instance;
            wc.hIcon = LoadIconW(nullptr, (LPCWSTR)IDI_APPLICATION);
            wc.lpszClassName = name;
            RegisterClassW(&wc);
        }
        return true;
    }();
    (void)prepared;
    char current[MAX_PATH];
    previousDir_.assign(current, GetCurrentDirectoryA(MAX_PATH, current));
    SetCurrentDirectoryA((dir = MakeTempDir("engine")).c_str()); // errorlog.txt goes here
    ProgramDir = &dir[0];
    TaskbarListObject = &taskbar;
    Reset();
    ASSERT_EQ(ObjLiveBlocks(), 0);
}

void EngineTest::TearDown() {
    EXPECT_EQ(ModelFault(taskbar), "");
    FreeHook();
    Reset();
    EXPECT_EQ(ObjLiveBlocks(), 0);
    for (HWND w : windows_)
        DestroyWindow(w);
    TaskbarListObject = nullptr;
    ProgramDir = nullptr;
    SetCurrentDirectoryA(previousDir_.c_str());
}

HWND EngineTest::Window(const char* cls, bool visible) {
    windows_.push_back(CreateWindowExA(0, cls, "test",
                                       WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 10, 10,
                                       200, 100, nullptr, nullptr, Instance, nullptr));
    return windows_.back();
}

WndGroup* EngineTest::Group(const char* path, const char* cls) {
    return NewGroup(Window("EngineA", false), nullptr, ObjStrDup(path), ObjStrDup(cls));
}

void EngineTest::Reset() {
    if (SettingsDlgWnd) DestroyWindow(SettingsDlgWnd);
    ObjAllocFailAfter(-1);
    DestroyAllGroups();
    for (GroupRule* r; (r = RuleList);) {
        RuleList = r->next;
        for (void* block : {(void*)r->id, (void*)r->title, (void*)r})
            ObjFree(block);
    }
    char* programDir = ProgramDir;
    ProgramDir = nullptr; // nothing to read: every setting takes its default
    LoadSettings();
    ProgramDir = programDir;
    RulesDirty = 0;
}

} // namespace testing_support
