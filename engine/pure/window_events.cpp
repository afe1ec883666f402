#include "engine/pure/window_events.h"

void WindowEventQueue::Push(uint32_t event, uintptr_t hwnd) {
    for (int i = 0; i < count_; ++i)
        if (events_[i].event == event && events_[i].hwnd == hwnd) return;
    if (count_ == Capacity) {
        lost_ = true;
        return;
    }
    events_[count_++] = WindowEvent{event, hwnd};
}

int WindowEventQueue::TakeAll(WindowEvent (&out)[Capacity]) {
    int n = count_;
    for (int i = 0; i < n; ++i)
        out[i] = events_[i];
    count_ = 0;
    return n;
}

bool WindowEventQueue::TakeLost() {
    bool lost = lost_;
    lost_ = false;
    return lost;
}
