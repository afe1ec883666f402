#include "taskbar/taken_buttons.h"

#include <stdlib.h>

#include "core/errorlog.h"
#include "core/model.h"
#include "core/scoped.h"
#include "core/settings.h"
#include "hook/window_calls.h"
#include "taskbar/buttons.h"
#include "taskbar/state.h"

namespace {

constexpr char SaveFailedText[] = "ボタンの一覧の保存に失敗しました\n";

struct TakenButton {
    DWORD window;  // the handle's 32 significant bits
    DWORD process; // the id of the process that owned the window
};

TakenButton* List = nullptr;
int Count = 0;
int Capacity = 0;
bool Changed = false;
bool SaveFailureLogged = false;

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

int Find(DWORD window) {
    for (int i = 0; i < Count; ++i)
        if (List[i].window == window) return i;
    return -1;
}

void RemoveAt(int i) {
    List[i] = List[--Count];
    Changed = true;
}

bool Append(TakenButton b) {
    if (Count == Capacity) {
        int grown = Capacity ? Capacity * 2 : 64;
        auto* bigger = static_cast<TakenButton*>(realloc(List, grown * sizeof(TakenButton)));
        if (!bigger) return false;
        List = bigger;
        Capacity = grown;
    }
    List[Count++] = b;
    Changed = true;
    return true;
}

bool FileName(char* name) {
    return FileBesideProgram(TakenButtonsFile, name) != 0;
}

} // namespace

void NoteButtonTaken(HWND hwnd) {
    TakenButton b = {HandleToUlong(hwnd), ProcessOf(hwnd)};
    int i = Find(b.window);
    if (i < 0) {
        Append(b); // without memory the button is still given back by this run
    } else if (List[i].process != b.process) {
        List[i].process = b.process;
        Changed = true;
    }
}

void NoteButtonBack(HWND hwnd) {
    int i = Find(HandleToUlong(hwnd));
    if (i >= 0) RemoveAt(i);
}

void LoadTakenButtons() {
    Count = 0;
    Changed = false;
    char name[TextBufferSize];
    if (!FileName(name)) return;
    ScopedHandle file(
        CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.valid()) return;
    TakenButton b;
    DWORD got = 0;
    // A record cut short (a write the end of the run interrupted) is left out.
    while (ReadFile(file.get(), &b, sizeof b, &got, nullptr) && got == sizeof b) {
        if (Find(b.window) < 0) Append(b);
    }
    Changed = false;
}

namespace {

bool StandsForIt(HWND hwnd) {
    const WndGroup* group = LookupGroup(hwnd);
    return group && group->tab;
}

void GiveBack(bool strayOnly) {
    TaskbarBurst burst;
    // From the end: a removal moves the last entry, already handled, into
    // the place of the one removed.
    for (int i = Count - 1; i >= 0; --i) {
        HWND hwnd = WidenWindowHandle(List[i].window);
        if (!IsWindow(hwnd) || ProcessOf(hwnd) != List[i].process) {
            RemoveAt(i);
            continue;
        }
        // AddTabIfVisible drops the window once its button is back, or when
        // it is hidden and has none.
        if (!strayOnly || !StandsForIt(hwnd)) AddTabIfVisible(hwnd);
    }
}

} // namespace

void GiveBackTakenButtons() {
    GiveBack(false);
}

void GiveBackStrayButtons() {
    GiveBack(true);
}

void SaveTakenButtons() {
    if (!Changed) return;
    char name[TextBufferSize];
    if (!FileName(name)) return;
    Changed = false;
    if (Count == 0) {
        DeleteFileA(name); // no file is an empty list
        return;
    }
    ScopedHandle file(CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD size = (DWORD)(Count * sizeof(TakenButton)), written = 0;
    bool saved =
        file.valid() && WriteFile(file.get(), List, size, &written, nullptr) && written == size;
    if (!saved && !SaveFailureLogged) { // once a run: it is tried again after every burst
        ErrorLogWithLastError(SaveFailedText);
        SaveFailureLogged = true;
    }
    if (!saved) Changed = true;
}
