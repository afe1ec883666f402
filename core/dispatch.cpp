// Turning the hook library's event ring into changes of the model: windows are
// registered and forgotten, the refresh passes run, and a grouped window that
// flashes its title bar is reported to its proxy.
#include "core/dispatch.h"

#include <windows.h>
#include <commctrl.h>

#include "core/globals.h"
#include "core/scan.h"
#include "hook/ravik.h"
#include "taskbar/proxy.h"

namespace {

// A window flashes its title bar by toggling its caption (WM_NCACTIVATE) and
// then setting its title; this many toggles before the title counts as a flash.
constexpr int FlashActivations = 2;

void OnActivate(HWND hwnd, WndMember* member) {
    if (member) member->ncActivateCount = 0;
    if (!SubClassInEffect) {
        // Without the taskbar subclass nothing reports new taskbar buttons, so
        // the foreground window is registered here.
        HWND foreground = GetForegroundWindow();
        if (foreground && foreground != hwnd) {
            AddWindow(foreground);
            RefreshGroupOf(foreground);
        }
        RefreshGroupOf(hwnd);
    }
    RefreshGroups();
}

void OnSetText(HWND hwnd, WndMember* member) {
    if (!member || member->ncActivateCount < FlashActivations) return;
    MarkFlashing(hwnd, TRUE);
    member->ncActivateCount = 0;
}

void OnShowWindow(HWND hwnd, WndMember* member) {
    if (member) {
        member->flashing = 0;
        member->ncActivateCount = 0;
    }
    if (!SubClassInEffect) RefreshGroupOf(hwnd);
}

void OnNcActivate(HWND hwnd, WndMember* member) {
    if (member) member->ncActivateCount++;
    if (!SubClassInEffect) RefreshGroupOf(hwnd);
}

void Dispatch(const WndMes& entry) {
    HWND hwnd = WndMesWindow(entry);
    WndMember* member = FindShownMember(hwnd);
    switch (entry.message) {
    case WM_CREATE:
    case WM_INITDIALOG:
        AddWindow(hwnd);
        break;
    case WM_DESTROY:
        RemoveWindow(hwnd);
        break;
    case WM_ACTIVATE:
        OnActivate(hwnd, member);
        break;
    case WM_SETTEXT:
        OnSetText(hwnd, member);
        break;
    case WM_SHOWWINDOW:
        OnShowWindow(hwnd, member);
        break;
    case WM_NCACTIVATE:
        OnNcActivate(hwnd, member);
        break;
    case TCM_GETITEMCOUNT:
        if (LoadInEffect) RefreshGroups();
        break;
    case TCM_INSERTITEMA:
    case TCM_INSERTITEMW:
        RescanWindows();
        RefreshGroups();
        break;
    case TCM_DELETEITEM:
        RefreshGroups();
        break;
    default:
        // WM_STYLECHANGED in practice: the window changed, so any run of
        // caption toggles is broken.
        if (member) member->ncActivateCount = 0;
        break;
    }
}

}  // namespace

void ProcessWndMessages() {
    EnterCriticalSection(&EventLock);
    while (NewMessage() != 0) {
        WndMes entry;
        GetWndMes(&entry);
        Dispatch(entry);
        IncRead();
    }
    LeaveCriticalSection(&EventLock);
}
