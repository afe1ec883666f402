// Which windows count: what the user sees of a window on the current virtual
// desktop decides the thresholds, the titles, the group menu and the commands,
// and which buttons are taken; a window shown on any desktop has a button
// there that can be given back. The list of taken buttons takes part, which is
// why these tests live in this layer.
#pragma once

#include <windows.h>

#include "core/model.h"

// The mark the shell leaves on a window whose button was deleted through the
// taskbar list, and takes off when a button is added for it again.
constexpr char DeletedTabMark[] = "ITaskList_Deleted";

// Counts as visible: shown (WS_VISIBLE), not cloaked (Windows 8 and later hide
// windows of other virtual desktops and suspended Store frames that way), and
// not a window whose own program removed its button.
int IsVisible(HWND hwnd);
// Shown on this or another virtual desktop (WS_VISIBLE alone): such a window
// has a taskbar button there, so a button taken from it can be given back.
int IsVisibleAnywhere(HWND hwnd);
bool IsCloaked(HWND hwnd); // the system's answer; no on a system without cloaking
// The window carries the mark of a deleted button that this program did not
// delete: its own program removed its button, and it takes no part in grouping.
bool RemovedByItsProgram(HWND hwnd);

int CountVisibleMembers(const WndGroup* group);
int IsGroupShown(const WndGroup* group); // the threshold test, 1 or 0
