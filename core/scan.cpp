// Scanning the desktop into groups, registering and forgetting single windows,
// and the passes that create, update and destroy proxies as groups cross
// their thresholds.
#include "core/scan.h"

#include <string.h>

#include "core/classify.h"
#include "core/errorlog.h"
#include "core/globals.h"
#include "hook/ravik.h"
#include "taskbar/proxy.h"

namespace {

void FreeMember(WndMember* member) {
    ObjFree(member->className);
    ObjFree(member);
}

void FreeGroup(WndGroup* group) {
    if (group->name) ObjFree(group->name);
    if (group->path) ObjFree(group->path);
    if (group->className) ObjFree(group->className);
    ObjFree(group);
}

void UnlinkGroup(WndGroup* group) {
    if (group->prev)
        group->prev->next = group->next;
    else
        GroupList = group->next;
    if (group->next) group->next->prev = group->prev;
    group->next = group->prev = nullptr;
}

void UnlinkMember(WndGroup* group, WndMember* member) {
    if (member->prev)
        member->prev->next = member->next;
    else
        group->members = member->next;
    if (member->next) member->next->prev = member->prev;
    member->next = member->prev = nullptr;
}

// Creates the group's proxy and then takes the members' own buttons away.
// When no proxy could be made the members keep their buttons: a window must
// never lose its button without a proxy standing for it.
void Collapse(WndGroup* group) {
    CreateTabWnd(group);
    if (group->tab) HideMembers(group->members);
}

// Forgets one member. With refresh, the group's proxy is brought up to date
// at once; without, the caller runs a pass over all groups right after.
void ForgetMember(WndGroup* group, WndMember* member, bool refresh) {
    HWND hwnd = member->hwnd;
    UnlinkMember(group, member);
    FreeMember(member);
    IndexRemove(hwnd);
    if (group->members) {
        if (!refresh) return;
        if (IsGroupShown(group)) {
            // UpdateTabWnd refreshes the icon itself and puts a changed one on
            // the proxy; refreshing it before would hide the change from it.
            if (group->tab)
                UpdateTabWnd(group->tab);
            else
                RefreshGroupIcon(group);
        } else {
            DestroyTabWnd(group);
        }
        return;
    }
    DestroyTabWnd(group);
    UnlinkGroup(group);
    FreeGroup(group);
}

// The executable paths of the processes met in one walk of the top-level
// windows. Looking a path up opens the process and reads its module list;
// the windows of one application share it, so each process is asked once
// per walk (a process id cannot be reused while the walk still meets the
// windows of its process).
class PathCache {
  public:
    int Lookup(HWND hwnd, char* buffer) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid == 0) return 0;
        for (Entry& e : entries_) {
            if (e.pid != pid) continue;
            if (e.found) memcpy(buffer, e.path, sizeof e.path);
            return e.found;
        }
        Entry& e = entries_[next_];
        next_ = (next_ + 1) % Slots;
        e.pid = pid;
        e.found = GetProcessImagePath(hwnd, e.path, sizeof e.path);
        if (e.found) memcpy(buffer, e.path, sizeof e.path);
        return e.found;
    }

  private:
    static constexpr int Slots = 16;
    struct Entry {
        DWORD pid;
        int found;
        char path[PathBufferSize];
    };
    Entry entries_[Slots] = {};
    int next_ = 0;
};

enum class Registration { Skipped, Joined, Founded, Failed };

// The registration steps shared by the scans and AddWindow. Failed means an
// allocation failed (the walks stop there); the window stays unregistered.
Registration RegisterWindow(HWND hwnd, HICON icon, WndGroup** joined, PathCache* paths) {
    char path[PathBufferSize];
    char className[PathBufferSize];
    int found = paths ? paths->Lookup(hwnd, path) : GetProcessImagePath(hwnd, path, sizeof path);
    if (!found) return Registration::Skipped;
    if (!GetClassNameA(hwnd, className, sizeof className)) return Registration::Skipped;
    WndGroup* group = FindGroupFor(path, className);
    char* classCopy = ObjStrDup(className);
    if (!classCopy) {
        LogAllocFailure();
        return Registration::Failed;
    }
    if (group) {
        if (!AddMember(hwnd, group, classCopy)) return Registration::Failed;
        *joined = group;
        return Registration::Joined;
    }
    char* pathCopy = ObjStrDup(path);
    if (!pathCopy) {
        LogAllocFailure();
        ObjFree(classCopy);
        return Registration::Failed;
    }
    if (!NewGroup(hwnd, icon, pathCopy, classCopy)) return Registration::Failed;
    return Registration::Founded;
}

