// The hook procedures and the recording step they share with the taskbar
// subclass. They run in every GUI process for every message the hook sees:
// decide on the message code, copy 16 bytes, signal, pass on.
#include "hook/ravik_internal.h"

void RecordEntry(uint32_t hwnd, uint32_t message, uint32_t wParam, uint32_t lParam) {
    RingLock lock;
    if (!lock.Owned()) return; // dropped: no application waits longer on us
    // Only writers move writeIndex, and only under the lock.
    int slot = RingSlot(__atomic_load_n(&SharedArea.writeIndex, __ATOMIC_RELAXED));
    SharedArea.ring[slot] = WndMes{hwnd, message, wParam, lParam};
    // The slot is complete before the index that publishes it moves.
    StoreShared(SharedArea.writeIndex, static_cast<LONG>(NextRingIndex(slot)));
    SetEvent(RingEvent);
}

LRESULT CALLBACK CallWndProcHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (SubclassWanted()) RunSubclassTrigger(m->hwnd);
        if (IsRecordedCode(m->message)) RecordMessage(m->hwnd, m->message, m->wParam, m->lParam);
    }
    return CallNextHookEx(LoadShared(SharedArea.hook), code, wParam, lParam);
}

LRESULT CALLBACK GetMsgHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const MSG* m = reinterpret_cast<const MSG*>(lParam);
        if (IsRecordedCode(m->message)) RecordMessage(m->hwnd, m->message, m->wParam, m->lParam);
    }
    return CallNextHookEx(LoadShared(SharedArea.hook), code, wParam, lParam);
}
