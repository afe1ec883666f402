// Which application a window stands for, Store apps included: a Store app's
// frame belongs to ApplicationFrameHost.exe, and is grouped as the app inside it.
#pragma once

#include <windows.h>
#include <propsys.h>

// SHGetPropertyStoreForWindow (shell32, Windows 7 and later), looked up once;
// null before. The window's property store holds its application id.
using WindowStoreFn = HRESULT(WINAPI*)(HWND, REFIID, void**);
WindowStoreFn WindowPropertyStore();
extern const PROPERTYKEY AppUserModelIdKey; // PKEY_AppUserModel_ID
extern const IID PropertyStoreIid;          // IID_IPropertyStore

bool IsStoreFrame(HWND hwnd); // a top-level "ApplicationFrameWindow"
// The path that groups a window, in place of `path`, its process's executable
// (TextBufferSize bytes): that path itself for an ordinary window; for a Store
// frame the executable of the app whose window is inside it (kept once known:
// a minimised frame loses that window), else "shell:AppsFolder\ID" from the
// frame's application id. 0 when the window takes no part by its kind (an app
// window outside a frame, another window of the frames' host) or its app is
// not known (yet).
int ApplicationPath(HWND hwnd, const char* className, char* path);
int GetApplicationPath(HWND hwnd, char* path); // the process's path, then as above
void ForgetStoreFrame(HWND frame);             // the frame is gone: its app too
