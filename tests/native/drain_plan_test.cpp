// The drain's decisions over sequences of ring entries: which passes run, which
// are shared by entries that waited together, and when a flash is reported.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/pure/drain_plan.h"
#include "hook/pure/ring.h"

namespace {

struct Entry {
    uint32_t code;
    char group;          // the group of the entry's window, 0 for none
    bool joins = false;  // registering the window adds it to a group
    bool exists = false; // the window still exists (when it is to be forgotten)
    bool event = false;  // a system window event (code is its WindowEventCode)
};

struct Modes {
    bool subclass;
    bool load;
};

// Runs entries that were all waiting when the drain began, as the program
// would, and logs the passes that run: "+" register ("f" a Store frame), "-"
// forget, "g<group>"
// one group's refresh ("n<group>" when it makes the proxy anew), "R" rescan,
// "P" the pass over all groups ("N" when it makes the proxies anew); "~" at the
// end when a settle pass follows for a pass that was skipped.
std::string Drain(const std::vector<Entry>& entries, Modes modes) {
    DrainCoalescer drain;
    std::string log;
    int pending = (int)entries.size();
    for (const Entry& e : entries) {
        drain.BeginEntry(e.event);
        EntryPlan plan =
            e.event ? PlanWindowEvent(e.code).plan : PlanEntry(e.code, modes.subclass, modes.load);
        if (plan.steps & (StepRegister | StepRegisterFrame)) {
            log += plan.steps & StepRegister ? "+" : "f"; // "f": if it is a Store frame
            if (e.joins) drain.MembershipChanged();
        }
        char group = e.group; // a window that exists is not forgotten
        if ((plan.steps & StepForget) && !e.exists) {
            log += "-";
            if (e.group) drain.MembershipChanged();
            group = 0;
        }
        bool renew = plan.steps & StepRenewProxy;
        if ((plan.steps & StepRefreshWindow) && group &&
            drain.TakeRefreshGroup(group, pending, renew))
            log += std::string(renew ? "n" : "g") + group;
        if ((plan.steps & StepRescan) && drain.TakeRescan(pending)) log += "R";
        if ((plan.steps & StepRefreshAll) && drain.TakeRefreshAll(pending))
            log += renew ? "N" : "P";
        drain.EntryDone();
        --pending;
    }
    return drain.SkippedAny() ? log + "~" : log;
}

constexpr Modes Subclass = {true, true}, SubclassNoLoad = {true, false},
                NoSubclass = {false, false};

TEST(DrainPlan, EntriesWaitingTogetherSharePassesUntilTheModelChanges) {
    const Entry act = {CodeActivate, 'a'}, show = {CodeShowWindow, 'a'}, nc = {CodeNcActivate, 'a'};
    const Entry joinA = {CodeCreate, 'a', true}, known = {CodeCreate, 'a'};
    struct Case {
        std::vector<Entry> entries;
        Modes modes;
        const char* log;
    } cases[] = {
        {{act, act, act, act, act}, NoSubclass, "gaP~"},
        {{act, act, joinA, act, act}, NoSubclass, "gaP+gaP~"},
        {{act, {CodeActivate, 'b'}, act}, NoSubclass, "gaPgb~"},
        {{show, nc, show, nc}, NoSubclass, "ga~"},
        {{show, nc, act}, Subclass, "P"},
        {{known, known, act}, NoSubclass, "++gaP"},
        {{{CodeDestroy, 'a'}, act}, NoSubclass, "-gaP"},
        {{{CodeDestroy, 'a', false, true}, {CodeDestroy, 'a'}}, Subclass, "ga-"},
        {{{CodeGetItemCount, 0}, {CodeGetItemCount, 0}}, Subclass, "P~"},
        {{{CodeGetItemCount, 0}}, SubclassNoLoad, ""},
        {{{CodeInsertItemW, 0}, {CodeDeleteItem, 0}, {CodeInsertItemA, 0}}, Subclass, "RP~"},
        {{{CodeDeleteItem, 0}, joinA, {CodeDeleteItem, 0}}, Subclass, "P+P"},
        {{{CodeSetText, 'a'}, {CodeStyleChanged, 'a'}, {CodeInitDialog, 'a', true}}, Subclass, "+"},
        // The hook's entry and the system event for the same change: one
        // refresh, which saw the change when the event was waiting already;
        // an entry of the hook may come before its change.
        {{show, {EventHide, 'a', false, false, true}}, NoSubclass, "ga"},
        {{{EventHide, 'a', false, false, true}, show}, NoSubclass, "ga~"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log);
        EXPECT_EQ(Drain(c.entries, c.modes), c.log);
    }
}

TEST(DrainPlan, ASystemEventDoesWhatTheHookEntryOfTheSameMeaningDoesWithoutTheSubclass) {
    auto ev = [](uint32_t code, char group, bool joins = false) {
        return Entry{code, group, joins, false, true};
    };
    struct Case {
        std::vector<Entry> entries;
        const char* log;
    } cases[] = {
        {{ev(EventCreate, 'a', true)}, "+"},
        {{ev(EventDestroy, 'a')}, "-"},
        {{ev(EventShow, 'a'), ev(EventHide, 'b')}, "fgagb"},
        {{ev(EventMinimizeStart, 'a'), ev(EventParentChange, 'b', true)}, "gafgb"},
        // A switch of virtual desktops: one new proxy per group and drain,
        // also after a refresh that made none.
        {{ev(EventCloaked, 'a'), ev(EventUncloaked, 'b'), ev(EventCloaked, 'a')}, "fnafnbf"},
        {{ev(EventMinimizeEnd, 'a'), ev(EventCloaked, 'a'), ev(EventCloaked, 'a')}, "gafnaf"},
        {{ev(EventForeground, 'a', true)}, "+gaP"},
        {{ev(EventNameChange, 'a'), ev(EventShellFlash, 'a')}, ""},
        {{ev(EventsLost, 0), ev(EventShow, 'a')}, "RNfga"}, // perhaps a switch of desktops
        // Events report changes already made: sharing a pass leaves nothing stale.
        {{ev(EventHide, 'a'), ev(EventShow, 'a'), ev(EventForeground, 'a')}, "gaf+P"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log);
        EXPECT_EQ(Drain(c.entries, Subclass), c.log); // the subclass changes nothing
        EXPECT_EQ(Drain(c.entries, NoSubclass), c.log);
    }
}

TEST(DrainPlan, TheEventQueueKeepsOrderTakesAWindowsEventOnceAndReportsWhatItLost) {
    WindowEventQueue queue;
    for (uintptr_t w : {1, 2, 1}) // the same event of window 1 twice
        queue.Push(EventShow, w);
    queue.Push(EventHide, 1);
    WindowEvent taken[WindowEventQueue::Capacity];
    std::string order;
    for (int i = 0, n = queue.TakeAll(taken); i < n; ++i)
        order += std::to_string(taken[i].event - EventCreate) + "/" +
                 std::to_string(taken[i].hwnd) + " ";
    EXPECT_EQ(order, "2/1 2/2 3/1 ");
    queue.Push(EventShow, 1); // taken already: waits again
    for (uintptr_t w = 0; w < WindowEventQueue::Capacity; ++w)
        queue.Push(EventNameChange, w);
    EXPECT_TRUE(queue.TakeLost());
    EXPECT_FALSE(queue.TakeLost());
    EXPECT_EQ(queue.TakeAll(taken), WindowEventQueue::Capacity);
    EXPECT_TRUE(taken[0].event == EventShow && taken[1].hwnd == 0);
}

// And subscribes to exactly the system events it has a plan for.
TEST(DrainPlan, HasAPlanForExactlyTheCodesTheLibraryRecordsAndTheEventsItHears) {
    std::vector<uint32_t> wrong; // heard but not planned, or planned but not heard
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
        bool recorded = IsRecordedWindowMessage(code) || IsRecordedTabMessage(code);
        if (PlanEntry(code, false, true).known != recorded) wrong.push_back(code);
        bool subscribed = false;
        for (const WindowEventRange& r : WindowEventRanges)
            subscribed = subscribed || (code >= r.first && code <= r.last);
        if (PlanWindowEvent(code).plan.known != subscribed) wrong.push_back(code);
    }
    EXPECT_EQ(wrong, std::vector<uint32_t>{});
}

