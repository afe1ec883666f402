#include <gtest/gtest.h>

#include "taskbar/pure/screen_point.h"

TEST(PackScreenPoint, EachCoordinateKeepsItsOwnHalfEvenWhenNegative) {
    struct Case {
        int x, y;
        uint32_t packed;
    } cases[] = {
        {0, 0, 0x00000000u},      {123, 456, 0x01C8007Bu}, {-1, 0, 0x0000FFFFu},
        {-100, 200, 0x00C8FF9Cu}, {-1280, 5, 0x0005FB00u}, {300, -20, 0xFFEC012Cu},
        {-1, -1, 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PackScreenPoint(c.x, c.y), c.packed) << c.x << "," << c.y;
        EXPECT_EQ((int16_t)(PackScreenPoint(c.x, c.y) >> 16), c.y);
        EXPECT_EQ((int16_t)(PackScreenPoint(c.x, c.y) & 0xFFFF), c.x);
    }
}
