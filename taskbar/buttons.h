// Taskbar buttons through the taskbar-list object: ordinary windows' own
// buttons and the proxies' buttons. No call is made while the shell's taskbar
// does not answer.
#pragma once

#include <windows.h>

#include "core/model.h"

// Gives back the button this program took from the window (none else), once
// the window is shown on some virtual desktop.
void AddTabIfVisible(HWND hwnd);
// Takes the button of a window that counts as visible (taskbar/visibility.h).
void DeleteTabIfVisible(HWND hwnd);
void ShowMembers(WndMember* first); // AddTabIfVisible from first along the list
// DeleteTabIfVisible from first along the list; members that do not count get
// their buttons back (AddTabIfVisible).
void HideMembers(WndMember* first);

// A proxy's own button, added and deleted whatever its visibility: the proxy is
// hidden and would fail the test of the wrappers above.
void AddProxyTab(HWND proxy);
void DeleteProxyTab(HWND proxy);

// From now on no window's button is taken away (the program is crashing:
// whatever else still runs must not undo the buttons given back).
void StopTakingButtons();

// Whether the shell's taskbar window answers a short, bounded WM_NULL (yes
// when there is none: then no call can wait on it). Inside a burst it is
// asked once.
bool ShellAnswers();

// One burst of taskbar calls (a drain, a pass, a command, start-up, shutdown):
// the shell is asked once whether it answers, and the list of the buttons
// taken away is written once, when the outermost burst ends.
class TaskbarBurst {
  public:
    TaskbarBurst();
    ~TaskbarBurst();
    TaskbarBurst(const TaskbarBurst&) = delete;
    TaskbarBurst& operator=(const TaskbarBurst&) = delete;
};

// Whether a burst is open on this thread: a drain, a pass or a command runs
// further down the stack, and what the thread handles now is a message that
// another thread sent while the burst waited (AddTab and DeleteTab are sends
// to the shell, and the thread takes sent messages while it waits).
bool InTaskbarBurst();
// For a message whose handling opens a box or a menu or runs passes: while a
// burst is open it is posted to the window again, to be handled once the burst
// has ended (true then). Handled at once, its box would hold the pass half-way
// and its passes would change the model under it.
bool PostedPastBurst(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
