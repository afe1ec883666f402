// One taskbar slot per proxy on Windows 7 and later: the taskbar there combines
// the buttons of windows with the same application id, and every proxy is a
// window of pelmora.exe. Each proxy therefore gets an id of its own group's.
#pragma once

#include <windows.h>

#include "core/model.h"

// Gives the proxy the application id of its group. Does nothing before
// Windows 7; a store that refuses is ignored (the proxy works without).
void SetProxyAppId(HWND proxy, const WndGroup* group);
// Takes the id off again; called before the proxy is destroyed.
void ClearProxyAppId(HWND proxy);
