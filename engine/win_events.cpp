// The system's window events and the shell's hook messages, turned into the
// queue that the drain empties.
#include "engine/win_events.h"

#include "core/classify.h"
#include "core/errorlog.h"
#include "core/model.h"
#include "core/scoped.h"

// Each event code is the system's constant of the same name. The headers
// define EVENT_OBJECT_CLOAKED (0x8017) and EVENT_OBJECT_UNCLOAKED (0x8018) only
// for programs that require Windows 8; pelmora looks for the system instead.
static_assert(EventForeground == EVENT_SYSTEM_FOREGROUND &&
                  EventMinimizeStart == EVENT_SYSTEM_MINIMIZESTART &&
                  EventMinimizeEnd == EVENT_SYSTEM_MINIMIZEEND &&
                  EventCreate == EVENT_OBJECT_CREATE && EventDestroy == EVENT_OBJECT_DESTROY &&
                  EventShow == EVENT_OBJECT_SHOW && EventHide == EVENT_OBJECT_HIDE &&
                  EventNameChange == EVENT_OBJECT_NAMECHANGE &&
                  EventParentChange == EVENT_OBJECT_PARENTCHANGE,
              "system window events");

namespace {

constexpr char NoWindowEventsText[] =
    "システムのウィンドウイベントを受け取れないため、フックだけで動作します\n";

using SetWinEventHookFn = HWINEVENTHOOK(WINAPI*)(DWORD, DWORD, HMODULE, WINEVENTPROC, DWORD, DWORD,
                                                 DWORD);
using UnhookWinEventFn = BOOL(WINAPI*)(HWINEVENTHOOK);
using ShellHookWindowFn = BOOL(WINAPI*)(HWND);

WindowEventQueue Events;   // filled by the callback and the shell hook window, emptied by the drain
UINT ShellHookMessage = 0; // the registered message "SHELLHOOK"

// Runs on the program's thread whenever it looks at its message queue, inside
// a pass or a modal loop too: it decides on the ids, asks questions that send
// nothing to any window, and copies two values.
void CALLBACK OnWindowEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD,
                            DWORD) {
    if (object != OBJID_WINDOW || child != CHILDID_SELF || !hwnd) return;
    // A window that moved into another is news of that window (a Store app's
    // window that arrives in its frame): the parent is queued.
    if (event == EVENT_OBJECT_PARENTCHANGE && !(hwnd = GetAncestor(hwnd, GA_PARENT))) return;
    // Top-level windows only. A destroyed window has no parent left to ask:
    // it is kept when it is a member (the index reads the same at every point
    // where this thread may look at its queue), else the destroyed children
    // of a closing program could fill the queue.
    bool topLevel = GetAncestor(hwnd, GA_PARENT) == GetDesktopWindow();
    bool goneMember = event == EVENT_OBJECT_DESTROY && !IsWindow(hwnd) && LookupGroup(hwnd);
    if (!topLevel && !goneMember) return;
    Events.Push(event, reinterpret_cast<uintptr_t>(hwnd));
}

HMODULE User32() {
    return GetModuleHandleA("user32.dll");
}

} // namespace

// One subscription per range, so that nothing between the events reaches the
// callback. Out of context: the system queues the events to this thread, so
// they come from every process of the desktop, whichever its bitness or
// integrity, and no library of ours is loaded anywhere for them. The
// program's own windows are its own business (WINEVENT_SKIPOWNPROCESS).
WindowEventSource::WindowEventSource(HWND shellWindow) {
    ShellHookMessage = RegisterWindowMessageA("SHELLHOOK");
    auto registerShell = ProcAs<ShellHookWindowFn>(User32(), "RegisterShellHookWindow");
    if (registerShell && shellWindow && registerShell(shellWindow)) shellWindow_ = shellWindow;

    auto subscribe = ProcAs<SetWinEventHookFn>(User32(), "SetWinEventHook");
    if (!subscribe) {
        ErrorLog(NoWindowEventsText);
        return;
    }
    bool windows8 = Windows8OrLater();
    int i = 0;
    for (const WindowEventRange& r : WindowEventRanges) {
        HWINEVENTHOOK& hook = hooks_[i++];
        if (r.windows8 && !windows8) continue;
        hook = subscribe(r.first, r.last, nullptr, OnWindowEvent, 0, 0,
                         WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
        if (hook) continue;
        // All or nothing, so that a run hears either every event or the hook alone.
        ErrorLogWithLastError(NoWindowEventsText);
        Stop();
        return;
    }
}

WindowEventSource::~WindowEventSource() {
    Stop();
}

void WindowEventSource::Stop() {
    auto unhook = ProcAs<UnhookWinEventFn>(User32(), "UnhookWinEvent");
    for (HWINEVENTHOOK& hook : hooks_) {
        if (hook && unhook) unhook(hook);
        hook = nullptr;
    }
    auto deregister = ProcAs<ShellHookWindowFn>(User32(), "DeregisterShellHookWindow");
    if (shellWindow_ && deregister && IsWindow(shellWindow_)) deregister(shellWindow_);
    shellWindow_ = nullptr;
}

// Anyone may send the message; what it says is only a reason to look at a
// window, and a window that is no member makes no proxy flash.
bool TakeShellHookMessage(UINT message, WPARAM code, LPARAM window) {
    if (ShellHookMessage == 0 || message != ShellHookMessage) return false;
    if (code == HSHELL_FLASH) Events.Push(EventShellFlash, static_cast<uintptr_t>(window));
    return true;
}

void CollectWindowEvents() {
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

int WindowEventsWaiting() {
    return Events.Count();
}

int TakeWindowEvents(WindowEvent (&out)[WindowEventQueue::Capacity]) {
    return Events.TakeAll(out);
}

bool TakeLostWindowEvents() {
    return Events.TakeLost();
}
