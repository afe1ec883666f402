#include "tests/support/model_support.h"

#include <stdio.h>

#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "core/pure/text.h"
#include "tests/support/program.h"
#include "tests/support/support.h"

namespace testing_support {

namespace {

// A zero-filled record of the model's allocator, linked at the head of a list.
template <typename T> T* LinkAtHead(T** head) {
    T* r = static_cast<T*>(ObjAlloc(sizeof(T)));
    EXPECT_NE(r, nullptr) << "ObjAlloc refused a test record";
    if (!r) return nullptr;
    r->next = *head;
    if (*head) (*head)->prev = r;
    return *head = r;
}

} // namespace

void EnsureModelLocks() {
    static bool created = false;
    if (!created) CreateModelLocks();
    created = true;
}

void FreeModel() {
    EnsureModelLocks();
    ObjAllocFailAfter(-1);
    ClearIndex();
    for (TabWnd* t; (t = TabWndList);) {
        TabWndList = t->next;
        if (t->group) t->group->tab = nullptr;
        ObjFree(t);
    }
    for (WndGroup* g; (g = GroupList);) {
        GroupList = g->next;
        for (WndMember* m; (m = g->members);) {
            g->members = m->next;
            ObjFree(m->className); // ObjFree(nullptr) does nothing
            ObjFree(m);
        }
        for (char* s : {g->path, g->name, g->className, (char*)g})
            ObjFree(s);
    }
    for (GroupRule* r; (r = RuleList);) {
        RuleList = r->next;
        for (char* s : {r->id, r->title, (char*)r})
            ObjFree(s);
    }
    Settings = SettingsRecord{2, 0, 1, 1, 1, 0, 0, 1, 1, 0};
    SubClassInEffect = LoadInEffect = 1;
}

WndGroup* AddTestGroup(const char* path, const char* className, GroupRule* rule) {
    WndGroup* g = LinkAtHead(&GroupList);
    if (!g) return nullptr;
    g->path = ObjStrDup(path);
    g->className = ObjStrDup(className);
    g->rule = rule;
    return g;
}

WndMember* AddTestMember(WndGroup* group, HWND hwnd, bool indexed) {
    WndMember* m = LinkAtHead(&group->members);
    if (!m) return nullptr;
    m->hwnd = hwnd;
    m->className = ObjStrDup(group->className);
    if (indexed) IndexInsert(hwnd, group, m);
    return m;
}

TabWnd* AddTestTabWnd(WndGroup* group, HWND proxy) {
    TabWnd* t = LinkAtHead(&TabWndList);
    if (!t) return nullptr;
    t->hwnd = proxy;
    t->group = group;
    return group->tab = t;
}

GroupRule* AppendTestRule(const char* id, int type, int enable, int winNum, const char* title) {
    GroupRule* r = static_cast<GroupRule*>(ObjAlloc(sizeof(GroupRule)));
    EXPECT_NE(r, nullptr) << "ObjAlloc refused a test record";
    if (!r) return nullptr;
    r->id = ObjStrDup(id);
    r->idHash = StrHash(id);
    r->type = type;
    r->enable = enable;
    r->winNum = winNum;
    r->title = ObjStrDup(title);
    GroupRule** link = &RuleList;
    while (*link)
        r->prev = *link, link = &(*link)->next;
    return *link = r;
}

std::string ReadFileText(const std::string& path) {
    std::string text;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, f)) > 0;)
        text.append(buffer, n);
    fclose(f);
    return text;
}

bool WriteFileText(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    return fclose(f) == 0 && ok;
}

TestWindows::~TestWindows() {
    for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
        DestroyWindow(*it);
}

HWND TestWindows::Make(DWORD style, DWORD exStyle, HWND parent) {
    HWND w = CreateWindowExA(exStyle, "STATIC", "test", style, 0, 0, 60, 40, parent, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    EXPECT_NE(w, nullptr) << "CreateWindowExA failed";
    if (w) windows_.push_back(w);
    return w;
}

HWND TestWindows::Visible() {
    HWND w = Make(WS_POPUP);
    ShowWindow(w, SW_SHOWNOACTIVATE);
    return w;
}

HWND TestWindows::Hidden() {
    return Make(WS_POPUP);
}

std::string TempCurrentDir::ErrorLogText() const {
    return ReadErrorLog(dir_);
}

TempCurrentDir::TempCurrentDir() {
    char cwd[MAX_PATH];
    previous_.assign(cwd, GetCurrentDirectoryA(MAX_PATH, cwd));
    dir_ = MakeTempDir("cwd");
    SetCurrentDirectoryA(dir_.c_str());
}

TempCurrentDir::~TempCurrentDir() {
    SetCurrentDirectoryA(previous_.c_str());
    // Removes the directory and the files directly in it.
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir_ + "*").c_str(), &found);
    for (bool more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &found))
        DeleteFileA((dir_ + found.cFileName).c_str()); // fails harmlessly for "." and ".."
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    RemoveDirectoryA(dir_.c_str());
}

void ModelTest::SetUp() {
    FreeModel();
    blocksBefore_ = ObjLiveBlocks();
}

void ModelTest::TearDown() {
    FreeModel();
    EXPECT_EQ(ObjLiveBlocks(), blocksBefore_) << "blocks were not given back";
}

} // namespace testing_support
