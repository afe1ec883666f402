// The taskbar subclass: inside the shell's process the hook replaces the window
// procedure of the taskbar's tab control ("Shell_TrayWnd" -> "MSTaskSwWClass" ->
// its first child, a "SysTabControl32" up to Windows 2000) so that the shell's
// button inserts, deletes and counts are recorded in the ring before the control
// handles them.
#include "hook/ravik_internal.h"

#include <stddef.h>

constexpr int ClassNameSize = 1024;

static_assert(offsetof(TCITEMA, lParam) == offsetof(TCITEMW, lParam),
              "both item layouts keep the application value at the same place");

// Per process, meaningful only in the shell's: the procedure this process's
// subclass replaced. It equals savedTabProc while the subclass is in place; the
// subclass passes messages on from this private copy, so that no value another
// process wrote into the shared area is ever called here.
static WNDPROC OriginalTabProc;

LRESULT CALLBACK TaskbarSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

static bool IsUsableProc(WNDPROC proc) {
    return proc && proc != TaskbarSubclassProc;
}

static WNDPROC ClassProc(HWND hwnd) {
    return reinterpret_cast<WNDPROC>(GetClassLongPtrA(hwnd, GCLP_WNDPROC));
}

// The procedure the control's messages go on to: the class's (ClassAddress
// option) or the former one. Never this procedure itself nor null, which would
// recurse or crash inside the shell.
static WNDPROC NextTabProc(HWND hwnd) {
    WNDPROC next = LoadShared(SharedArea.classAddressFlag) ? ClassProc(hwnd) : OriginalTabProc;
    if (IsUsableProc(next)) return next;
    if (IsUsableProc(OriginalTabProc)) return OriginalTabProc;
    next = ClassProc(hwnd);
    return IsUsableProc(next) ? next : DefWindowProcA;
}

// Keeps the library mapped in the shell for the rest of the shell's life. A
// frame of TaskbarSubclassProc can still be on the shell's stack after the
// restore (a nested message), and a hook owner that dies removes its hooks
// without restoring the control: unmapping would then crash the shell. One more
// load of the library's own file is a reference that nothing gives back (this
// works on Windows 2000, which has no way to pin a module).
static bool PinLibrary() {
    static bool pinned; // per process: one reference is enough
    if (pinned) return true;
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(DllInstance, path, sizeof path);
    if (n == 0 || n >= sizeof path) return false;
    pinned = LoadLibraryA(path) != nullptr;
    return pinned;
}

// Called with the ring mutex held, on the thread that owns the control.
static void SubclassTabControl(HWND tab) {
    WNDPROC current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(tab, GWLP_WNDPROC));
    if (current == TaskbarSubclassProc) {
        // Subclassed already: once is all, or the control would call itself.
        if (OriginalTabProc) StoreShared(SharedArea.savedTabProc, OriginalTabProc);
        return;
    }
    if (!current) return;
    OriginalTabProc = current;
    StoreShared(SharedArea.savedTabProc, current);
    if (!SetWindowLongPtrA(tab, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TaskbarSubclassProc)))
        StoreShared(SharedArea.savedTabProc, static_cast<WNDPROC>(nullptr));
}

static bool HasClass(HWND hwnd, bool (*matches)(const char*)) {
    char name[ClassNameSize];
    return hwnd && GetClassNameA(hwnd, name, sizeof name) && matches(name);
}