TEST(DrainPlan, ADrainTakesAtMostOneRingOfEntriesAndSomeWheneverTheIndicesDiffer) {
    const int differences[] = {0, 7, -93, 99, -99, -100, 100, -101, INT32_MAX, INT32_MIN}; // w - r
    const int waiting[] = {0, 7, 7, 99, 1, RingSize, RingSize, RingSize, RingSize, RingSize};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(WaitingEntries(differences[i]), waiting[i]) << differences[i];
}

TEST(DrainPlan, AnEntryWrittenAfterAPassBeganGetsAPassOfItsOwn) {
    DrainCoalescer drain;
    EXPECT_TRUE(drain.TakeRefreshAll(1)); // the only entry waiting
    drain.EntryDone();
    EXPECT_TRUE(drain.TakeRefreshAll(1)); // written while the pass ran
    EXPECT_FALSE(drain.SkippedAny());
    EXPECT_FALSE(drain.TakeRefreshAll(1));
    EXPECT_TRUE(drain.SkippedAny());
}

TEST(DrainPlan, AFlashIsTwoCaptionTogglesFollowedByATitleOrTheShellsReport) {
    // System events (marked above the 32 bits of a code) beside ring codes.
    constexpr uint64_t Event = 1ull << 32, Title = Event | EventNameChange,
                       Shell = Event | EventShellFlash, Front = Event | EventForeground;
    struct Case {
        std::vector<uint64_t> codes;
        int reports;
        int count; // toggles counted afterwards
    } cases[] = {
        {{CodeNcActivate, CodeNcActivate, Title}, 1, 0},
        {{CodeNcActivate, CodeNcActivate, Front, CodeSetText}, 0, 0},
        {{CodeNcActivate, Shell, CodeSetText}, 1, 0},
        {{CodeNcActivate, CodeNcActivate, CodeSetText}, 1, 0},
        {{CodeNcActivate, CodeNcActivate, CodeSetText, CodeSetText}, 1, 0},
        {{CodeNcActivate, CodeSetText}, 0, 1},
        {{CodeNcActivate, CodeSetText, CodeNcActivate, CodeSetText}, 1, 0},
        {{CodeNcActivate, CodeNcActivate, CodeActivate, CodeSetText}, 0, 0},
        {{CodeNcActivate, CodeNcActivate, CodeStyleChanged, CodeSetText}, 0, 0},
        {{CodeNcActivate, CodeNcActivate, CodeShowWindow, CodeSetText}, 0, 0},
        {{CodeNcActivate, CodeCreate, CodeNcActivate, CodeDeleteItem, CodeSetText}, 1, 0},
    };
    for (const Case& c : cases) {
        int count = 0, reports = 0;
        for (uint64_t code : c.codes) {
            EntryPlan plan = code & Event ? PlanWindowEvent((uint32_t)code).plan
                                          : PlanEntry((uint32_t)code, true, true);
            FlashCount next = NextFlashCount(plan.flash, count);
            count = next.count;
            reports += next.report;
        }
        EXPECT_EQ(reports, c.reports) << c.codes.size();
        EXPECT_EQ(count, c.count) << c.codes.size();
    }
    EXPECT_TRUE(PlanEntry(CodeShowWindow, true, true).clearFlashing);
}

} // namespace
