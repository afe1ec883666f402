// Window classification and group matching: which windows take part, what they
// are, and which group they join.
#pragma once

#include <windows.h>

#include "core/model.h"

// Whether a byte begins a two-byte character in the system's ANSI code page.
bool IsSystemLeadByte(unsigned char c);

int IsTaskbarCandidate(HWND hwnd); // 1 when the window may be grouped
bool Windows8OrLater();            // windows can be cloaked (and say so in events)
HICON GetWndIcon(HWND hwnd);       // small answer, small class icon, big answer, big class icon
// GetWndIcon for a window about to be registered after the start-up scan: null
// when the window answered with no icon; the system's application icon when it
// could not be asked at all (both questions refused, not timed out).
HICON GetNewWndIcon(HWND hwnd);
int GetProcessImagePath(HWND hwnd, char* buffer, int size); // 1 with the path, else 0
// The ways GetProcessImagePath takes, chosen by the platform (NT: the
// system's name of the process from Vista on, else PSAPI; 9x: Toolhelp, whose
// entries hold full paths there). 1 with the path, else 0.
int ProcessImagePathByQuery(DWORD processId, char* buffer, int size);
int ProcessImagePathByPsapi(DWORD processId, char* buffer, int size);
int ProcessImagePathByToolhelp(DWORD processId, char* buffer, int size);
char* MakeDisplayName(const char* path); // new block owned by the caller, or null
GroupRule* FindRule(const char* path, const char* className);
WndGroup* FindGroupFor(const char* path, const char* className); // null: found a new group
