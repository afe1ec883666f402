// When the settle pass runs, as the wait loop uses the timer: it sleeps until
// the next drain or until the pass is due, whichever comes first.
#include <gtest/gtest.h>

#include <vector>

#include "engine/pure/drain_plan.h"

namespace {

struct Drain {
    uint32_t at; // milliseconds after the start
    int entries;
    bool stale; // entries shared a pass, or a window was behind its entry
};

// The times (after the start) at which settle passes run; the first `behind`
// of them find a window still behind its entry.
std::vector<uint32_t> SettlePasses(const std::vector<Drain>& drains, uint32_t start, int behind) {
    SettleTimer timer;
    std::vector<uint32_t> passes;
    uint32_t now = start;
    size_t next = 0;
    while (passes.size() < 20) {
        uint32_t wait = timer.WaitMs(now);
        if (next < drains.size() && drains[next].at - (now - start) <= wait) {
            now = start + drains[next].at;
            timer.DrainEnded(drains[next].entries, drains[next].stale, now);
            ++next;
        } else if (wait != NoSettlePass) {
            now += wait;
            if (!timer.TakeDue(now)) continue;
            passes.push_back(now - start);
            timer.PassRan(behind-- > 0, now);
        } else {
            break;
        }
    }
    return passes;
}

TEST(SettleTimer, OnePassFollowsTheLastDrainOfAStaleBurstAndMoreWhileAWindowIsBehind) {
    std::vector<uint32_t> eleven;
    for (uint32_t t = 50; t <= 550; t += 50)
        eleven.push_back(t);
    struct Case {
        std::vector<Drain> drains;
        int behind;
        std::vector<uint32_t> passes;
    } cases[] = {
        {{{0, 5, true}}, 0, {50}},
        {{{0, 5, false}, {10, 1, false}}, 0, {}},
        {{{0, 1, false}, {20, 4, true}, {60, 1, false}, {100, 2, false}}, 0, {150}},
        {{{0, 5, true}, {30, 0, false}}, 0, {50}}, // a wake-up that found nothing
        {{{0, 5, true}, {49, 1, false}, {500, 3, true}}, 0, {99, 550}},
        {{{0, 1, true}}, 2, {50, 100, 150}},
        {{{0, 1, true}}, 100, eleven}, // a window that never catches up
    };
    for (uint32_t start : {1000u, 0xFFFFFFF0u}) { // also across the tick count's wrap
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << start << " " << c.drains.size());
            EXPECT_EQ(SettlePasses(c.drains, start, c.behind), c.passes);
        }
    }
}

} // namespace
