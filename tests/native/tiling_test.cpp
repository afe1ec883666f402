#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "taskbar/pure/tiling.h"

namespace {

std::vector<int> ColumnCounts(int n, int command) {
    TileLayout layout = MakeTileLayout(n, command);
    std::vector<int> counts;
    for (int i = 0; i < layout.columns; ++i)
        counts.push_back(TileColumnCount(layout, i));
    return counts;
}

// x, y, width, height of every window in walking order, flattened.
std::vector<int> Places(int n, int command, TileArea area) {
    TileLayout layout = MakeTileLayout(n, command);
    std::vector<int> out;
    for (int k = 0; k < n; ++k) {
        int column = -1, row = -1;
        EXPECT_EQ(TileCell(layout, k, &column, &row), 1) << "k " << k;
        TilePlace p = TileCellPlace(area, layout, column, row);
        out.insert(out.end(), {p.x, p.y, p.width, p.height});
    }
    return out;
}

const TileArea Standard = {0, 0, 1024, 738};
constexpr int TB = TileTopBottom, LR = TileLeftRight;

} // namespace

TEST(TileLayout, ColumnCountsOfTheWorkedExamplesAndNoneForNothingOrAnUnknownCommand) {
    struct Case {
        int n, command;
        std::vector<int> counts;
    } cases[] = {
        {1, TB, {1}},    {1, LR, {1}},       {2, TB, {2}},        {2, LR, {1, 1}},
        {3, TB, {3}},    {3, LR, {1, 1, 1}}, {4, TB, {2, 2}},     {4, LR, {2, 2}},
        {5, TB, {2, 3}}, {5, LR, {2, 3}},    {6, TB, {3, 3}},     {6, LR, {2, 2, 2}},
        {7, TB, {3, 4}}, {7, LR, {2, 2, 3}}, {10, TB, {3, 3, 4}}, {10, LR, {3, 3, 4}},
        {0, TB, {}},     {-3, LR, {}},       {4, 4, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ColumnCounts(c.n, c.command), c.counts) << "n " << c.n << " cmd " << c.command;
}

TEST(TileLayout, PlacementsOfTheWorkedExamples) {
    struct Case {
        int n, command;
        TileArea area;
        std::vector<int> places;
    } cases[] = {
        {1, TB, Standard, {0, 0, 1024, 738}},
        {1, LR, Standard, {0, 0, 1024, 738}},
        {2, TB, Standard, {0, 0, 1024, 369, 0, 369, 1024, 369}},
        {2, LR, Standard, {0, 0, 512, 738, 512, 0, 512, 738}},
        {3, LR, Standard, {0, 0, 341, 738, 341, 0, 341, 738, 682, 0, 341, 738}},
        {5, TB, Standard, {0,   0,   512, 369, 0,   369, 512, 369, 512, 0,
                           512, 246, 512, 246, 512, 246, 512, 492, 512, 246}},
        {5, LR, Standard, {0,   0,   512, 369, 0,   369, 512, 369, 512, 0,
                           512, 246, 512, 246, 512, 246, 512, 492, 512, 246}},
        {6, TB, Standard, {0,   0, 512, 246, 0,   246, 512, 246, 0,   492, 512, 246,
                           512, 0, 512, 246, 512, 246, 512, 246, 512, 492, 512, 246}},
        {6, LR, Standard, {0,   0,   341, 369, 0,   369, 341, 369, 341, 0,   341, 369,
                           341, 369, 341, 369, 682, 0,   341, 369, 682, 369, 341, 369}},
        {7, TB, Standard, {0,   0,   512, 246, 0,   246, 512, 246, 0,   492, 512, 246, 512, 0,
                           512, 184, 512, 184, 512, 184, 512, 369, 512, 184, 512, 553, 512, 184}},
        {7, LR, Standard, {0,   0,   341, 369, 0,   369, 341, 369, 341, 0,   341, 369, 341, 369,
                           341, 369, 682, 0,   341, 246, 682, 246, 341, 246, 682, 492, 341, 246}},
        {3, LR, {0, 0, 1280, 994}, {0, 0, 426, 994, 426, 0, 426, 994, 853, 0, 426, 994}},
        {2, TB, {0, 30, 1024, 768}, {0, 30, 1024, 369, 0, 399, 1024, 369}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Places(c.n, c.command, c.area), c.places) << "n " << c.n << " cmd " << c.command;
}

// Every count from 1 to 16 and both tilings, over work areas with odd sizes and
// origins away from (0, 0): the columns hold all windows, never more than one
// apart and the fuller ones on the right; each window lies inside the area; the
// columns fill it from left to right and each column from top to bottom, with
// at most one pixel lost between neighbours and at the far edges; a window
// beyond the counted ones has no cell.
TEST(TileLayout, EveryWindowInsideTheAreaAndTheColumnsFillItLeftToRight) {
    const TileArea areas[] = {{0, 0, 1024, 738},   {0, 30, 1024, 768}, {57, 23, 1337, 1001},
                              {-1280, 0, 0, 1024}, {3, 5, 10, 12},     {0, 0, 1919, 1049}};
    for (const TileArea& a : areas) {
        for (int command : {TB, LR}) {
            for (int n = 1; n <= 16; ++n) {
                SCOPED_TRACE("area " + std::to_string(a.left) + "," + std::to_string(a.top) + "," +
                             std::to_string(a.right) + "," + std::to_string(a.bottom) + " cmd " +
                             std::to_string(command) + " n " + std::to_string(n));
                TileLayout layout = MakeTileLayout(n, command);
                ASSERT_GE(layout.columns, 1);
                int total = 0;
                for (int i = 0; i < layout.columns; ++i) {
                    int count = TileColumnCount(layout, i);
                    total += count;
                    EXPECT_LE(count, TileColumnCount(layout, 0) + 1);
                    EXPECT_TRUE(i == 0 || count >= TileColumnCount(layout, i - 1));
                }
                EXPECT_EQ(total, n);
                int lastColumn = 0, lastRow = -1;
                TilePlace last = {0, 0, 0, 0};
                for (int k = 0; k < n; ++k) {
                    int column = -1, row = -1;
                    ASSERT_EQ(TileCell(layout, k, &column, &row), 1);
                    TilePlace p = TileCellPlace(a, layout, column, row);
                    EXPECT_TRUE(p.x >= a.left && p.y >= a.top && p.width >= 0 && p.height >= 0);
                    EXPECT_TRUE(p.x + p.width <= a.right && p.y + p.height <= a.bottom);
                    EXPECT_TRUE(column != 0 || p.x - a.left <= 1);
                    EXPECT_TRUE(column != layout.columns - 1 || p.x + p.width >= a.right - 1);
                    EXPECT_TRUE(row != 0 || p.y - a.top <= 1);
                    EXPECT_TRUE(row != TileColumnCount(layout, column) - 1 ||
                                p.y + p.height >= a.bottom - 1);
                    if (k > 0 && column == lastColumn) { // the next row down
                        EXPECT_EQ(row, lastRow + 1);
                        EXPECT_EQ(p.x, last.x);
                        EXPECT_TRUE(p.y >= last.y + last.height && p.y <= last.y + last.height + 1);
                    } else if (k > 0) { // a new column, at the top, just right of the last
                        EXPECT_EQ(column, lastColumn + 1);
                        EXPECT_EQ(row, 0);
                        EXPECT_TRUE(p.x >= last.x + last.width && p.x <= last.x + last.width + 1);
                    }
                    lastColumn = column;
                    lastRow = row;
                    last = p;
                }
                int column = -1, row = -1;
                for (int k : {-1, n, n + 5})
                    EXPECT_EQ(TileCell(layout, k, &column, &row), 0) << k;
                EXPECT_EQ(column, -1);
            }
        }
    }
}