// The index entry is what lets every later event find the window; a member
// that could not be indexed would be registered a second time by the next
// scan, so it is not kept.
bool Indexed(HWND hwnd, WndGroup* group, WndMember* member) {
    IndexInsert(hwnd, group, member);
    return LookupMember(hwnd) == member;
}

HWND FirstTopWindow() {
    return GetTopWindow(GetDesktopWindow());
}

} // namespace

// The group takes ownership of pathCopy and its first member of classCopy;
// when the group cannot be made both copies are released and nothing is
// linked into the model.
WndGroup* NewGroup(HWND hwnd, HICON icon, char* pathCopy, char* classCopy) {
    WndGroup* group = (WndGroup*)ObjAlloc(sizeof(WndGroup));
    WndMember* member = group ? (WndMember*)ObjAlloc(sizeof(WndMember)) : nullptr;
    if (!member) {
        LogAllocFailure();
        if (group) ObjFree(group);
        ObjFree(pathCopy);
        ObjFree(classCopy);
        return nullptr;
    }
    group->members = member;
    group->path = pathCopy;
    group->name = MakeDisplayName(pathCopy); // null when it failed; the group is made all the same
    group->className = ObjStrDup(classCopy);
    group->icon = icon;
    if (!group->className) {
        LogAllocFailure();
        FreeGroup(group);
        ObjFree(member);
        ObjFree(classCopy);
        return nullptr;
    }
    member->hwnd = hwnd;
    member->className = classCopy;

    group->next = GroupList;
    if (GroupList) GroupList->prev = group;
    GroupList = group;
    group->tab = nullptr;
    group->rule = FindRule(group->path, group->className);

    if (!Indexed(hwnd, group, member)) {
        UnlinkGroup(group);
        FreeMember(member);
        FreeGroup(group);
        return nullptr;
    }
    return group;
}

// The member takes ownership of classCopy; when the member cannot be made the
// copy is released and the window stays unregistered. Fails silently.
WndMember* AddMember(HWND hwnd, WndGroup* group, char* classCopy) {
    WndMember* member = (WndMember*)ObjAlloc(sizeof(WndMember));
    if (!member) {
        ObjFree(classCopy);
        return nullptr;
    }
    member->hwnd = hwnd;
    member->className = classCopy;
    member->next = group->members;
    if (group->members) group->members->prev = member;
    group->members = member;

    if (!Indexed(hwnd, group, member)) {
        UnlinkMember(group, member);
        FreeMember(member);
        return nullptr;
    }
    return member;
}

// Walks the top-level windows in Z order into groups. Meant for an empty
// model; a window that is already registered is left as it is.
void ScanAllWindows() {
    static PathCache paths;
    paths = PathCache();
    for (HWND w = FirstTopWindow(); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (!IsTaskbarCandidate(w)) continue;
        if (LookupGroup(w)) continue;
        HICON icon = GetWndIcon(w); // a window without icon is grouped all the same
        WndGroup* joined = nullptr;
        if (RegisterWindow(w, icon, &joined, &paths) == Registration::Failed) return;
    }
}

// Creates the proxies of the groups that pass their thresholds. Meant for a
// model without proxies; a group that already has one is left as it is.
void CreateAllTabWnds() {
    for (WndGroup* g = GroupList; g; g = g->next) {
        if (!g->tab && IsGroupShown(g)) Collapse(g);
    }
}

void RescanWindows() {
    static PathCache paths;
    paths = PathCache();
    for (HWND w = FirstTopWindow(); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (WndGroup* known = LookupGroup(w)) {
            // Only a window that a proxy stands for loses its button here; a
            // shown group still without proxy gets one in the pass that
            // follows, which hides its members then.
            if (known->tab && IsGroupShown(known)) DeleteTabIfVisible(w);
            continue;
        }
        if (!IsTaskbarCandidate(w)) continue;
        HICON icon = GetNewWndIcon(w);
        if (!icon) continue;
        WndGroup* joined = nullptr;
        Registration r = RegisterWindow(w, icon, &joined, &paths);
        if (r == Registration::Failed) return;
        if (r != Registration::Joined || !IsGroupShown(joined)) continue;
        // A group founded here waits for the pass that follows the rescan.
        if (!joined->tab) {
            CreateTabWnd(joined);
        } else {
            UpdateTabWnd(joined->tab);
        }
        if (joined->tab) HideMembers(joined->members);
    }
}

