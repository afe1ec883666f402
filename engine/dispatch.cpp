// Turning the hook library's event ring and the system's window events
// (engine/win_events.cpp) into changes of the model: windows are registered
// and forgotten, the refresh passes run, and a grouped window that flashes its
// title bar is reported to its proxy. What each entry and event leads to is
// decided in engine/pure/drain_plan.cpp; this file carries it out.
#include "engine/dispatch.h"

#include <windows.h>
#include <commctrl.h>

#include "core/scoped.h"
#include "core/state.h"
#include "core/store_apps.h"
#include "engine/pure/drain_plan.h"
#include "engine/passes.h"
#include "engine/scan.h"
#include "engine/win_events.h"
#include "hook/pure/ring.h"
#include "hook/ravik.h"
#include "taskbar/buttons.h"
#include "taskbar/proxy.h"
#include "taskbar/visibility.h"

// Each ring code is the message it stands for.
static_assert(CodeCreate == WM_CREATE && CodeDestroy == WM_DESTROY && CodeActivate == WM_ACTIVATE &&
                  CodeSetText == WM_SETTEXT && CodeShowWindow == WM_SHOWWINDOW &&
                  CodeStyleChanged == WM_STYLECHANGED && CodeNcActivate == WM_NCACTIVATE &&
                  CodeInitDialog == WM_INITDIALOG,
              "window messages of the ring");
static_assert(CodeGetItemCount == TCM_GETITEMCOUNT && CodeInsertItemA == TCM_INSERTITEMA &&
                  CodeDeleteItem == TCM_DELETEITEM && CodeInsertItemW == TCM_INSERTITEMW,
              "tab-control messages of the ring");