// The enumeration procedure: the first "MSTaskSwWClass" under the tray window
// ends the search.
static BOOL CALLBACK FindTaskSwitch(HWND hwnd, LPARAM found) {
    if (!HasClass(hwnd, IsTaskSwitchClassName)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

HWND ShellTabControl() {
    HWND tray = FindWindowA(TrayClassName, nullptr);
    HWND taskSwitch = nullptr;
    if (tray) EnumChildWindows(tray, FindTaskSwitch, reinterpret_cast<LPARAM>(&taskSwitch));
    // Only a tab control: the toolbar or task list of later shells would never
    // send the messages the subclass records.
    HWND tab = taskSwitch ? GetWindow(taskSwitch, GW_CHILD) : nullptr;
    return HasClass(tab, IsTabControlClassName) ? tab : nullptr;
}

void RunSubclassTrigger(HWND hwnd) {
    HWND tray = FindWindowA(TrayClassName, nullptr);
    if (!tray || hwnd != tray) return;
    HWND tab = ShellTabControl();
    if (!tab) return;
    StoreShared(SharedArea.tabCtrl, tab);
    if (!PinLibrary()) return; // before the lock: it takes the loader's lock
    RingLock lock;
    if (lock.Owned()) SubclassTabControl(tab);
}

void UndoSubclass() {
    // The shell's own tab control, found again: tabCtrl in the shared area may
    // name any window by now. The control should run its own procedure again
    // before the hook that mapped us there goes away; a shell that does not
    // answer in time keeps the subclass, which stays safe there (the library
    // is pinned) and is undone when the shell handles the message or by the
    // next run.
    HWND tab = ShellTabControl();
    if (tab) SendBounded(tab, UnsubclassMessage, 0, 0, ShellReplyTimeoutMs);
    // A control that no longer exists took its subclass with it.
    if (!tab || !IsWindow(tab)) StoreShared(SharedArea.savedTabProc, static_cast<WNDPROC>(nullptr));
}

static LRESULT RestoreTabProc(HWND hwnd, WNDPROC next) {
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
    StoreShared(SharedArea.savedTabProc, static_cast<WNDPROC>(nullptr));
    return 1;
}

static void OnGetItemCount(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    DWORD now = timeGetTime();
    if (!CountIsDue(now, LoadShared(SharedArea.lastCountTime))) return;
    // Before the wait: a count dropped for a time-out still starts an interval.
    StoreShared(SharedArea.lastCountTime, now);
    RecordMessage(hwnd, TCM_GETITEMCOUNT, wParam, lParam);
}

static void OnInsertItem(UINT message, WPARAM wParam, LPARAM lParam) {
    // The item's application value: the window the shell made the button for.
    const TCITEMA* item = reinterpret_cast<const TCITEMA*>(lParam);
    LPARAM window = item ? item->lParam : 0;
    RecordEntry(static_cast<uint32_t>(window), message, static_cast<uint32_t>(wParam),
                static_cast<uint32_t>(lParam));
}

LRESULT CALLBACK TaskbarSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC next = NextTabProc(hwnd);
    switch (message) {
    case UnsubclassMessage:
        return RestoreTabProc(hwnd, next); // not passed on, not recorded
    case TCM_GETITEMCOUNT:
        OnGetItemCount(hwnd, wParam, lParam);
        break;
    case TCM_DELETEITEM:
        RecordMessage(hwnd, message, wParam, lParam);
        break;
    case TCM_INSERTITEMA:
    case TCM_INSERTITEMW:
        OnInsertItem(message, wParam, lParam);
        break;
    default:
        break;
    }
    return CallWindowProcA(next, hwnd, message, wParam, lParam);
}
static_assert(sizeof RecordedTabMessages / sizeof RecordedTabMessages[0] == 4 &&
                  IsRecordedTabMessage(TCM_GETITEMCOUNT) && IsRecordedTabMessage(TCM_DELETEITEM) &&
                  IsRecordedTabMessage(TCM_INSERTITEMA) && IsRecordedTabMessage(TCM_INSERTITEMW),
              "the subclass records exactly the four codes of its switch");

// A subclass made earlier (by this run's hook, before SetSubClass) whose
// control still exists.
static bool SubclassInPlace() {
    return LoadShared(SharedArea.savedTabProc) && IsWindow(LoadShared(SharedArea.tabCtrl));
}

// Replaces the WH_CALLWNDPROC hook by a WH_GETMESSAGE hook. The new hook goes
// in first, so that some hook of ours keeps the library mapped in the shell all
// along; when either step fails the old hook stays in force.
static int SwapToGetMsgHook() {
    if (!OwnHook) return 0; // no hook of this program's to swap
    HHOOK next = SetWindowsHookExA(WH_GETMESSAGE, GetMsgHook, DllInstance, 0);
    if (!next) return 0;
    HHOOK old = OwnHook;
    TakeHook(next);
    if (!UnhookWindowsHookEx(old)) {
        TakeHook(old);
        UnhookWindowsHookEx(next);
        return 0;
    }
    return 1;
}

int __cdecl SetSubClass(int load) {
    // A stale value (its control is gone) is forgotten; a subclass in place is
    // kept, never made a second time.
    if (!SubclassInPlace()) StoreShared(SharedArea.savedTabProc, static_cast<WNDPROC>(nullptr));
    HWND tray = FindWindowA(TrayClassName, nullptr);
    // The hook subclasses the control while the shell's thread handles this
    // message. A shell that does not answer in time gives no subclass.
    if (tray) SendBounded(tray, WM_NULL, 0, 0, ShellReplyTimeoutMs);
    if (!LoadShared(SharedArea.savedTabProc)) return 0;
    if (load) return SwapToGetMsgHook();
    return OwnHook != nullptr;
}
