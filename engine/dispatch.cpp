// Turning the hook library's event ring into changes of the model: windows are
// registered and forgotten, the refresh passes run, and a grouped window that
// flashes its title bar is reported to its proxy. What each entry leads to is
// decided in engine/pure/drain_plan.cpp; this file carries it out.
#include "engine/dispatch.h"

#include <windows.h>

#include "core/scoped.h"
#include "core/state.h"
#include "engine/pure/drain_plan.h"
#include "engine/scan.h"
#include "hook/pure/ring.h"
#include "hook/ravik.h"
#include "taskbar/proxy.h"

namespace {

// Entries still unread, the one being handled included.
int PendingEntries() {
    int n = NewMessage();
    return n < 0 ? n + RingSize : n;
}

void Register(DrainCoalescer& drain, HWND hwnd) {
    bool known = LookupGroup(hwnd) != nullptr;
    AddWindow(hwnd);
    if (!known && LookupGroup(hwnd)) drain.MembershipChanged();
}

void Forget(DrainCoalescer& drain, HWND hwnd) {
    if (LookupGroup(hwnd)) drain.MembershipChanged();
    RemoveWindow(hwnd);
}

void RefreshOf(DrainCoalescer& drain, HWND hwnd) {
    WndGroup* group = LookupGroup(hwnd);
    if (group && drain.TakeRefreshGroup(reinterpret_cast<uintptr_t>(group), PendingEntries()))
        RefreshGroupOf(hwnd);
}

// The flash detection of a grouped window: only members of groups that have
// a proxy are counted.
void FollowFlashing(const EntryPlan& plan, HWND hwnd) {
    WndMember* member = FindShownMember(hwnd);
    if (!member) return;
    FlashCount next = NextFlashCount(plan.flash, member->ncActivateCount);
    if (next.report) MarkFlashing(hwnd, TRUE);
    member->ncActivateCount = next.count;
    if (plan.clearFlashing) member->flashing = 0;
}

void Dispatch(DrainCoalescer& drain, const WndMes& entry) {
    HWND hwnd = WndMesWindow(entry);
    EntryPlan plan = PlanEntry(entry.message, SubClassInEffect != 0, LoadInEffect != 0);
    FollowFlashing(plan, hwnd);
    if (plan.steps & StepRegister) Register(drain, hwnd);
    if (plan.steps & StepForget) Forget(drain, hwnd);
    if (plan.steps & StepForeground) {
        HWND foreground = GetForegroundWindow();
        if (foreground && foreground != hwnd) {
            Register(drain, foreground);
            RefreshOf(drain, foreground);
        }
    }
    if (plan.steps & StepRefreshWindow) RefreshOf(drain, hwnd);
    if ((plan.steps & StepRescan) && drain.TakeRescan(PendingEntries())) RescanWindows();
    if ((plan.steps & StepRefreshAll) && drain.TakeRefreshAll(PendingEntries())) RefreshGroups();
}

} // namespace

void ProcessWndMessages() {
    ScopedLock lock(&EventLock);
    DrainCoalescer drain;
    while (NewMessage() != 0) {
        WndMes entry;
        GetWndMes(&entry);
        Dispatch(drain, entry);
        IncRead();
        drain.EntryDone();
    }
}
