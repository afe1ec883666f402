// When the settle pass runs, as the wait loop uses the timer: it sleeps until
// the next drain or until the pass is due, whichever comes first.
#include <gtest/gtest.h>

#include <vector>

#include "engine/pure/drain_plan.h"

namespace {

struct Drain {
    uint32_t at; // milliseconds after the start
    int entries;
    bool shared; // entries shared a pass
};

// The times (after the start) at which settle passes run.
std::vector<uint32_t> SettlePasses(const std::vector<Drain>& drains, uint32_t start) {
    SettleTimer timer;
    std::vector<uint32_t> passes;
    uint32_t now = start;
    size_t next = 0;
    while (passes.size() < 10) {
        uint32_t wait = timer.WaitMs(now);
        if (next < drains.size() && drains[next].at - (now - start) <= wait) {
            now = start + drains[next].at;
            timer.DrainEnded(drains[next].entries, drains[next].shared, now);
            ++next;
        } else if (wait != NoSettlePass) {
            now += wait;
            if (timer.TakeDue(now)) passes.push_back(now - start);
        } else {
            break;
        }
    }
    return passes;
}

TEST(SettleTimer, OnePassFollowsTheLastDrainOfABurstInWhichEntriesSharedAPass) {
    struct Case {
        std::vector<Drain> drains;
        std::vector<uint32_t> passes;
    } cases[] = {
        {{{0, 5, true}}, {50}},
        {{{0, 5, false}, {10, 1, false}}, {}},
        {{{0, 1, false}, {20, 4, true}, {60, 1, false}, {100, 2, false}}, {150}},
        {{{0, 5, true}, {30, 0, false}}, {50}}, // a wake-up that found nothing
        {{{0, 5, true}, {49, 1, false}, {500, 3, true}}, {99, 550}},
    };
    for (uint32_t start : {1000u, 0xFFFFFFF0u}) { // also across the tick count's wrap
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << start << " " << c.drains.size());
            EXPECT_EQ(SettlePasses(c.drains, start), c.passes);
        }
    }
}

} // namespace
