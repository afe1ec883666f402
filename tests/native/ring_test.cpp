#include <gtest/gtest.h>

#include "hook/pure/ring.h"

TEST(RingIndex, AdvancesAndWrapsAfterTheLastSlot) {
    struct Case {
        int index;
        int next;
    } cases[] = {{0, 1}, {1, 2}, {98, 99}, {99, 0}, {-1, 0}, {100, 0}, {12345, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(NextRingIndex(c.index), c.next) << c.index;
}

TEST(RingIndex, SlotOutsideTheRingIsTakenAsSlotZero) {
    struct Case {
        int index;
        int slot;
    } cases[] = {{0, 0}, {57, 57}, {99, 99}, {100, 0}, {-3, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(RingSlot(c.index), c.slot) << c.index;
}

TEST(CountThrottle, ForwardsOnlyWhenMoreThan100msHavePassedAlsoAcrossTheWrap) {
    struct Case {
        uint32_t now;
        uint32_t last;
        bool due;
    } cases[] = {
        {1000, 1000, false}, // the same moment
        {1100, 1000, false}, // 100 ms later
        {1101, 1000, true},  // 101 ms later
        {0xFFFFFFF0u, 0xFFFFFF00u, true},
        {50, 0xFFFFFFF0u, false}, // 66 ms across the wrap
        {200, 0xFFFFFFF0u, true}, // 216 ms across the wrap
        {0x7FFFFFFFu, 0, true},   // long ago
    };
    for (const Case& c : cases)
        EXPECT_EQ(CountIsDue(c.now, c.last), c.due) << c.now << " " << c.last;
}

TEST(ShellClassNames, OnlyTheExactNamesMatch) {
    struct Case {
        const char* name;
        bool taskSwitch;
        bool tabControl;
    } cases[] = {
        {"MSTaskSwWClass", true, false},   {"MSTaskSwWClassX", false, false},
        {"MSTaskSwWClas", false, false},   {"mstaskswwclass", false, false},
        {"MSTASKSWWCLASS", false, false},  {"", false, false},
        {"ReBarWindow32", false, false},   {"SysTabControl32", false, true},
        {"systabcontrol32", false, false}, {"SysTabControl", false, false},
        {"ToolbarWindow32", false, false}, {"MSTaskListWClass", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsTaskSwitchClassName(c.name), c.taskSwitch) << c.name;
        EXPECT_EQ(IsTabControlClassName(c.name), c.tabControl) << c.name;
    }
}
