// Windows that retitle themselves without pause ("spin R on"). The UI
// thread's loop gives each spinning window a new title whenever its queue is
// empty, so that every message (sent, posted, input, paint, timer) is still
// handled between two titles and the windows never look hung, while each
// title is a WM_SETTEXT that every hook on the system sees.
#include "tools/testapp/testapp.h"

#include <vector>

namespace testapp {
namespace {

struct Spinner {
    HWND hwnd;
    std::string title; // the title before it started, given back when it stops
    unsigned count;
};
std::vector<Spinner> Spinners;

Spinner* Find(HWND hwnd) {
    for (Spinner& s : Spinners)
        if (s.hwnd == hwnd) return &s;
    return nullptr;
}

} // namespace

void StartSpin(HWND hwnd) {
    if (Find(hwnd)) return;
    char title[512];
    int n = GetWindowTextA(hwnd, title, sizeof title);
    Spinners.push_back({hwnd, std::string(title, n > 0 ? n : 0), 0});
    // The loop may be waiting in GetMessage, which handles this command's
    // sent message and goes on waiting: a posted message brings it back.
    PostMessageA(hwnd, WM_NULL, 0, 0);
}

void StopSpin(HWND hwnd) {
    for (auto it = Spinners.begin(); it != Spinners.end(); ++it) {
        if (it->hwnd != hwnd) continue;
        std::string title = it->title;
        Spinners.erase(it);
        if (IsWindow(hwnd)) SetWindowTextA(hwnd, title.c_str());
        return;
    }
}

bool AnyWindowSpins() {
    return !Spinners.empty();
}

void SpinTitles() {
    // A window may be destroyed by a message handled between two rounds.
    for (size_t i = 0; i < Spinners.size();) {
        Spinner& s = Spinners[i];
        if (!IsWindow(s.hwnd)) {
            Spinners.erase(Spinners.begin() + i);
            continue;
        }
        std::string title = s.title + " " + std::to_string(++s.count);
        SetWindowTextA(s.hwnd, title.c_str());
        ++i;
    }
}

} // namespace testapp
