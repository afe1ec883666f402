#include "taskbar/taken_buttons.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "core/classify.h"
#include "core/errorlog.h"
#include "core/model.h"
#include "core/scoped.h"
#include "core/settings.h"
#include "hook/window_calls.h"
#include "taskbar/buttons.h"
#include "taskbar/state.h"
#include "taskbar/visibility.h"

namespace {

constexpr char SaveFailedText[] = "ボタンの一覧の保存に失敗しました\n";
constexpr char TooLongText[] = "ボタンの一覧が長すぎるため、先頭の%d件だけを読みました\n";
// The new list is written here first and then put in the list's place.
constexpr char NewFileSuffix[] = ".new";
// No desktop has this many windows whose buttons a run took: a longer file is
// damaged or written by someone else, and only its beginning is read.
constexpr int MaxTakenButtons = 4096;

struct TakenButton {
    DWORD window;  // the handle's 32 significant bits
    DWORD process; // the id of the process that owned the window
};

// The list is kept in the order of the windows, each window once, so that a
// window is found in it at once: every count of a group's members asks.
bool ByWindow(const TakenButton& a, const TakenButton& b) {
    return a.window < b.window;
}
bool SameWindow(const TakenButton& a, const TakenButton& b) {
    return a.window == b.window;
}

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

// Where the window's record is, or would go; `found` says which.
int Position(DWORD window, bool* found) {
    const TakenButton* at = std::lower_bound(List, List + Count, TakenButton{window, 0}, ByWindow);
    int i = (int)(at - List);
    *found = i < Count && List[i].window == window;
    return i;
}

int Find(DWORD window) {
    bool found = false;
    int i = Position(window, &found);
    return found ? i : -1;
}

void RemoveAt(int i) {
    memmove(List + i, List + i + 1, (Count - i - 1) * sizeof(TakenButton));
    --Count;
    Changed = true;
}

bool Reserve(int needed) {
    if (needed <= Capacity) return true;
    int grown = Capacity ? Capacity : 64;
    while (grown < needed)
        grown *= 2;
    auto* bigger = static_cast<TakenButton*>(realloc(List, grown * sizeof(TakenButton)));
    if (!bigger) return false;
    List = bigger;
    Capacity = grown;
    return true;
}

bool InsertAt(int i, TakenButton b) {
    if (!Reserve(Count + 1)) return false;
    memmove(List + i + 1, List + i, (Count - i) * sizeof(TakenButton));
    List[i] = b;
    ++Count;
    Changed = true;
    return true;
}

bool FileName(char* name) {
    return FileBesideProgram(TakenButtonsFile, name) != 0;
}

bool NewFileName(char* name) {
    char file[sizeof TakenButtonsFile + sizeof NewFileSuffix];
    wsprintfA(file, "%s%s", TakenButtonsFile, NewFileSuffix);
    return FileBesideProgram(file, name) != 0;
}

// The file's records, at most MaxTakenButtons of them; only their bytes (and
// those of one record more, which tells that the file is longer) are read.
// A record cut short (a write the end of the run interrupted) is left out.
void ReadRecords(HANDLE file) {
    DWORD got = 0;
    if (!Reserve(MaxTakenButtons + 1) ||
        !ReadFile(file, List, (MaxTakenButtons + 1) * sizeof(TakenButton), &got, nullptr))
        return;
    Count = (int)(got / sizeof(TakenButton));
    if (Count <= MaxTakenButtons) return;
    Count = MaxTakenButtons;
    char entry[256];
    wsprintfA(entry, TooLongText, MaxTakenButtons);
    ErrorLog(entry);
}

// Writes the list beside the file; true when all of it was written.
bool WriteNewFile(const char* newName) {
    ScopedHandle file(CreateFileA(newName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD size = (DWORD)(Count * sizeof(TakenButton)), written = 0;
    return file.valid() && WriteFile(file.get(), List, size, &written, nullptr) && written == size;
}

} // namespace

bool NoteButtonTaken(HWND hwnd) {
    TakenButton b = {HandleToUlong(hwnd), ProcessOf(hwnd)};
    bool found = false;
    int i = Position(b.window, &found);
    // Without memory the window stays unlisted, and then keeps its button.
    if (!found) return InsertAt(i, b);
    if (List[i].process == b.process) return false;
    List[i].process = b.process;
    Changed = true;
    return true;
}

bool IsButtonTaken(HWND hwnd) {
    int i = Find(HandleToUlong(hwnd));
    // A record of another process names a window that is gone: the handle is
    // another window's now.
    return i >= 0 && List[i].process == ProcessOf(hwnd);
}

void NoteButtonBack(HWND hwnd) {
    int i = Find(HandleToUlong(hwnd));
    if (i >= 0) RemoveAt(i);
}

void LoadTakenButtons() {
    Count = 0;
    Changed = false;
    char name[TextBufferSize], newName[TextBufferSize];
    if (!FileName(name)) return;
    // A new list that a killed run had not put in place yet was never the list.
    if (NewFileName(newName)) DeleteFileA(newName);
    ScopedHandle file(
        CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.valid()) return;
    ReadRecords(file.get());
    // Each window once; the file is not trusted to hold no duplicates.
    std::stable_sort(List, List + Count, ByWindow);
    Count = (int)(std::unique(List, List + Count, SameWindow) - List);
}

namespace {

// A proxy stands for the members that count: not for one that is cloaked (on
// another virtual desktop, where it keeps its button).
bool StandsForIt(HWND hwnd) {
    const WndGroup* group = LookupGroup(hwnd);
    return group && group->tab && IsVisible(hwnd);
}

void GiveBack(bool strayOnly) {
    TaskbarBurst burst;
    // From the end: a removal moves only entries already handled.
    for (int i = Count - 1; i >= 0; --i) {
        HWND hwnd = WidenWindowHandle(List[i].window);
        if (!IsWindow(hwnd) || ProcessOf(hwnd) != List[i].process) {
            RemoveAt(i);
            continue;
        }
        // A window that is to have no button (a tool window, an owned or a
        // disabled one) gets none. It stays listed: a member that is disabled
        // for a while gets its button back once it is enabled again.
        if (!IsTaskbarCandidate(hwnd)) continue;
        // AddTabIfVisible drops the window once its button is back; a hidden
        // one stays listed until it is shown again.
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
    char name[TextBufferSize], newName[TextBufferSize];
    if (!FileName(name) || !NewFileName(newName)) return;
    Changed = false;
    // No file is an empty list. A new list is written beside the file and then
    // takes its place in one step, so that a run killed at any moment leaves
    // the old list or the new one, whole.
    bool saved =
        Count == 0 ? DeleteFileA(name) || GetLastError() == ERROR_FILE_NOT_FOUND
                   : WriteNewFile(newName) && MoveFileExA(newName, name, MOVEFILE_REPLACE_EXISTING);
    if (!saved && !SaveFailureLogged) { // once a run: it is tried again after every burst
        ErrorLogWithLastError(SaveFailedText);
        SaveFailureLogged = true;
    }
    if (!saved) Changed = true;
}
