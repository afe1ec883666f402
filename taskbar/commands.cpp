#include "taskbar/commands.h"

#include "hook/window_calls.h"
#include "taskbar/group_menu.h"
#include "taskbar/pure/tiling.h"
#include "taskbar/state.h"
#include "taskbar/visibility.h"

int SyncWithWindow(HWND hwnd) {
    return SendBounded(hwnd, WM_NULL, 0, 0, WindowReplyTimeoutMs) ? 1 : 0;
}

BOOL ForceForeground(HWND hwnd) {
    DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    DWORD targetThread = GetWindowThreadProcessId(hwnd, nullptr);
    // Joined input lets this thread hand the foreground on.
    AttachThreadInput(targetThread, foregroundThread, TRUE);
    // With a lock time-out of 0 the system does not refuse the change. The
    // old value is only replaced when it could be read, so that it can be put
    // back; nothing below leaves before it is.
    DWORD savedTimeout = 0;
    BOOL haveTimeout = SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &savedTimeout, 0);
    if (haveTimeout) SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, (PVOID)0, 0);
    BOOL result = FALSE;
    // A window that does not answer is not called again.
    int answers = SyncWithWindow(hwnd);
    if (answers) {
        result = SetForegroundWindow(hwnd);
        answers = SyncWithWindow(hwnd);
    }
    if (haveTimeout) {
        SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, (PVOID)(UINT_PTR)savedTimeout, 0);
    }
    AttachThreadInput(targetThread, foregroundThread, FALSE);
    // Raising another thread's window waits for that thread: only right after
    // it answered.
    if (answers) BringWindowToTop(hwnd);
    return result;
}

// Showing another thread's window waits for that thread without a bound, so
// each show comes right after the window answered a bounded check (the
// caller's, then the one that follows each show).
int RestoreForArrange(HWND hwnd) {
    if (IsIconic(hwnd)) {
        ShowWindow(hwnd, SW_RESTORE);
        if (!SyncWithWindow(hwnd)) return 0;
    }
    if (IsZoomed(hwnd)) {
        ShowWindow(hwnd, SW_SHOWNORMAL);
        if (!SyncWithWindow(hwnd)) return 0;
    }
    return 1;
}

int ActivateAfterArrange(HWND hwnd) {
    if (!SyncWithWindow(hwnd)) return 0;
    SetForegroundWindow(hwnd);
    return SyncWithWindow(hwnd);
}

void ShowAllMembers(WndGroup* group) {
    for (WndMember* m = group->members; m; m = m->next) {
        if (IsVisible(m->hwnd) != 1) continue;
        if (!IsIconic(m->hwnd)) {
            SetForegroundWindow(m->hwnd);
            SyncWithWindow(m->hwnd);
        } else if (SyncWithWindow(m->hwnd)) {
            // Restoring waits for the window's thread: only one that answered.
            ShowWindow(m->hwnd, SW_RESTORE);
            SyncWithWindow(m->hwnd);
        }
        m->flashing = 0;
    }
}

void CloseAllMembers(WndGroup* group) {
    // Only a request: a window that asks whether to save may stay open, and
    // then stays in its group.
    for (WndMember* m = group->members; m; m = m->next) {
        if (IsVisible(m->hwnd) == 1) PostMessageA(m->hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
}

void MinimizeAllMembers(WndGroup* group) {
    for (WndMember* m = group->members; m; m = m->next) {
        if (IsVisible(m->hwnd) == 1)
            SendBounded(m->hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0, WindowReplyTimeoutMs);
    }
}

void CascadeMembers(WndGroup* group) {
    int step = GetSystemMetrics(SM_CYEDGE) + GetSystemMetrics(SM_CYCAPTION);
    int k = 0;
    for (WndMember* m = group->members; m; m = m->next) {
        if (IsVisible(m->hwnd) != 1) continue;
        // Moving another thread's window waits for it: each move comes right
        // after the window answered. A hung one keeps its place (and its slot
        // of the cascade stays free) and is not called again.
        if (SyncWithWindow(m->hwnd) && RestoreForArrange(m->hwnd)) {
            // From the screen's origin, not the work area's; sizes stay.
            int offset = CascadeOffset(k, step);
            SetWindowPos(m->hwnd, HWND_TOP, offset, offset, 0, 0, SWP_NOSIZE);
            ActivateAfterArrange(m->hwnd);
        }
        ++k;
    }
}

void TileWindows(WndGroup* group, UINT command) {
    TileLayout layout = MakeTileLayout(CountVisibleMembers(group), (int)command);
    if (layout.windows == 0) return;
    RECT work = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    TileArea area = {work.left, work.top, work.right, work.bottom};
    int k = 0;
    for (WndMember* m = group->members; m; m = m->next) {
        if (IsVisible(m->hwnd) != 1) continue;
        int column = 0, row = 0;
        // A window that became visible after the count has no cell: it is
        // left where it is rather than pushed past the last column.
        if (!TileCell(layout, k, &column, &row)) break;
        // A hung window keeps its place; its cell stays empty.
        if (SyncWithWindow(m->hwnd) && RestoreForArrange(m->hwnd)) {
            TilePlace place = TileCellPlace(area, layout, column, row);
            // Windows that cannot be resized are only moved.
            UINT flags = (GetWindowLongA(m->hwnd, GWL_STYLE) & WS_THICKFRAME) ? 0 : SWP_NOSIZE;
            SetWindowPos(m->hwnd, HWND_TOP, place.x, place.y, place.width, place.height, flags);
            ActivateAfterArrange(m->hwnd);
        }
        ++k;
    }
}

void ChooseWindowItem(HWND proxy, UINT id) {
    // Only a window of this proxy's group: an identifier that is anything
    // else (a stale or foreign handle) does nothing.
    TabWnd* tab = FindTabWnd(proxy);
    if (!tab || !tab->group) return;
    // The identifier holds the handle's 32 significant bits.
    HWND chosen = WidenWindowHandle(id);
    WndMember* member = nullptr;
    for (WndMember* m = tab->group->members; m; m = m->next) {
        if (m->hwnd == chosen) {
            member = m;
            break;
        }
    }
    if (!member) return;
    HWND window = member->hwnd;
    if (IsIconic(window)) {
        if (SyncWithWindow(window)) ShowWindow(window, SW_RESTORE);
    } else {
        ForceForeground(window);
    }
    member->flashing = 0;
    MenuSelection = 0;
}

int RunProxyCommand(HWND proxy, WPARAM wParam) {
    UINT id = (UINT)wParam;
    if (id < CmdShowAll || id > CmdLastBatch) {
        ChooseWindowItem(proxy, id);
        return 0;
    }
    TabWnd* tab = FindTabWnd(proxy);
    if (!tab || !tab->group) return 0;
    WndGroup* group = tab->group;
    switch (id) {
    case CmdShowAll:
        ShowAllMembers(group);
        break;
    case CmdCloseAll:
        CloseAllMembers(group);
        break;
    case CmdMinimizeAll:
        MinimizeAllMembers(group);
        break;
    case CmdCascade:
        CascadeMembers(group);
        break;
    default:
        TileWindows(group, id);
        break;
    }
    MenuSelection = 0;
    return id == CmdCloseAll;
}