namespace {

// The settle pass that follows a burst of entries that shared passes, or in
// which a window was behind its entry.
SettleTimer Settle;

// Grouped windows that had not yet acted on their entry when it was handled,
// with what the entry said: the pass that ran for it saw their former state.
// A WM_SHOWWINDOW says shown or hidden; a WM_DESTROY says gone.
enum class Said { Shown, Hidden, Gone };
struct BehindWindow {
    HWND hwnd;
    Said said;
};
constexpr int BehindSlots = 8;
BehindWindow Behind[BehindSlots];
int BehindCount = 0;

bool IsBehind(const BehindWindow& w) {
    if (!IsWindow(w.hwnd)) return false;
    return w.said == Said::Gone || (IsVisibleAnywhere(w.hwnd) == 1) != (w.said == Said::Shown);
}

// True when the entry's window, a member of `group` or of none, has not yet
// acted on it. A window whose WM_DESTROY left it registered still exists.
bool NoteIfBehind(const WndMes& entry, HWND hwnd, const WndGroup* group) {
    if (!group) return false;
    BehindWindow w = {hwnd, entry.wParam ? Said::Shown : Said::Hidden};
    if (entry.message == WM_DESTROY)
        w.said = Said::Gone;
    else if (entry.message != WM_SHOWWINDOW)
        return false;
    if (!IsBehind(w)) return false;
    if (BehindCount < BehindSlots) Behind[BehindCount++] = w;
    return true; // the settle pass follows even when the slots are full
}

// Keeps the windows still behind; true when there is one.
bool StillBehind() {
    int kept = 0;
    for (int i = 0; i < BehindCount; ++i)
        if (IsBehind(Behind[i])) Behind[kept++] = Behind[i];
    BehindCount = kept;
    return kept > 0;
}

// What one drain takes: the ring's entries and the system events that were
// waiting when it began, in this order. Entries that come meanwhile are left
// for the next drain, so that an entry counted as waiting when a pass began is
// always handled before one that came after it.
int RingEntriesLeft = 0;
int WindowEventsLeft = 0;

// Entries of this drain still unread, the one being handled included.
int PendingEntries() {
    return RingEntriesLeft + WindowEventsLeft;
}

int RingEntriesWaiting() {
    return WaitingEntries(NewMessage());
}

// Each step below takes the group of its window as the caller looked it up
// (null: not registered) and gives back the group it is in afterwards.

WndGroup* Register(DrainCoalescer& drain, HWND hwnd, WndGroup* group) {
    if (group) return group; // known already: nothing to do
    group = AddNewWindow(hwnd);
    if (group) drain.MembershipChanged();
    return group;
}

// Only a window that no longer exists is forgotten: the entry may be early
// (the hook records WM_DESTROY before the window goes) or forged. One that
// still exists keeps its group, whose refresh follows, and the settle pass
// forgets it once it is gone.
WndGroup* Forget(DrainCoalescer& drain, HWND hwnd, WndGroup* group) {
    if (!group || IsWindow(hwnd)) return group;
    drain.MembershipChanged();
    RemoveWindow(group, hwnd);
    return nullptr;
}

void RefreshOf(DrainCoalescer& drain, WndGroup* group, bool renewProxy = false) {
    if (group &&
        drain.TakeRefreshGroup(reinterpret_cast<uintptr_t>(group), PendingEntries(), renewProxy))
        RefreshGroupOf(group, renewProxy);
}

// The flash detection of a grouped window: only members of groups that have
// a proxy are counted.
void FollowFlashing(const EntryPlan& plan, HWND hwnd, WndGroup* group) {
    if (plan.flash == FlashEffect::None && !plan.clearFlashing) return;
    if (!group || !group->tab) return;
    WndMember* member = MemberOf(group, hwnd);
    if (!member) return;
    FlashCount next = NextFlashCount(plan.flash, member->ncActivateCount);
    if (next.report) MarkFlashing(hwnd, TRUE);
    member->ncActivateCount = next.count;
    if (plan.clearFlashing) member->flashing = 0;
}

// Carries out the entry's plan; true when its window was behind its entry.
// `changeMade` for a system event, which reports a change already made. The
// window index is asked once for the entry's window and once for the
// foreground window; the steps hand the group on. A rescan or a pass over all
// groups may register or forget the window, so the group is not used after
// them (WM_SHOWWINDOW and WM_DESTROY, the entries NoteIfBehind looks at, ask
// for neither).
bool Dispatch(DrainCoalescer& drain, const WndMes& entry, const EntryPlan& plan, bool changeMade) {
    drain.BeginEntry(changeMade);
    HWND hwnd = WndMesWindow(entry);
    WndGroup* group = LookupGroup(hwnd);
    FollowFlashing(plan, hwnd, group);
    if ((plan.steps & StepRegister) ||
        ((plan.steps & StepRegisterFrame) && !group && IsStoreFrame(hwnd)))
        group = Register(drain, hwnd, group);
    if (plan.steps & StepForget) group = Forget(drain, hwnd, group);
    if (plan.steps & StepForeground) {
        HWND foreground = GetForegroundWindow();
        if (foreground && foreground != hwnd)
            RefreshOf(drain, Register(drain, foreground, LookupGroup(foreground)));
    }
    // Asked before the refresh, which would see the window as it was: the
    // window may act while the refresh runs, and asked afterwards it would
    // seem to have been in step all along (a member hidden while its group
    // was refreshed kept the proxy). The settle pass refreshes it instead.
    bool behind = !changeMade && NoteIfBehind(entry, hwnd, group);
    if ((plan.steps & StepRefreshWindow) && !behind)
        RefreshOf(drain, group, (plan.steps & StepRenewProxy) != 0);
    if ((plan.steps & StepRescan) && drain.TakeRescan(PendingEntries())) RescanWindows();
    if ((plan.steps & StepRefreshAll) && drain.TakeRefreshAll(PendingEntries()))
        RefreshGroups((plan.steps & StepRenewProxy) != 0);
    return behind;
}

// The ring's entries of this drain; true when a window was behind its entry.
bool DrainRing(DrainCoalescer& drain) {
    bool behind = false;
    for (; RingEntriesLeft > 0 && NewMessage() != 0; --RingEntriesLeft) {
        WndMes entry;
        GetWndMes(&entry);
        EntryPlan plan = PlanEntry(entry.message, SubClassInEffect != 0, LoadInEffect != 0);
        if (Dispatch(drain, entry, plan, false)) behind = true;
        IncRead();
        drain.EntryDone();
    }
    RingEntriesLeft = 0;
    return behind;
}

// The system events of this drain, each as the entry of the same meaning
// (a retitle as WM_SETTEXT, a destroyed window as WM_DESTROY...). Events lost
// while the queue was full first lead to what a new taskbar button does: a
// look for windows not yet known and a pass over all groups.
void DrainWindowEvents(DrainCoalescer& drain, const WindowEvent* events, bool lost) {
    if (lost) {
        Dispatch(drain, WndMes{}, PlanWindowEvent(EventsLost).plan, true);
        drain.EntryDone();
    }
    for (const WindowEvent* e = events; WindowEventsLeft > 0; ++e, --WindowEventsLeft) {
        EventPlan meaning = PlanWindowEvent(e->event);
        WndMes entry = {static_cast<uint32_t>(e->hwnd), meaning.sameAs, meaning.wParam, 0};
        Dispatch(drain, entry, meaning.plan, true);
        drain.EntryDone();
    }
}

} // namespace

bool ProcessWndMessages() {
    CollectWindowEvents();
    ScopedLock lock(&EventLock);
    TaskbarBurst burst;
    DrainCoalescer drain;
    WindowEvent events[WindowEventQueue::Capacity];
    bool lost = TakeLostWindowEvents();
    WindowEventsLeft = TakeWindowEvents(events);
    RingEntriesLeft = RingEntriesWaiting();
    int served = RingEntriesLeft + WindowEventsLeft;
    bool behind = DrainRing(drain);
    DrainWindowEvents(drain, events, lost);
    Settle.DrainEnded(served, drain.SkippedAny() || behind, GetTickCount());
    return NewMessage() != 0 || WindowEventsWaiting() > 0;
}

DWORD SettleWaitMs() {
    uint32_t wait = Settle.WaitMs(GetTickCount());
    return wait == NoSettlePass ? INFINITE : wait;
}

// What a new taskbar button asks for: windows not yet known are registered,
// the buttons of collapsed groups' members go again, and every proxy is
// brought up to date.
void RunSettlePassIfDue() {
    if (!Settle.TakeDue(GetTickCount())) return;
    ScopedLock lock(&EventLock);
    TaskbarBurst burst;
    RescanWindows();
    RefreshGroups();
    if (!Settle.PassRan(StillBehind(), GetTickCount())) BehindCount = 0;
}
