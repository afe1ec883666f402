// The second source of window events beside the hook library: the system's
// window events (WinEvents), which reach pelmora from every process on the
// desktop, also those the hook cannot enter (elevated, Store and other-bitness
// processes), and the shell's report of a flashing window. Both only leave the
// event in a small queue; the drain (engine/dispatch.cpp) carries it out with
// the ring's entries.
#pragma once

#include <windows.h>

#include "engine/pure/window_events.h"

// This thread hears the system's window events of top-level windows for as
// long as the guard lives (SetWinEventHook, out of context, looked up at run
// time), and `shellWindow` is the shell's hook window where the system has
// one (RegisterShellHookWindow). On a system without the events, or one that
// refuses them, the program runs on the hook alone; the log says so once.
class WindowEventSource {
  public:
    explicit WindowEventSource(HWND shellWindow);
    ~WindowEventSource();
    WindowEventSource(const WindowEventSource&) = delete;
    WindowEventSource& operator=(const WindowEventSource&) = delete;

  private:
    void Stop();
    HWINEVENTHOOK hooks_[sizeof WindowEventRanges / sizeof WindowEventRanges[0]] = {};
    HWND shellWindow_ = nullptr; // while it is registered
};

// For the shell hook window's procedure: true when `message` is the shell's
// hook message; a flash it reports joins the queue.
bool TakeShellHookMessage(UINT message, WPARAM code, LPARAM window);

// For the drain. The system hands events to the callback while this thread
// looks at its message queue; Collect looks once, so that the events of
// changes already made are in the queue before a drain begins.
void CollectWindowEvents();
int WindowEventsWaiting();
// Every waiting event, oldest first; how many. Events that come meanwhile wait
// for the next drain.
int TakeWindowEvents(WindowEvent (&out)[WindowEventQueue::Capacity]);
bool TakeLostWindowEvents(); // true once after the queue was full and events were lost