void AddWindow(HWND hwnd) {
    if (!IsTaskbarCandidate(hwnd)) return;
    // The index is asked before the window: a known window costs no message.
    if (LookupGroup(hwnd)) return;
    HICON icon = GetNewWndIcon(hwnd);
    if (!icon) return;
    WndGroup* joined = nullptr;
    if (RegisterWindow(hwnd, icon, &joined, nullptr) != Registration::Joined) return;
    if (!IsGroupShown(joined)) return;
    if (!joined->tab) {
        Collapse(joined);
    } else {
        // The new window keeps its own button until a later refresh hides it.
        UpdateTabWnd(joined->tab);
    }
}

void RemoveWindow(HWND hwnd) {
    WndGroup* group = LookupGroup(hwnd);
    WndMember* member = LookupMember(hwnd);
    if (!group || !member) return;
    ForgetMember(group, member, true);
}

void RefreshGroupOf(HWND hwnd) {
    WndGroup* group = LookupGroup(hwnd);
    if (!group) return;
    if (!IsGroupShown(group)) {
        DestroyTabWnd(group);
        return;
    }
    if (group->tab)
        UpdateTabWnd(group->tab);
    else
        CreateTabWnd(group);
    Sleep(1);
    if (group->tab) HideMembers(group->members);
}

// Forgets the members whose windows are gone, then brings every group's proxy
// in line with its threshold. Without the first step a closed window would
// stay a member for ever when the library sees no WM_DESTROY, and a new window
// that got its recycled handle would inherit the old membership.
void RefreshGroups() {
    for (WndGroup* g = GroupList; g;) {
        WndGroup* nextGroup = g->next;
        for (WndMember* m = g->members; m;) {
            WndMember* nextMember = m->next;
            if (!IsWindow(m->hwnd)) {
                bool last = g->members == m && !nextMember;
                ForgetMember(g, m, false);
                if (last) break; // the group itself is gone
            }
            m = nextMember;
        }
        g = nextGroup;
    }

    for (WndGroup* g = GroupList; g; g = g->next) {
        if (g->tab) {
            if (IsGroupShown(g))
                UpdateTabWnd(g->tab);
            else
                DestroyTabWnd(g);
        } else if (IsGroupShown(g)) {
            Collapse(g);
        }
    }
}

// Here the members' buttons go before the proxy comes (the reverse of the
// refresh pass); they come back when no proxy could be made. A shown group
// that has a proxy keeps its title.
void ApplyThresholds() {
    for (WndGroup* g = GroupList; g; g = g->next) {
        if (!g->tab) {
            if (!IsGroupShown(g)) continue;
            HideMembers(g->members);
            CreateTabWnd(g);
            if (!g->tab) ShowMembers(g->members);
        } else if (!IsGroupShown(g)) {
            DestroyTabWnd(g);
        }
    }
}

void DestroyAllGroups() {
    while (TabWnd* tab = TabWndList) {
        TabWndList = tab->next;
        if (TabWndList) TabWndList->prev = nullptr;
        if (TaskbarListObject) TaskbarListObject->DeleteTab(tab->hwnd);
        ShowMembers(tab->group->members);
        RmWnd(tab->hwnd);
        if (!DestroyWindow(tab->hwnd)) {
            ErrorLogWithLastError("ウィンドウのクローズに失敗しました\n");
        }
        tab->group->tab = nullptr;
        ObjFree(tab);
    }
    while (WndGroup* g = GroupList) {
        GroupList = g->next;
        while (WndMember* m = g->members) {
            g->members = m->next;
            IndexRemove(m->hwnd);
            FreeMember(m);
        }
        FreeGroup(g);
    }
    // Every entry belonged to a member and went with it; the heads are
    // emptied all the same.
    ClearIndex();
}
