// Index arithmetic of the shared event ring and the small decisions of the
// taskbar subclass that need no Windows API, so that they are tested natively.
// The program uses the class names too, to look at the shell before it asks for
// a subclass.
#pragma once

#include <stdint.h>
#include <string.h>

constexpr int RingSize = 100;             // records in the shared event ring
constexpr int ProxyListSize = 100;        // proxy window handles the shared list holds
constexpr uint32_t CountIntervalMs = 100; // a tab-control count is forwarded at most this often

// The codes the library records into the ring, as numbers, so that code
// without the Windows API reads the very list the library uses: the window
// messages of the hook procedures and the tab-control messages of the taskbar
// subclass. The library ties each to its WM_ or TCM_ name.
constexpr uint32_t RecordedWindowMessages[] = {
    0x0001, // WM_CREATE
    0x0002, // WM_DESTROY
    0x0006, // WM_ACTIVATE
    0x000C, // WM_SETTEXT
    0x0018, // WM_SHOWWINDOW
    0x007D, // WM_STYLECHANGED
    0x0086, // WM_NCACTIVATE
    0x0110, // WM_INITDIALOG
};
constexpr uint32_t RecordedTabMessages[] = {
    0x1304, // TCM_GETITEMCOUNT
    0x1307, // TCM_INSERTITEMA
    0x1308, // TCM_DELETEITEM
    0x133E, // TCM_INSERTITEMW
};

template <int N> constexpr bool IsListedCode(const uint32_t (&list)[N], uint32_t code) {
    for (uint32_t listed : list)
        if (listed == code) return true;
    return false;
}
constexpr bool IsRecordedWindowMessage(uint32_t code) {
    return IsListedCode(RecordedWindowMessages, code);
}
constexpr bool IsRecordedTabMessage(uint32_t code) {
    return IsListedCode(RecordedTabMessages, code);
}

// The ring slot after `index`; an index out of range (a damaged shared area)
// restarts at slot 0 instead of leading a writer out of the ring.
constexpr int NextRingIndex(int index) {
    return index >= 0 && index < RingSize - 1 ? index + 1 : 0;
}

// `index` itself when it is a valid slot, else slot 0.
constexpr int RingSlot(int index) {
    return index >= 0 && index < RingSize ? index : 0;
}

// How many entries wait for the reader, from the difference of the write and
// read indices (NewMessage): a negative one has wrapped past the ring's end.
// Indices that fit no ring (a damaged or forged shared area) count as a full
// ring: a drain then reads no more than one ring's worth, and reading moves
// the read index back into the ring.
constexpr int WaitingEntries(int difference) {
    int n = difference < 0 ? difference + RingSize : difference;
    return difference == 0 ? 0 : n > 0 && n <= RingSize ? n : RingSize;
}

// Whether a tab-control count at `now` is forwarded when the last forwarded one
// was at `last` (both timeGetTime values). Elapsed time is the unsigned 32-bit
// difference, so the throttle keeps working across the 49.7-day wrap.
constexpr bool CountIsDue(uint32_t now, uint32_t last) {
    return static_cast<uint32_t>(now - last) > CountIntervalMs;
}

// The shell's tray window, which holds the task-switch window somewhere below it.
constexpr char TrayClassName[] = "Shell_TrayWnd";

// Whether a window class name is the task-switch window's: an exact,
// case-sensitive match of the whole name.
inline bool IsTaskSwitchClassName(const char* name) {
    return strcmp(name, "MSTaskSwWClass") == 0;
}

// Whether a window class name is the tab control's that holds the buttons in
// the task-switch window up to Windows 2000 (later shells hold a toolbar or a
// task list there, which is never subclassed): an exact, case-sensitive match.
inline bool IsTabControlClassName(const char* name) {
    return strcmp(name, "SysTabControl32") == 0;
}
