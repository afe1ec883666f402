#include <gtest/gtest.h>

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

// Every window of a tiling, in the order of the walk (k from 0).
std::vector<TilePlace> Places(int n, int command, TileArea area) {
    TileLayout layout = MakeTileLayout(n, command);
    std::vector<TilePlace> places;
    for (int k = 0; k < n; ++k) {
        int column = -1, row = -1;
        EXPECT_EQ(TileCell(layout, k, &column, &row), 1) << "k " << k;
        places.push_back(TileCellPlace(area, layout, column, row));
    }
    return places;
}

bool SamePlace(const TilePlace& a, const TilePlace& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

std::string Show(const TilePlace& p) {
    return "(" + std::to_string(p.x) + ", " + std::to_string(p.y) + ", " + std::to_string(p.width) +
           ", " + std::to_string(p.height) + ")";
}

const TileArea Standard = {0, 0, 1024, 738};

} // namespace

TEST(TileLayout, SquareRootIsTruncated) {
    struct Case {
        int n, root;
    } cases[] = {{0, 0},  {1, 1},  {2, 1},  {3, 1},  {4, 2},     {8, 2},      {9, 3},
                 {15, 3}, {16, 4}, {24, 4}, {25, 5}, {9999, 99}, {10000, 100}};
    for (const Case& c : cases)
        EXPECT_EQ(TileSquareRoot(c.n), c.root) << c.n;
}

TEST(TileLayout, ColumnCountsOfTheWorkedExamples) {
    struct Case {
        int n, command;
        std::vector<int> counts;
    } cases[] = {
        {1, TileTopBottom, {1}},        {1, TileLeftRight, {1}},
        {2, TileTopBottom, {2}},        {2, TileLeftRight, {1, 1}},
        {3, TileTopBottom, {3}},        {3, TileLeftRight, {1, 1, 1}},
        {4, TileTopBottom, {2, 2}},     {4, TileLeftRight, {2, 2}},
        {5, TileTopBottom, {2, 3}},     {5, TileLeftRight, {2, 3}},
        {6, TileTopBottom, {3, 3}},     {6, TileLeftRight, {2, 2, 2}},
        {7, TileTopBottom, {3, 4}},     {7, TileLeftRight, {2, 2, 3}},
        {10, TileTopBottom, {3, 3, 4}}, {10, TileLeftRight, {3, 3, 4}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ColumnCounts(c.n, c.command), c.counts) << "n " << c.n << " cmd " << c.command;
    }
}

TEST(TileLayout, NoWindowsOrAnUnknownCommandGiveNoColumns) {
    EXPECT_TRUE(ColumnCounts(0, TileTopBottom).empty());
    EXPECT_TRUE(ColumnCounts(0, TileLeftRight).empty());
    EXPECT_TRUE(ColumnCounts(-3, TileLeftRight).empty());
    EXPECT_TRUE(ColumnCounts(4, 4).empty());
    int column = 7, row = 7;
    EXPECT_EQ(TileCell(MakeTileLayout(0, TileTopBottom), 0, &column, &row), 0);
    EXPECT_EQ(column, 7);
    EXPECT_EQ(row, 7);
}

TEST(TileLayout, PlacementsOfTheWorkedExamples) {
    struct Case {
        int n, command;
        TileArea area;
        std::vector<TilePlace> places;
    } cases[] = {
        {1, TileTopBottom, Standard, {{0, 0, 1024, 738}}},
        {1, TileLeftRight, Standard, {{0, 0, 1024, 738}}},
        {2, TileTopBottom, Standard, {{0, 0, 1024, 369}, {0, 369, 1024, 369}}},
        {2, TileLeftRight, Standard, {{0, 0, 512, 738}, {512, 0, 512, 738}}},
        {3, TileLeftRight, Standard, {{0, 0, 341, 738}, {341, 0, 341, 738}, {682, 0, 341, 738}}},
        {5,
         TileTopBottom,
         Standard,
         {{0, 0, 512, 369},
          {0, 369, 512, 369},
          {512, 0, 512, 246},
          {512, 246, 512, 246},
          {512, 492, 512, 246}}},
        {5,
         TileLeftRight,
         Standard,
         {{0, 0, 512, 369},
          {0, 369, 512, 369},
          {512, 0, 512, 246},
          {512, 246, 512, 246},
          {512, 492, 512, 246}}},
        {6,
         TileTopBottom,
         Standard,
         {{0, 0, 512, 246},
          {0, 246, 512, 246},
          {0, 492, 512, 246},
          {512, 0, 512, 246},
          {512, 246, 512, 246},
          {512, 492, 512, 246}}},
        {6,
         TileLeftRight,
         Standard,
         {{0, 0, 341, 369},
          {0, 369, 341, 369},
          {341, 0, 341, 369},
          {341, 369, 341, 369},
          {682, 0, 341, 369},
          {682, 369, 341, 369}}},
        {7,
         TileTopBottom,
         Standard,
         {{0, 0, 512, 246},
          {0, 246, 512, 246},
          {0, 492, 512, 246},
          {512, 0, 512, 184},
          {512, 184, 512, 184},
          {512, 369, 512, 184},
          {512, 553, 512, 184}}},
        {7,
         TileLeftRight,
         Standard,
         {{0, 0, 341, 369},
          {0, 369, 341, 369},
          {341, 0, 341, 369},
          {341, 369, 341, 369},
          {682, 0, 341, 246},
          {682, 246, 341, 246},
          {682, 492, 341, 246}}},
        {3,
         TileLeftRight,
         {0, 0, 1280, 994},
         {{0, 0, 426, 994}, {426, 0, 426, 994}, {853, 0, 426, 994}}},
        {2, TileTopBottom, {0, 30, 1024, 768}, {{0, 30, 1024, 369}, {0, 399, 1024, 369}}},
    };
    for (const Case& c : cases) {
        std::vector<TilePlace> got = Places(c.n, c.command, c.area);
        ASSERT_EQ(got.size(), c.places.size());
        for (size_t k = 0; k < got.size(); ++k) {
            EXPECT_TRUE(SamePlace(got[k], c.places[k]))
                << "n " << c.n << " cmd " << c.command << " window " << k << ": got "
                << Show(got[k]) << ", want " << Show(c.places[k]);
        }
    }
}

