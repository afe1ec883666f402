// Turning the hook library's event ring into changes of the model.
#pragma once

#include <windows.h>

// Drains the ring under EventLock, at most one ring's worth of entries, so
// that the program's own windows get their turn while the ring stays busy.
// True when entries are left for the next call.
bool ProcessWndMessages();

// How long the wait loop may sleep before the settle pass is due (INFINITE
// when none is waiting), and the pass itself when it is due.
DWORD SettleWaitMs();
void RunSettlePassIfDue();
