// Turning the hook library's event ring into changes of the model: windows are
// registered and forgotten, the refresh passes run, and a grouped window that
// flashes its title bar is reported to its proxy.
#include "core/dispatch.h"

#include <windows.h>
#include <commctrl.h>

#include "core/globals.h"
#include "core/scan.h"
#include "hook/ravik.h"
#include "taskbar/proxy.h"

namespace {

// A window flashes its title bar by toggling its caption (WM_NCACTIVATE) and
// then setting its title; this many toggles before the title counts as a flash.
constexpr int FlashActivations = 2;

constexpr int RingSlots = 100; // slots of the library's ring

// Entries still unread, from the one being handled on.
int PendingEntries() {
    int n = NewMessage();
    return n < 0 ? n + RingSlots : n;
}

// One drain. Entries are handled well after the messages they record, so a
// refresh pass sees the desktop as it is at that moment, which includes what
// every entry already waiting in the ring reports. A second pass for such an
// entry finds nothing to do unless the model changed in between; skipping it
// saves a round trip to every collapsed group's window (its icon is asked
// afresh). Entries written after a pass began always get their own pass. The
// same holds for rescans: one finds every window there is at that moment.
struct Drain {
    bool passRan = false;
    bool modelChanged = false; // since the last pass
    int covered = 0;           // unread entries that were waiting when the last pass began
    bool rescanRan = false;
    int rescanCovered = 0; // likewise for the last rescan
    // Groups refreshed alone since the last change of membership, each with the
    // entries that were waiting when its refresh began. Without hooks on the
    // taskbar every switch between windows asks for several refreshes of the
    // same group, each of which deletes every member's button again.
    struct GroupRefresh {
        WndGroup* group;
        int covered;
    };
    static constexpr int RefreshSlots = 8;
    GroupRefresh refreshed[RefreshSlots] = {};
    int nextRefreshSlot = 0;

    void MembershipChanged() {
        modelChanged = true;
        for (GroupRefresh& r : refreshed)
            r = GroupRefresh{};
    }
    void RefreshPass() {
        if (passRan && !modelChanged && covered > 0) return;
        covered = PendingEntries();
        passRan = true;
        modelChanged = false;
        RefreshGroups();
    }
    void EntryDone() {
        if (covered > 0) --covered;
        if (rescanCovered > 0) --rescanCovered;
        for (GroupRefresh& r : refreshed)
            if (r.covered > 0) --r.covered;
    }
    void Register(HWND hwnd) {
        bool known = LookupGroup(hwnd) != nullptr;
        AddWindow(hwnd);
        if (!known && LookupGroup(hwnd)) MembershipChanged();
    }
    void Forget(HWND hwnd) {
        if (LookupGroup(hwnd)) MembershipChanged();
        RemoveWindow(hwnd);
    }
    void RefreshOf(HWND hwnd) {
        WndGroup* group = LookupGroup(hwnd);
        if (!group) return;
        for (const GroupRefresh& r : refreshed)
            if (r.group == group && r.covered > 0) return;
        refreshed[nextRefreshSlot] = GroupRefresh{group, PendingEntries()};
        nextRefreshSlot = (nextRefreshSlot + 1) % RefreshSlots;
        // The group is brought in line with the desktop as a pass would: a
        // pass for the entries already waiting still has nothing more to do.
        RefreshGroupOf(hwnd);
    }
    void Rescan() {
        if (rescanRan && rescanCovered > 0) return;
        rescanCovered = PendingEntries();
        rescanRan = true;
        MembershipChanged();
        RescanWindows();
    }
};

void OnActivate(Drain& drain, HWND hwnd, WndMember* member) {
    if (member) member->ncActivateCount = 0;
    if (!SubClassInEffect) {
        // Without the taskbar subclass nothing reports new taskbar buttons, so
        // the foreground window is registered here.
        HWND foreground = GetForegroundWindow();
        if (foreground && foreground != hwnd) {
            drain.Register(foreground);
            drain.RefreshOf(foreground);
        }
        drain.RefreshOf(hwnd);
    }
    drain.RefreshPass();
}

void OnSetText(HWND hwnd, WndMember* member) {
    if (!member || member->ncActivateCount < FlashActivations) return;
    MarkFlashing(hwnd, TRUE);
    member->ncActivateCount = 0;
}

void OnShowWindow(Drain& drain, HWND hwnd, WndMember* member) {
    if (member) {
        member->flashing = 0;
        member->ncActivateCount = 0;
    }
    if (!SubClassInEffect) drain.RefreshOf(hwnd);
}

void OnNcActivate(Drain& drain, HWND hwnd, WndMember* member) {
    if (member) member->ncActivateCount++;
    if (!SubClassInEffect) drain.RefreshOf(hwnd);
}

void Dispatch(Drain& drain, const WndMes& entry) {
    HWND hwnd = WndMesWindow(entry);
    WndMember* member = FindShownMember(hwnd);
    switch (entry.message) {
    case WM_CREATE:
    case WM_INITDIALOG:
        drain.Register(hwnd);
        break;
    case WM_DESTROY:
        drain.Forget(hwnd);
        break;
    case WM_ACTIVATE:
        OnActivate(drain, hwnd, member);
        break;
    case WM_SETTEXT:
        OnSetText(hwnd, member);
        break;
    case WM_SHOWWINDOW:
        OnShowWindow(drain, hwnd, member);
        break;
    case WM_NCACTIVATE:
        OnNcActivate(drain, hwnd, member);
        break;
    case TCM_GETITEMCOUNT:
        if (LoadInEffect) drain.RefreshPass();
        break;
    case TCM_INSERTITEMA:
    case TCM_INSERTITEMW:
        drain.Rescan();
        drain.RefreshPass();
        break;
    case TCM_DELETEITEM:
        drain.RefreshPass();
        break;
    default:
        // WM_STYLECHANGED in practice: the window changed, so any run of
        // caption toggles is broken.
        if (member) member->ncActivateCount = 0;
        break;
    }
}

} // namespace

void ProcessWndMessages() {
    EnterCriticalSection(&EventLock);
    Drain drain;
    while (NewMessage() != 0) {
        WndMes entry;
        GetWndMes(&entry);
        Dispatch(drain, entry);
        IncRead();
        drain.EntryDone();
    }
    LeaveCriticalSection(&EventLock);
}
