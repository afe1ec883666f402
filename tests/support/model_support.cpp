#include "tests/support/model_support.h"

#include <stdio.h>

#include "core/globals.h"
#include "core/pure/text.h"
#include "tests/support/program.h"
#include "tests/support/support.h"

namespace testing_support {

namespace {

template <typename T> T* NewRecord() {
    T* record = static_cast<T*>(ObjAlloc(sizeof(T)));
    EXPECT_NE(record, nullptr) << "ObjAlloc refused a test record";
    return record;
}

void FreeString(char* s) {
    if (s) ObjFree(s);
}

// Removes a directory and the files directly in it.
void RemoveFlatDir(const std::string& dir) {
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((dir + found.cFileName).c_str());
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

} // namespace

void EnsureModelLocks() {
    static bool created = false;
    if (!created) {
        CreateModelLocks();
        created = true;
    }
}

void FreeModel() {
    EnsureModelLocks();
    ObjAllocFailAfter(-1);
    ClearIndex();
    while (TabWndList) {
        TabWnd* t = TabWndList;
        TabWndList = t->next;
        if (t->group) t->group->tab = nullptr;
        ObjFree(t);
    }
    while (GroupList) {
        WndGroup* g = GroupList;
        GroupList = g->next;
        while (g->members) {
            WndMember* m = g->members;
            g->members = m->next;
            FreeString(m->className);
            ObjFree(m);
        }
        FreeString(g->path);
        FreeString(g->name);
        FreeString(g->className);
        ObjFree(g);
    }
    while (RuleList) {
        GroupRule* r = RuleList;
        RuleList = r->next;
        FreeString(r->id);
        FreeString(r->title);
        ObjFree(r);
    }
    Settings = SettingsRecord{2, 0, 1, 1, 1, 0, 0, 1, 1, 0};
    SubClassInEffect = 1;
    LoadInEffect = 1;
}

WndGroup* AddTestGroup(const char* path, const char* className, GroupRule* rule) {
    WndGroup* g = NewRecord<WndGroup>();
    if (!g) return nullptr;
    g->path = ObjStrDup(path);
    g->className = ObjStrDup(className);
    g->rule = rule;
    g->next = GroupList;
    if (GroupList) GroupList->prev = g;
    GroupList = g;
    return g;
}

WndMember* AddTestMember(WndGroup* group, HWND hwnd, bool indexed) {
    WndMember* m = NewRecord<WndMember>();
    if (!m) return nullptr;
    m->hwnd = hwnd;
    m->className = ObjStrDup(group->className);
    m->next = group->members;
    if (group->members) group->members->prev = m;
    group->members = m;
    if (indexed) IndexInsert(hwnd, group, m);
    return m;
}

TabWnd* AddTestTabWnd(WndGroup* group, HWND proxy) {
    TabWnd* t = NewRecord<TabWnd>();
    if (!t) return nullptr;
    t->hwnd = proxy;
    t->group = group;
    group->tab = t;
    t->next = TabWndList;
    if (TabWndList) TabWndList->prev = t;
    TabWndList = t;
    return t;
}

GroupRule* AppendTestRule(const char* id, int type, int enable, int winNum, const char* title) {
    GroupRule* r = NewRecord<GroupRule>();
    if (!r) return nullptr;
    r->id = ObjStrDup(id);
    r->idHash = StrHash(id);
    r->type = type;
    r->enable = enable;
    r->winNum = winNum;
    r->title = ObjStrDup(title);
    GroupRule** link = &RuleList;
    GroupRule* prev = nullptr;
    while (*link) {
        prev = *link;
        link = &(*link)->next;
    }
    r->prev = prev;
    *link = r;
    return r;
}

std::string ReadFileText(const std::string& path) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return std::string();
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
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
    if (w) ShowWindow(w, SW_SHOWNOACTIVATE);
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
    DWORD n = GetCurrentDirectoryA(MAX_PATH, cwd);
    previous_.assign(cwd, n);
    dir_ = MakeTempDir("cwd");
    SetCurrentDirectoryA(dir_.c_str());
}

TempCurrentDir::~TempCurrentDir() {
    SetCurrentDirectoryA(previous_.c_str());
    RemoveFlatDir(dir_);
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
