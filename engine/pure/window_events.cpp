#include "engine/pure/window_events.h"

void WindowEventQueue::Push(uint32_t event, uintptr_t hwnd) {
    for (int i = 0; i < count_; ++i) {
        const WindowEvent& e = events_[(first_ + i) % Capacity];
        if (e.event == event && e.hwnd == hwnd) return;
    }
    if (count_ == Capacity) {
        lost_ = true;
        return;
    }
    events_[(first_ + count_) % Capacity] = WindowEvent{event, hwnd};
    ++count_;
}

bool WindowEventQueue::Pop(WindowEvent* out) {
    if (count_ == 0) return false;
    *out = events_[first_];
    first_ = (first_ + 1) % Capacity;
    --count_;
    return true;
}

bool WindowEventQueue::TakeLost() {
    bool lost = lost_;
    lost_ = false;
    return lost;
}
