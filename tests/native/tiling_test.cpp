// The two tilings of the group menu: how many windows go in each column and
// where each window goes.
#include <gtest/gtest.h>

#include "taskbar/pure/tiling.h"

constexpr int TB = TileTopBottom, LR = TileLeftRight;

TEST(Tiling, ColumnsOfTheWorkedExamplesAndNoneForNothingOrAnUnknownCommand) {
    struct Case {
        int n, command;
        std::vector<int> columns;
    } cases[] = {
        {1, TB, {1}},       {2, TB, {2}},        {2, LR, {1, 1}},    {3, LR, {1, 1, 1}},
        {5, TB, {2, 3}},    {6, TB, {3, 3}},     {6, LR, {2, 2, 2}}, {7, TB, {3, 4}},
        {7, LR, {2, 2, 3}}, {10, TB, {3, 3, 4}}, {0, TB, {}},        {-3, LR, {}},
        {4, 4, {}},
    };
    for (const Case& c : cases) {
        TileLayout layout = MakeTileLayout(c.n, c.command);
        std::vector<int> columns;
        for (int i = 0; i < layout.columns; ++i)
            columns.push_back(TileColumnCount(layout, i));
        EXPECT_EQ(columns, c.columns) << c.n << " windows, command " << c.command;
    }
}

// Every count from 1 to 16 and both tilings, over areas of odd sizes and
// origins: the columns hold all windows, the fuller ones on the right; each
// window lies inside the area, right of or below the one before it by at most a
// pixel; a window that was not counted has no cell.
TEST(Tiling, EveryWindowLiesInsideTheAreaAndTheColumnsFillItLeftToRight) {
    for (TileArea a : {TileArea{0, 0, 1024, 738}, {57, 23, 1337, 1001}, {-1280, 0, 0, 1024}}) {
        for (int n = 1, command = TB; n <= 16; command = command == TB ? LR : (++n, TB)) {
            SCOPED_TRACE(std::to_string(a.left) + ", " + std::to_string(n) + " windows, " +
                         std::to_string(command));
            TileLayout layout = MakeTileLayout(n, command);
            TilePlace last = {a.left, a.top, 0, 0};
            for (int k = 0, column, row; k < n; ++k, last = TileCellPlace(a, layout, column, row)) {
                ASSERT_EQ(TileCell(layout, k, &column, &row), 1);
                EXPECT_TRUE(column == 0 ||
                            TileColumnCount(layout, column) >= TileColumnCount(layout, column - 1));
                TilePlace p = TileCellPlace(a, layout, column, row);
                EXPECT_TRUE(p.x >= a.left && p.y >= a.top && p.x + p.width <= a.right &&
                            p.y + p.height <= a.bottom);
                EXPECT_TRUE(row == 0 ? p.y - a.top <= 1 && p.x >= last.x + last.width &&
                                           p.x <= last.x + last.width + 1
                                     : p.x == last.x && p.y >= last.y + last.height &&
                                           p.y <= last.y + last.height + 1);
            }
            int column = -1, row = -1;
            EXPECT_TRUE(last.x + last.width >= a.right - 1 &&
                        last.y + last.height >= a.bottom - 1 &&
                        TileCell(layout, n, &column, &row) == 0);
        }
    }
}
