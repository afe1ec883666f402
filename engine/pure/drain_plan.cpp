#include "engine/pure/drain_plan.h"

EntryPlan PlanEntry(uint32_t code, bool subclassInEffect, bool loadInEffect) {
    // Without the subclass, showing, hiding and caption changes re-apply the
    // grouping to the window's group, and an activation also registers the
    // foreground window.
    const unsigned ownRefresh = subclassInEffect ? 0u : StepRefreshWindow;
    // Every RingCode has its case (the compiler checks it: no default).
    switch (static_cast<RingCode>(code)) {
    case CodeCreate:
    case CodeInitDialog:
        return {StepRegister, FlashEffect::None, false, true};
    case CodeDestroy:
        // The hook records it before the window goes, and anyone can write
        // it: a window that still exists is refreshed with its group instead.
        return {StepForget | StepRefreshWindow, FlashEffect::None, false, true};
    case CodeActivate:
        return {(subclassInEffect ? 0u : StepForeground | StepRefreshWindow) | StepRefreshAll,
                FlashEffect::Reset, false, true};
    case CodeSetText:
        return {0, FlashEffect::CheckTitle, false, true};
    case CodeShowWindow:
        return {ownRefresh, FlashEffect::Reset, true, true};
    case CodeNcActivate:
        return {ownRefresh, FlashEffect::Count, false, true};
    case CodeStyleChanged:
        // The window changed, so any run of caption toggles is broken.
        return {0, FlashEffect::Reset, false, true};
    case CodeGetItemCount:
        return {loadInEffect ? StepRefreshAll : 0u, FlashEffect::None, false, true};
    case CodeInsertItemA:
    case CodeInsertItemW:
        return {StepRescan | StepRefreshAll, FlashEffect::None, false, true};
    case CodeDeleteItem:
        return {StepRefreshAll, FlashEffect::None, false, true};
    }
    // A code the library never records (a damaged ring): as any change of the
    // window, it breaks a run of caption toggles.
    return {0, FlashEffect::Reset, false, false};
}

EventPlan PlanWindowEvent(uint32_t event) {
    auto same = [](uint32_t code, uint32_t wParam) {
        return EventPlan{code, wParam, PlanEntry(code, false, false)};
    };
    // Every WindowEventCode has its case (the compiler checks it: no default).
    switch (static_cast<WindowEventCode>(event)) {
    case EventCreate:
        return same(CodeCreate, 0);
    case EventDestroy:
        return same(CodeDestroy, 0);
    case EventShow: {
        // A Store frame is looked at again when it is shown.
        EventPlan p = same(CodeShowWindow, 1);
        p.plan.steps |= StepRegisterFrame;
        return p;
    }
    case EventHide:
        return same(CodeShowWindow, 0);
    case EventNameChange:
        return same(CodeSetText, 0);
    case EventForeground: {
        // Its window is the foreground window, registered as an activation
        // registers the foreground window.
        EventPlan p = same(CodeActivate, 0);
        p.plan.steps |= StepRegister;
        return p;
    }
    case EventMinimizeStart:
    case EventMinimizeEnd:
        // No entry means these; whether the window counts may have changed.
        return {0, 0, {StepRefreshWindow, FlashEffect::None, false, true}};
    case EventCloaked:
    case EventUncloaked:
        // A switch of virtual desktops cloaks the windows left behind and
        // uncloaks those of the desktop the user went to: the proxy stands for
        // the members there and must be there too. A preloaded Store frame is
        // uncloaked when its app is opened: it is looked at again.
        return {0,
                0,
                {StepRegisterFrame | StepRefreshWindow | StepRenewProxy, FlashEffect::None, false,
                 true}};
    case EventParentChange:
        // Its window gained (or lost) a child: a Store frame gained its app's
        // window. Registered only now, it may be shown already: its group's
        // refresh takes its button.
        return {0, 0, {StepRegisterFrame | StepRefreshWindow, FlashEffect::None, false, true}};
    case EventShellFlash:
        return {0, 0, {0, FlashEffect::Reported, false, true}};
    case EventsLost: {
        // Whatever they said, a look for windows not yet known and a pass
        // over all groups bring the model in line, as a new taskbar button
        // does. They may have been a switch of virtual desktops (a burst of
        // cloaked and uncloaked windows): the proxies are made anew too.
        EventPlan p = same(CodeInsertItemW, 0);
        p.plan.steps |= StepRenewProxy;
        return p;
    }
    }
    return {0, 0, {0, FlashEffect::None, false, false}};
}

FlashCount NextFlashCount(FlashEffect effect, int count) {
    switch (effect) {
    case FlashEffect::Reset:
        return {0, false};
    case FlashEffect::Count:
        return {count + 1, false};
    case FlashEffect::CheckTitle:
        if (count >= FlashToggles) return {0, true};
        return {count, false};
    case FlashEffect::Reported:
        return {0, true};
    default:
        return {count, false};
    }
}

bool DrainCoalescer::TakeRefreshAll(int pending) {
    if (passRan_ && !modelChanged_ && passCovers_ > 0) {
        Skip();
        return false;
    }
    passCovers_ = pending;
    passRan_ = true;
    modelChanged_ = false;
    return true;
}

bool DrainCoalescer::TakeRefreshGroup(uintptr_t group, int pending, bool renew) {
    for (const Covered& c : groups_) {
        if (c.group == group && c.entries > 0 && (c.renewed || !renew)) {
            Skip();
            return false;
        }
    }
    groups_[nextGroupSlot_] = Covered{group, pending, renew};
    nextGroupSlot_ = (nextGroupSlot_ + 1) % GroupSlots;
    // The group is brought in line with the desktop as a pass would: a pass
    // for the entries already waiting still has nothing more to do for it.
    return true;
}

bool DrainCoalescer::TakeRescan(int pending) {
    if (rescanRan_ && rescanCovers_ > 0) {
        Skip();
        return false;
    }
    rescanCovers_ = pending;
    rescanRan_ = true;
    MembershipChanged();
    return true;
}

void DrainCoalescer::MembershipChanged() {
    modelChanged_ = true;
    for (Covered& c : groups_)
        c = Covered{};
}

void DrainCoalescer::EntryDone() {
    changeMade_ = false;
    if (passCovers_ > 0) --passCovers_;
    if (rescanCovers_ > 0) --rescanCovers_;
    for (Covered& c : groups_)
        if (c.entries > 0) --c.entries;
}

void SettleTimer::DrainEnded(int entries, bool stale, uint32_t now) {
    if (entries <= 0) return; // a wake-up that found nothing is no part of a burst
    if (stale) {
        waiting_ = true;
        retries_ = 0;
    }
    if (waiting_) lastDrain_ = now;
}

uint32_t SettleTimer::WaitMs(uint32_t now) const {
    if (!waiting_) return NoSettlePass;
    uint32_t quiet = now - lastDrain_; // elapsed time, also across the wrap
    return quiet >= SettleDelayMs ? 0 : SettleDelayMs - quiet;
}

bool SettleTimer::TakeDue(uint32_t now) {
    if (WaitMs(now) != 0) return false;
    waiting_ = false;
    return true;
}

bool SettleTimer::PassRan(bool windowsBehind, uint32_t now) {
    if (!windowsBehind || retries_ >= SettleRetries) {
        retries_ = 0;
        return false;
    }
    ++retries_;
    waiting_ = true;
    lastDrain_ = now;
    return true;
}
