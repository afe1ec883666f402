// The system's window events that pelmora hears beside the hook, free of the
// Windows API: which events, the ranges it subscribes to, and the small queue
// in which the event callback leaves them for the drain
// (engine/win_events.cpp subscribes and fills it, engine/dispatch.cpp drains it).
#pragma once

#include <stdint.h>

// The events, each the value of the system's EVENT_ constant (tied to it in
// engine/win_events.cpp), and the shell's report that a window flashes.
enum WindowEventCode : uint32_t {
    EventForeground = 0x0003,    // EVENT_SYSTEM_FOREGROUND
    EventMinimizeStart = 0x0016, // EVENT_SYSTEM_MINIMIZESTART
    EventMinimizeEnd = 0x0017,   // EVENT_SYSTEM_MINIMIZEEND
    EventCreate = 0x8000,        // EVENT_OBJECT_CREATE
    EventDestroy = 0x8001,       // EVENT_OBJECT_DESTROY
    EventShow = 0x8002,          // EVENT_OBJECT_SHOW
    EventHide = 0x8003,          // EVENT_OBJECT_HIDE
    EventNameChange = 0x800C,    // EVENT_OBJECT_NAMECHANGE
    EventParentChange = 0x800F,  // EVENT_OBJECT_PARENTCHANGE, queued for the new parent
    EventCloaked = 0x8017,       // EVENT_OBJECT_CLOAKED, Windows 8 and later
    EventUncloaked = 0x8018,     // EVENT_OBJECT_UNCLOAKED
    // Not system events (those end at 0x7FFFFFFF): HSHELL_FLASH from the
    // shell hook window, which shares the queue, and events lost while the
    // queue was full.
    EventShellFlash = 0x80008006,
    EventsLost = 0x80000000,
};

// One subscription each: every event of a range reaches the callback, so the
// ranges hold nothing else (above all not EVENT_OBJECT_LOCATIONCHANGE, 0x800B,
// raised for every move of the mouse pointer).
struct WindowEventRange {
    uint32_t first, last;
    bool windows8; // only where the system has the events (Windows 8 and later)
};
constexpr WindowEventRange WindowEventRanges[] = {
    {EventForeground, EventForeground, false},
    {EventMinimizeStart, EventMinimizeEnd, false},
    {EventCreate, EventHide, false},
    {EventNameChange, EventNameChange, false},
    {EventParentChange, EventParentChange, false},
    {EventCloaked, EventUncloaked, true},
};

struct WindowEvent {
    uint32_t event;
    uintptr_t hwnd;
};

// The events waiting for the drain, oldest first. The callback runs whenever
// the program's thread looks at its message queue, also inside a pass or a
// modal loop, and only adds here; a drain takes every waiting event at once.
// Every event is only a reason to look at its window as it is when the drain
// runs, so one that is already waiting for the same window (and no drain has
// taken yet) is not added twice: a title that changes without pause costs one
// slot. When the queue is full, events are lost and the drain is told to look
// at every window instead.
class WindowEventQueue {
  public:
    static constexpr int Capacity = 128;
    void Push(uint32_t event, uintptr_t hwnd);
    int TakeAll(WindowEvent (&out)[Capacity]); // how many, oldest first
    int Count() const { return count_; }
    bool TakeLost(); // true once after events were lost

  private:
    WindowEvent events_[Capacity] = {};
    int count_ = 0;
    bool lost_ = false;
};
