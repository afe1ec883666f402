// The group menu's commands: the batch commands over a group's visible
// windows and the window item that brings one window forward.
#pragma once

#include <windows.h>

#include "core/model.h"

// Waits (bounded) until the window's thread has handled what was sent before.
// 1 when it answered; 0 when it is hung, gone or too slow.
int SyncWithWindow(HWND hwnd);

// Brings a window of another process to the foreground; the result of
// SetForegroundWindow. The foreground lock time-out is the same afterwards.
BOOL ForceForeground(HWND hwnd);

// Restores a minimised window, then a maximised one to its normal size. Call
// it right after the window answered SyncWithWindow. 0 when the window stopped
// answering: it is not to be called again in the same command.
int RestoreForArrange(HWND hwnd);

// Activates a window that was just moved; 0 when it did not answer.
int ActivateAfterArrange(HWND hwnd);

// The batch commands, each over the group's visible members in list order.
void ShowAllMembers(WndGroup* group);     // restore or bring forward, clear flashing
void CloseAllMembers(WndGroup* group);    // ask to close
void MinimizeAllMembers(WndGroup* group); // minimise
void CascadeMembers(WndGroup* group);     // stack diagonally from the screen's origin
// Tiles the visible members over the work area; command is CmdTileTopBottom
// (few columns) or CmdTileLeftRight (many columns).
void TileWindows(WndGroup* group, UINT command);

// Brings the window of the chosen item forward when it belongs to the
// proxy's group; id is the item's identifier, the handle's 32 significant bits.
void ChooseWindowItem(HWND proxy, UINT id);

// WM_COMMAND at a proxy: the identifier is the whole of wParam. Returns 1 when
// the groups want a refresh pass at once (windows were asked to close), which
// is the caller's to run.
int RunProxyCommand(HWND proxy, WPARAM wParam);
