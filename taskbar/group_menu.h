// The group menu a proxy pops up when its taskbar button is clicked: the
// group's visible windows as owner-drawn items, and the batch commands.
#pragma once

#include <windows.h>

#include "taskbar/pure/tiling.h"

// Identifiers of the batch items; a window item's identifier is its window handle.
constexpr UINT CmdShowAll = 1;
constexpr UINT CmdCloseAll = 2;
constexpr UINT CmdMinimizeAll = 3;
constexpr UINT CmdCascade = 4;
constexpr UINT CmdTileTopBottom = TileTopBottom;
constexpr UINT CmdTileLeftRight = TileLeftRight;
// The highest batch identifier: a larger one is a window item's.
constexpr UINT CmdLastBatch = CmdTileLeftRight;

// Builds the popup menu of the proxy's group, placing the batch items by the
// setting Menu (0 top, 1 bottom, anything else none). Null when the proxy has
// no group or no menu could be made. The caller destroys it.
HMENU BuildGroupMenu(HWND proxy);

// Builds, tracks at the cursor and destroys the group menu, then ends the
// proxy button's flashing.
void ShowGroupMenu(HWND proxy);

// 0 when the cursor is on the taskbar's rectangle (bounds inclusive), -1 otherwise.
int IsCursorOnTaskbar();

// Size and drawing of the owner-drawn window items, at the DPI of the monitor
// the menu opens on: at 96 DPI a 16 x 16 icon, the title 19 pixels from the
// item's left edge, items 18 high. Titles are read and drawn as Unicode.
void MeasureMenuItem(HWND proxy, MEASUREITEMSTRUCT* item);
void DrawMenuItem(HWND proxy, const DRAWITEMSTRUCT* item);

// Opens the system menu of the group member whose window handle has identifier
// id (all bits when exact is 1, the low 16 bits otherwise) at the cursor,
// after ending the group menu. Returns 1 when a member was found.
int OpenMemberSystemMenu(HWND proxy, UINT id, int exact);

// The menu messages of the proxy window procedure; each returns the result
// the procedure gives back.
LRESULT OnProxyActivate(HWND proxy, WPARAM wParam);
LRESULT OnProxyMeasureItem(HWND proxy, LPARAM lParam);
LRESULT OnProxyDrawItem(HWND proxy, LPARAM lParam);
LRESULT OnProxyEnterMenuLoop(HWND proxy);
LRESULT OnProxyMenuSelect(HWND proxy, WPARAM wParam);
LRESULT OnProxyRButtonUp(HWND proxy);
LRESULT OnProxyMenuRButtonUp(HWND proxy, WPARAM wParam, LPARAM lParam);
LRESULT OnProxyDpiChanged(HWND proxy);

// WM_DPICHANGED (Windows 8.1 and later): the DPI of a window's monitor changed.
constexpr UINT DpiChangedMessage = 0x02E0;
