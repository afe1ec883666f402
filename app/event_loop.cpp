// The program's one loop: the hook library's ring event and the message queue.
#include <windows.h>

#include "app/app.h"
#include "config/settings_dialog.h"
#include "core/errorlog.h"
#include "engine/dispatch.h"
#include "engine/win_events.h"
#include "hook/ravik.h"

namespace {

// QS_ALLINPUT as Windows 2000 defines it: keys, mouse moves and buttons, posted
// messages, timers, paint, sent messages and hot keys.
constexpr DWORD WakeMask = 0xFF;
constexpr char WaitFailedText[] = "イベントの待機に失敗しました\n";
constexpr unsigned WaitRetryDelayMax = 500;

// How long the loop pauses, in milliseconds, before its next wait after
// `failures` waits in a row have failed: nothing after the first, then a delay
// that doubles up to WaitRetryDelayMax, so that a wait that keeps failing never
// spins a processor.
unsigned WaitRetryDelay(unsigned failures) {
    if (failures <= 1) return 0;
    unsigned delay = 10;
    for (unsigned i = 2; i < failures && delay < WaitRetryDelayMax; ++i)
        delay *= 2;
    return delay < WaitRetryDelayMax ? delay : WaitRetryDelayMax;
}

// Takes every waiting message; returns 0 once WM_QUIT was taken, with its wParam.
int DispatchWaitingMessages(int* exitCode) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            *exitCode = (int)msg.wParam;
            return 0;
        }
        // Enter and Esc close the about box (its hidden OK and Cancel buttons).
        if (PreTranslateAboutBox(&msg)) continue;
        // Tab, Enter and Esc in the settings dialog.
        if (PreTranslateSettingsDialog(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 1;
}

} // namespace

int RunEventLoop(HANDLE ringEvent) {
    unsigned failures = 0;
    bool entriesLeft = false; // the last drain stopped with entries left
    for (;;) {
        // Entries left in the ring, and system events that the window event
        // callback queued while messages were taken, are drained without
        // waiting for a new signal; otherwise the wait ends when the settle
        // pass is due. A system event queued to this thread during the wait
        // ends it (under Wine it comes as a sent message, which the wake mask
        // holds) and reaches the callback when the queue is looked at.
        bool pending = entriesLeft || WindowEventsWaiting() > 0;
        DWORD timeout = pending ? 0 : SettleWaitMs();
        // MWMO_INPUTAVAILABLE: input that arrived while the ring was drained, and
        // was already seen by a call inside the drain, still wakes the wait.
        DWORD result =
            MsgWaitForMultipleObjectsEx(1, &ringEvent, timeout, WakeMask, MWMO_INPUTAVAILABLE);
        int exitCode = 0;
        // Whatever woke the wait, waiting entries go first: a stream of input
        // must not hold them back.
        if (result == WAIT_OBJECT_0 || pending) {
            failures = 0;
            entriesLeft = ProcessWndMessages();
            // The queue gets its turn after every drain: writers that keep
            // signalling the event would otherwise win every wait.
            if (!DispatchWaitingMessages(&exitCode)) return exitCode;
            continue;
        }
        if (result == WAIT_TIMEOUT) {
            RunSettlePassIfDue();
            continue;
        }
        if (result == WAIT_OBJECT_0 + 1) {
            failures = 0;
            if (!DispatchWaitingMessages(&exitCode)) return exitCode;
            continue;
        }
        if (result != WAIT_FAILED) continue;

        // A wait that fails (an unusable event handle, say) would fail again at
        // once and spin a processor. The first failure of a run is logged; the
        // event is opened afresh; until a wait succeeds again, the loop pauses
        // a growing while on the message queue alone and looks at the ring
        // itself, so the program still answers and follows the desktop.
        ++failures;
        if (failures == 1) ErrorLogWithLastError(WaitFailedText);
        if (failures == 2) {
            HANDLE reopened = CreateEventA(nullptr, FALSE, FALSE, RingEventName);
            if (reopened) ringEvent = reopened;
        }
        DWORD delay = WaitRetryDelay(failures);
        if (delay && MsgWaitForMultipleObjects(0, nullptr, FALSE, delay, WakeMask) == WAIT_FAILED)
            Sleep(delay);
        if (NewMessage()) ProcessWndMessages();
        RunSettlePassIfDue();
        if (!DispatchWaitingMessages(&exitCode)) return exitCode;
    }
}
