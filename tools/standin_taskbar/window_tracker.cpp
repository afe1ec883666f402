// Which windows have a taskbar button, decided as the Windows 2000 shell did:
// a top-level window that becomes visible gets one when it has no owner and
// is not a tool window, or when it has WS_EX_APPWINDOW; ITaskbarList::AddTab
// gives any window one, even a hidden one, and DeleteTab takes it away. A
// window that is hidden loses its button; shown again it gets a new one and
// an earlier DeleteTab is forgotten. A destroyed window loses its button.
//
// The hook library reports every change as it happens (OnWindowEvent). A poll
// behind it repairs what no event reported (a window that ended with its
// process, for instance); it acts on a difference only when two polls in a
// row saw it, so that it never overtakes an event that is still on its way.
#include "tools/standin_taskbar/standin.h"

#include <unordered_map>
#include <unordered_set>

#include "tools/standin_taskbar/protocol.h"

namespace {

struct TrackedWindow {
    bool visible = false; // visible when last shown or hidden
    bool deleted = false; // DeleteTab since it was last shown
    int mismatches = 0;   // polls in a row that saw another visibility
    bool own = false;     // a window of the stand-in itself (the poll asks once)
};

std::unordered_map<HWND, TrackedWindow> Tracked;
HWND LastForeground = nullptr;

bool IsOwnWindow(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid == GetCurrentProcessId();
}

bool IsTopLevel(HWND hwnd) {
    return GetAncestor(hwnd, GA_PARENT) == GetDesktopWindow();
}

bool IsTaskbarCandidate(HWND hwnd) {
    LONG_PTR exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    if (exStyle & WS_EX_APPWINDOW) return true;
    return !GetWindow(hwnd, GW_OWNER) && !(exStyle & WS_EX_TOOLWINDOW);
}

void WindowShown(HWND hwnd) {
    if (!IsWindow(hwnd) || IsOwnWindow(hwnd) || !IsTopLevel(hwnd)) return;
    TrackedWindow& t = Tracked[hwnd];
    t.mismatches = 0;
    if (!t.visible) {
        t.visible = true;
        t.deleted = false;
    }
    if (!t.deleted && IsTaskbarCandidate(hwnd)) AddButton(hwnd);
}

void WindowHidden(HWND hwnd) {
    TrackedWindow& t = Tracked[hwnd];
    t.mismatches = 0;
    if (!t.visible) return;
    t.visible = false;
    RemoveButton(hwnd);
}

void WindowDestroyed(HWND hwnd) {
    RemoveButton(hwnd);
    Tracked.erase(hwnd);
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lParam) {
    reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

} // namespace

void ScanWindowsAtStart() {
    // The windows that exist already, the bottom of the z-order (usually the
    // oldest) first.
    std::vector<HWND> windows = TopLevelWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (IsOwnWindow(*it)) continue;
        if (IsWindowVisible(*it))
            WindowShown(*it);
        else
            Tracked[*it].visible = false;
    }
    OnForegroundMaybeChanged();
}

// Each question about another process's window costs a request to the Wine
// server, and the poll looks at hundreds of windows ten times a second: it
// asks only what can change (the visibility), and takes a window that the
// walk met as existing.
void PollWindows() {
    std::vector<HWND> windows = TopLevelWindows();
    std::unordered_set<HWND> present(windows.begin(), windows.end());
    for (HWND hwnd : windows) {
        auto [entry, added] = Tracked.try_emplace(hwnd);
        TrackedWindow& t = entry->second;
        if (added) t.own = IsOwnWindow(hwnd);
        if (t.own) continue;
        bool visible = IsWindowVisible(hwnd) != 0;
        if (t.visible == visible) {
            t.mismatches = 0;
        } else if (++t.mismatches >= 2) {
            if (visible)
                WindowShown(hwnd);
            else
                WindowHidden(hwnd);
        }
    }
    for (auto it = Tracked.begin(); it != Tracked.end();) {
        if (present.count(it->first) || IsWindow(it->first)) {
            ++it;
        } else {
            RemoveButton(it->first);
            it = Tracked.erase(it);
        }
    }
    std::vector<HWND> gone;
    for (const TaskButton& b : Buttons())
        if (!present.count(b.hwnd) && !IsWindow(b.hwnd)) gone.push_back(b.hwnd);
    for (HWND hwnd : gone)
        RemoveButton(hwnd);
    RefreshButtonTitles();
    OnForegroundMaybeChanged();
}

void OnWindowEvent(HWND hwnd, LPARAM event) {
    switch (event) {
    case standin::EventShown:
        WindowShown(hwnd);
        break;
    case standin::EventHidden:
        WindowHidden(hwnd);
        break;
    case standin::EventDestroyed:
        WindowDestroyed(hwnd);
        break;
    case standin::EventTitle:
        RefreshButtonTitle(hwnd);
        break;
    case standin::EventIcon:
        if (HasButton(hwnd)) RequestButtonIcon(hwnd);
        break;
    case standin::EventFlash:
        if (hwnd != GetForegroundWindow()) MarkFlashing(hwnd);
        break;
    case standin::EventActivated:
        ClearFlashing(hwnd);
        OnForegroundMaybeChanged();
        break;
    default:
        break;
    }
}

void OnAddTab(HWND hwnd) {
    if (!IsWindow(hwnd)) return;
    TrackedWindow& t = Tracked[hwnd];
    if (t.mismatches == 0) t.visible = IsWindowVisible(hwnd) != 0;
    t.deleted = false;
    AddButton(hwnd);
}

void OnDeleteTab(HWND hwnd) {
    RemoveButton(hwnd);
    if (!IsWindow(hwnd)) return;
    Tracked[hwnd].deleted = true;
}

void OnForegroundMaybeChanged() {
    HWND foreground = GetForegroundWindow();
    if (!foreground || IsOwnWindow(foreground)) return; // a click on the taskbar itself
    ClearFlashing(foreground);
    if (foreground == LastForeground) return;
    LastForeground = foreground;
    SetActiveButton(foreground);
}
