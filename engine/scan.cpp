// Registering windows: the walks of the desktop's top-level windows and the
// single window reported by the hook library.
#include "engine/scan.h"

#include <string.h>

#include "core/classify.h"
#include "core/errorlog.h"
#include "core/pure/list.h"
#include "core/state.h"
#include "core/store_apps.h"
#include "engine/passes.h"
#include "taskbar/buttons.h"
#include "taskbar/proxy.h"
#include "taskbar/visibility.h"

namespace {

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
        char path[TextBufferSize];
    };
    Entry entries_[Slots] = {};
    int next_ = 0;
};

enum class Registration { Skipped, Joined, Founded, Failed };

// Whether a window takes part in grouping: a taskbar candidate whose own
// program did not remove its button.
bool TakesPart(HWND hwnd) {
    return IsTaskbarCandidate(hwnd) && !RemovedByItsProgram(hwnd);
}

// The registration steps shared by the scans and AddWindow; `group` is set to
// the group the window joined or founded. Failed means an allocation failed
// (the walks stop there); the window stays unregistered. The icon is asked for
// last, as it costs messages to the window: at start-up a window without one
// is registered all the same, later it is not.
Registration RegisterWindow(HWND hwnd, bool startUp, WndGroup** group, PathCache* paths) {
    char path[TextBufferSize];
    char className[TextBufferSize];
    int found = paths ? paths->Lookup(hwnd, path) : GetProcessImagePath(hwnd, path, sizeof path);
    if (!found) return Registration::Skipped;
    if (!GetClassNameA(hwnd, className, sizeof className)) return Registration::Skipped;
    if (!ApplicationPath(hwnd, className, path)) return Registration::Skipped;
    HICON icon = startUp ? GetWndIcon(hwnd) : GetNewWndIcon(hwnd);
    if (!icon && !startUp) return Registration::Skipped;
    WndGroup* existing = FindGroupFor(path, className);
    char* classCopy = ObjStrDup(className);
    if (!classCopy) {
        LogAllocFailure();
        return Registration::Failed;
    }
    if (existing) {
        if (!AddMember(hwnd, existing, classCopy)) return Registration::Failed;
        *group = existing;
        return Registration::Joined;
    }
    char* pathCopy = ObjStrDup(path);
    if (!pathCopy) {
        LogAllocFailure();
        ObjFree(classCopy);
        return Registration::Failed;
    }
    *group = NewGroup(hwnd, icon, pathCopy, classCopy);
    return *group ? Registration::Founded : Registration::Failed;
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

    ListPushFront(GroupList, group);
    group->tab = nullptr;
    group->rule = FindRule(group->path, group->className);

    if (!Indexed(hwnd, group, member)) {
        ListUnlink(GroupList, group);
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
    ListPushFront(group->members, member);

    if (!Indexed(hwnd, group, member)) {
        ListUnlink(group->members, member);
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
        if (!TakesPart(w) || LookupGroup(w)) continue;
        WndGroup* joined = nullptr;
        if (RegisterWindow(w, true, &joined, &paths) == Registration::Failed) return;
    }
}

void RescanWindows() {
    TaskbarBurst burst;
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
        if (!TakesPart(w)) continue;
        WndGroup* joined = nullptr;
        Registration r = RegisterWindow(w, false, &joined, &paths);
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

WndGroup* AddNewWindow(HWND hwnd) {
    if (!TakesPart(hwnd)) return nullptr;
    WndGroup* joined = nullptr;
    Registration r = RegisterWindow(hwnd, false, &joined, nullptr);
    if (r == Registration::Founded) return joined;
    if (r != Registration::Joined) return nullptr;
    if (IsGroupShown(joined)) {
        if (!joined->tab) {
            CollapseGroup(joined);
        } else {
            // The new window keeps its own button until a later refresh hides it.
            UpdateTabWnd(joined->tab);
        }
    }
    return joined;
}

void AddWindow(HWND hwnd) {
    // The index is asked before the window: a known window costs no message.
    if (!LookupGroup(hwnd)) AddNewWindow(hwnd);
}
