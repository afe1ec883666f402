#include "taskbar/pure/tiling.h"

#include <math.h>

int TileSquareRoot(int n) {
    if (n < 1) return 0;
    int s = (int)sqrt((double)n);
    // Guard against a square root that lands a hair below an exact square.
    while ((long long)(s + 1) * (s + 1) <= n)
        ++s;
    while ((long long)s * s > n)
        --s;
    return s;
}

TileLayout MakeTileLayout(int n, int command) {
    TileLayout layout = {0, 0, 0, 0};
    if (n < 1) return layout;
    int s = TileSquareRoot(n);
    if (command == TileTopBottom) {
        layout.columns = s;
        layout.perColumn = n / s;
        layout.extra = n - layout.perColumn * s;
    } else if (command == TileLeftRight) {
        layout.columns = n / s;
        layout.perColumn = s;
        layout.extra = n - s * layout.columns;
    } else {
        return layout;
    }
    layout.windows = n;
    return layout;
}

int TileColumnCount(const TileLayout& layout, int column) {
    if (column < 0 || column >= layout.columns) return 0;
    int firstWithExtra = layout.columns - layout.extra;
    return layout.perColumn + (column >= firstWithExtra ? 1 : 0);
}

int TileCell(const TileLayout& layout, int k, int* column, int* row) {
    if (k < 0 || k >= layout.windows) return 0;
    int i = 0;
    int j = k;
    while (j >= TileColumnCount(layout, i)) {
        j -= TileColumnCount(layout, i);
        ++i;
        if (i >= layout.columns) return 0; // unreachable while k < windows
    }
    *column = i;
    *row = j;
    return 1;
}

TilePlace TileCellPlace(const TileArea& area, const TileLayout& layout, int column, int row) {
    TilePlace place = {area.left, area.top, 0, 0};
    int rows = TileColumnCount(layout, column);
    if (rows < 1) return place;
    double cw = (double)(area.right - area.left) / layout.columns;
    double rh = (double)(area.bottom - area.top) / rows;
    place.x = (int)(area.left + column * cw);
    place.y = (int)(area.top + row * rh);
    place.width = (int)((column + 1) * cw - column * cw);
    place.height = (int)((row + 1) * rh - row * rh);
    return place;
}

int CascadeOffset(int k, int step) {
    return k * step;
}