TEST(TileLayout, FourAndTenWindowsLookTheSameForBothTilings) {
    for (int n : {4, 10}) {
        std::vector<TilePlace> a = Places(n, TileTopBottom, Standard);
        std::vector<TilePlace> b = Places(n, TileLeftRight, Standard);
        for (int k = 0; k < n; ++k)
            EXPECT_TRUE(SamePlace(a[k], b[k])) << n << " " << k;
    }
}

// For every count and both tilings, over work areas with odd sizes and origins
// away from (0, 0): the columns hold all windows, never more than one apart,
// the extra ones on the right; each window lies inside the area; the columns
// fill the area from left to right and each column from top to bottom, with at
// most one pixel lost between neighbours and at the far edges.
TEST(TileLayout, EveryWindowInsideTheAreaAndTheColumnsFillItLeftToRight) {
    const TileArea areas[] = {
        {0, 0, 1024, 738},   {0, 30, 1024, 768}, {0, 0, 1280, 994},    {57, 23, 1337, 1001},
        {-1280, 0, 0, 1024}, {3, 5, 10, 12},     {100, 200, 101, 203}, {0, 0, 1919, 1049},
    };
    for (const TileArea& area : areas) {
        for (int command : {TileTopBottom, TileLeftRight}) {
            for (int n = 1; n <= 16; ++n) {
                SCOPED_TRACE("area " + std::to_string(area.left) + "," + std::to_string(area.top) +
                             "," + std::to_string(area.right) + "," + std::to_string(area.bottom) +
                             " cmd " + std::to_string(command) + " n " + std::to_string(n));
                TileLayout layout = MakeTileLayout(n, command);
                ASSERT_GE(layout.columns, 1);
                int total = 0;
                for (int i = 0; i < layout.columns; ++i) {
                    int count = TileColumnCount(layout, i);
                    total += count;
                    EXPECT_GE(count, TileColumnCount(layout, 0));
                    EXPECT_LE(count, TileColumnCount(layout, 0) + 1);
                    if (i > 0) {
                        EXPECT_GE(count, TileColumnCount(layout, i - 1));
                    }
                }
                EXPECT_EQ(total, n);
                EXPECT_LT(layout.extra, layout.columns);

                int previousColumn = 0, previousRow = -1;
                TilePlace previous = {0, 0, 0, 0};
                for (int k = 0; k < n; ++k) {
                    int column = -1, row = -1;
                    ASSERT_EQ(TileCell(layout, k, &column, &row), 1);
                    TilePlace p = TileCellPlace(area, layout, column, row);
                    EXPECT_GE(p.x, area.left);
                    EXPECT_GE(p.y, area.top);
                    EXPECT_LE(p.x + p.width, area.right);
                    EXPECT_LE(p.y + p.height, area.bottom);
                    EXPECT_GE(p.width, 0);
                    EXPECT_GE(p.height, 0);
                    if (column == 0) {
                        EXPECT_LE(p.x - area.left, 1);
                    }
                    if (column == layout.columns - 1) {
                        EXPECT_GE(p.x + p.width, area.right - 1);
                    }
                    if (row == 0) {
                        EXPECT_LE(p.y - area.top, 1);
                    }
                    if (row == TileColumnCount(layout, column) - 1) {
                        EXPECT_GE(p.y + p.height, area.bottom - 1);
                    }
                    if (k > 0 && column == previousColumn) {
                        // Next row down in the same column.
                        EXPECT_EQ(row, previousRow + 1);
                        EXPECT_EQ(p.x, previous.x);
                        EXPECT_GE(p.y, previous.y + previous.height);
                        EXPECT_LE(p.y, previous.y + previous.height + 1);
                    } else if (k > 0) {
                        // A new column starts at the top, just right of the last one.
                        EXPECT_EQ(column, previousColumn + 1);
                        EXPECT_EQ(row, 0);
                        EXPECT_GE(p.x, previous.x + previous.width);
                        EXPECT_LE(p.x, previous.x + previous.width + 1);
                    }
                    previousColumn = column;
                    previousRow = row;
                    previous = p;
                }
            }
        }
    }
}

TEST(TileLayout, AWindowBeyondTheCountedOnesHasNoCell) {
    for (int command : {TileTopBottom, TileLeftRight}) {
        for (int n = 1; n <= 16; ++n) {
            TileLayout layout = MakeTileLayout(n, command);
            int column = -1, row = -1;
            EXPECT_EQ(TileCell(layout, n, &column, &row), 0) << n;
            EXPECT_EQ(TileCell(layout, n + 5, &column, &row), 0) << n;
            EXPECT_EQ(TileCell(layout, -1, &column, &row), 0) << n;
            EXPECT_EQ(column, -1);
            EXPECT_EQ(row, -1);
        }
    }
}

TEST(Cascade, WindowsStepDiagonallyFromTheOrigin) {
    // SM_CYEDGE 2 and SM_CYCAPTION 19 make a step of 21.
    EXPECT_EQ(CascadeOffset(0, 21), 0);
    EXPECT_EQ(CascadeOffset(1, 21), 21);
    EXPECT_EQ(CascadeOffset(2, 21), 42);
    EXPECT_EQ(CascadeOffset(10, 25), 250);
}
