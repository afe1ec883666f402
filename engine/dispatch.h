// Turning the hook library's event ring and the system's window events into
// changes of the model.
#pragma once

#include <windows.h>

// Drains, under EventLock, the ring's entries and the queued system events
// that wait when it begins (at most one ring's worth and one queue's worth),
// so that the program's own windows get their turn while they stay busy.
// True when entries are left for the next call.
bool ProcessWndMessages();

// How long the wait loop may sleep before the settle pass is due (INFINITE
// when none is waiting), and the pass itself when it is due.
DWORD SettleWaitMs();
void RunSettlePassIfDue();
