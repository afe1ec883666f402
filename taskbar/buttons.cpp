#include "taskbar/buttons.h"

#include "hook/pure/ring.h"
#include "hook/window_calls.h"
#include "taskbar/state.h"
#include "taskbar/taken_buttons.h"
#include "taskbar/visibility.h"

namespace {

LONG TakingStopped = 0; // set by another thread when the program crashes
int BurstDepth = 0;     // bursts open on this thread
int ShellAnswer = -1;   // the answer asked for in the open burst: -1 none yet, 0 or 1

bool AskShell() {
    HWND tray = FindWindowA(TrayClassName, nullptr);
    if (!tray) return true;
    return SendBounded(tray, WM_NULL, 0, 0, ShellCheckTimeoutMs);
}

bool CanCall() {
    return TaskbarListObject && ShellAnswers();
}

// Whether buttons may be taken away now.
bool MayTake() {
    return !InterlockedCompareExchange(&TakingStopped, 0, 0) && CanCall();
}

} // namespace

bool ShellAnswers() {
    if (BurstDepth > 0 && ShellAnswer >= 0) return ShellAnswer != 0;
    bool answers = AskShell();
    if (BurstDepth > 0) ShellAnswer = answers ? 1 : 0;
    return answers;
}

TaskbarBurst::TaskbarBurst() {
    if (BurstDepth++ == 0) ShellAnswer = -1;
}

TaskbarBurst::~TaskbarBurst() {
    if (--BurstDepth > 0) return;
    ShellAnswer = -1;
    SaveTakenButtons();
}

bool InTaskbarBurst() {
    return BurstDepth > 0;
}

bool PostedPastBurst(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return BurstDepth > 0 && PostMessageA(hwnd, message, wParam, lParam);
}

void AddTabIfVisible(HWND hwnd) {
    // Only a button this program took comes back: a window whose own program
    // removed its button must not gain one. A hidden window has no button to
    // give back now; it stays listed, and so its button comes back once it is
    // shown again (the mark its deleted button left stays until an AddTab).
    // A window shown on another virtual desktop has its button there.
    if (!IsButtonTaken(hwnd) || IsVisibleAnywhere(hwnd) != 1) return;
    // While the shell does not answer the window stays listed, so that a
    // later run gives its button back.
    if (CanCall() && SUCCEEDED(TaskbarListObject->AddTab(hwnd))) NoteButtonBack(hwnd);
}

void StopTakingButtons() {
    InterlockedExchange(&TakingStopped, 1);
}

void DeleteTabIfVisible(HWND hwnd) {
    if (IsVisible(hwnd) != 1 || !MayTake()) return;
    // Listed and written before the button goes, so that a run killed at any
    // moment leaves every button it took to the next run. A delete that fails
    // leaves it listed: giving a window back the button it has does no harm.
    // One that could not be listed (no memory) keeps its button: only a listed
    // button ever comes back.
    if (NoteButtonTaken(hwnd)) SaveTakenButtons();
    if (IsButtonTaken(hwnd)) TaskbarListObject->DeleteTab(hwnd);
}

void ShowMembers(WndMember* first) {
    for (WndMember* m = first; m; m = m->next)
        AddTabIfVisible(m->hwnd);
}

void HideMembers(WndMember* first) {
    // The whole group is listed with one write before its buttons go.
    if (!MayTake()) return;
    for (WndMember* m = first; m; m = m->next)
        if (IsVisible(m->hwnd) == 1) NoteButtonTaken(m->hwnd);
    SaveTakenButtons();
    // The proxy stands for the members the user sees here; one that no
    // longer counts (cloaked: left on another virtual desktop) gets back the
    // button this program took.
    for (WndMember* m = first; m; m = m->next) {
        if (IsVisible(m->hwnd) == 1)
            DeleteTabIfVisible(m->hwnd);
        else
            AddTabIfVisible(m->hwnd);
    }
}

void AddProxyTab(HWND proxy) {
    if (CanCall()) TaskbarListObject->AddTab(proxy);
}

void DeleteProxyTab(HWND proxy) {
    if (CanCall()) TaskbarListObject->DeleteTab(proxy);
}
