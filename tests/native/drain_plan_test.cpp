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
};

struct Modes {
    bool subclass;
    bool load;
};

// Runs entries that were all waiting in the ring when the drain began, as the
// program would, and logs the passes that run: "+" register, "-" forget,
// "g<group>" one group's refresh, "R" rescan, "P" the pass over all groups.
std::string Drain(const std::vector<Entry>& entries, Modes modes) {
    DrainCoalescer drain;
    std::string log;
    int pending = (int)entries.size();
    for (const Entry& e : entries) {
        EntryPlan plan = PlanEntry(e.code, modes.subclass, modes.load);
        if (plan.steps & StepRegister) {
            log += "+";
            if (e.joins) drain.MembershipChanged();
        }
        char group = e.group; // a window that exists is not forgotten
        if ((plan.steps & StepForget) && !e.exists) {
            log += "-";
            if (e.group) drain.MembershipChanged();
            group = 0;
        }
        if ((plan.steps & StepRefreshWindow) && group && drain.TakeRefreshGroup(group, pending))
            log += std::string("g") + group;
        if ((plan.steps & StepRescan) && drain.TakeRescan(pending)) log += "R";
        if ((plan.steps & StepRefreshAll) && drain.TakeRefreshAll(pending)) log += "P";
        drain.EntryDone();
        --pending;
    }
    return log;
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
        {{act, act, act, act, act}, NoSubclass, "gaP"},
        {{act, act, joinA, act, act}, NoSubclass, "gaP+gaP"},
        {{act, {CodeActivate, 'b'}, act}, NoSubclass, "gaPgb"},
        {{show, nc, show, nc}, NoSubclass, "ga"},
        {{show, nc, act}, Subclass, "P"},
        {{known, known, act}, NoSubclass, "++gaP"},
        {{{CodeDestroy, 'a'}, act}, NoSubclass, "-gaP"},
        {{{CodeDestroy, 'a', false, true}, {CodeDestroy, 'a'}}, Subclass, "ga-"},
        {{{CodeGetItemCount, 0}, {CodeGetItemCount, 0}}, Subclass, "P"},
        {{{CodeGetItemCount, 0}}, SubclassNoLoad, ""},
        {{{CodeInsertItemW, 0}, {CodeDeleteItem, 0}, {CodeInsertItemA, 0}}, Subclass, "RP"},
        {{{CodeDeleteItem, 0}, joinA, {CodeDeleteItem, 0}}, Subclass, "P+P"},
        {{{CodeSetText, 'a'}, {CodeStyleChanged, 'a'}, {CodeInitDialog, 'a', true}}, Subclass, "+"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.log);
        EXPECT_EQ(Drain(c.entries, c.modes), c.log);
    }
}

TEST(DrainPlan, HasAPlanForExactlyTheCodesTheLibraryRecords) {
    std::vector<uint32_t> wrong; // planned but not recorded, or recorded but not planned
    for (uint32_t code = 0; code <= 0xFFFF; ++code) {
        bool recorded = IsRecordedWindowMessage(code) || IsRecordedTabMessage(code);
        if (PlanEntry(code, false, true).known != recorded) wrong.push_back(code);
    }
    EXPECT_EQ(wrong, std::vector<uint32_t>{});
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

TEST(DrainPlan, AFlashIsTwoCaptionTogglesFollowedByATitle) {
    struct Case {
        std::vector<uint32_t> codes;
        int reports;
        int count; // toggles counted afterwards
    } cases[] = {
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
        for (uint32_t code : c.codes) {
            FlashCount next = NextFlashCount(PlanEntry(code, true, true).flash, count);
            count = next.count;
            reports += next.report;
        }
        EXPECT_EQ(reports, c.reports) << c.codes.size();
        EXPECT_EQ(count, c.count) << c.codes.size();
    }
    EXPECT_TRUE(PlanEntry(CodeShowWindow, true, true).clearFlashing);
}

} // namespace
