// Geometry of the group menu's arrange commands: the column layout of the two
// tilings, the cell of each window, and the cascade offsets. No Windows API.
#pragma once

// Identifiers of the two tilings (the same values as their menu items).
constexpr int TileTopBottom = 5; // few columns, the windows of a column one above the other
constexpr int TileLeftRight = 6; // many columns, the windows side by side

// The work area to fill, in screen coordinates; right and bottom are exclusive.
struct TileArea {
    int left, top, right, bottom;
};

// One window's place.
struct TilePlace {
    int x, y, width, height;
};

// How n windows are spread over columns: every column holds perColumn
// windows, and the last `extra` columns (the rightmost ones) one more each.
// A layout of zero windows has zero columns.
struct TileLayout {
    int windows;
    int columns;
    int perColumn;
    int extra; // always smaller than columns
};

// The truncated square root of n (n >= 0): 1 for 1 to 3, 2 for 4 to 8, ...
int TileSquareRoot(int n);

// The layout of n windows for TileTopBottom or TileLeftRight. Any other
// command, or n below 1, gives the empty layout.
TileLayout MakeTileLayout(int n, int command);

// The number of windows in column i of the layout (0 outside its columns).
int TileColumnCount(const TileLayout& layout, int column);

// The cell of the k-th window (k from 0): the columns are filled left to
// right, each from top to bottom. Returns 1 with column and row set, or 0 when
// k is outside the layout (a window that was not counted when the layout was
// made), leaving column and row alone.
int TileCell(const TileLayout& layout, int k, int* column, int* row);

// The rectangle of a cell: the area split into equal columns, each column into
// equal rows. Positions and sizes are truncated toward zero from the exact
// floating-point bounds, so neighbours may be one pixel apart but no window
// leaves the area.
TilePlace TileCellPlace(const TileArea& area, const TileLayout& layout, int column, int row);

// The position (the same for x and y) of the k-th window of a cascade whose
// windows step down and right by step pixels, the first at 0.
int CascadeOffset(int k, int step);
