// How ravik.dll and the program call on windows of other threads: sends that
// wait a bounded time, each bound named here, and window handles widened back
// from the 32 bits that a ring entry, a menu identifier or a file keeps.
#pragma once

#include <windows.h>
#include <stdint.h>

// The library's messages to the shell's windows: a hung shell must hang
// neither the program's start nor its end. The library stays mapped in the
// shell (PinLibrary), so giving up on an answer is safe.
constexpr UINT ShellReplyTimeoutMs = 1000;
// The program's check that the shell answers before it calls the taskbar list:
// a shell that is not busy answers at once; one that does not answer within
// this gets no taskbar-list calls until it is asked again.
constexpr UINT ShellCheckTimeoutMs = 500;
// A window's answer to the question for its icon.
constexpr UINT IconAnswerTimeoutMs = 1000;
// Another application's window in a batch command or a chosen item: a hung one
// must not freeze the program and every other group with it.
constexpr UINT WindowReplyTimeoutMs = 2000;

// Sends a message and waits at most boundMs for the answer. SMTO_ABORTIFHUNG
// gives up at once on a window the system already deems hung; SMTO_BLOCK
// keeps this thread from handling other sent messages meanwhile. True when the
// window handled the message in time, its result then in *result (unless
// null). GetLastError tells why it did not.
inline bool SendBounded(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT boundMs,
                        DWORD_PTR* result = nullptr) {
    DWORD_PTR answer = 0;
    bool answered = SendMessageTimeoutA(hwnd, message, wParam, lParam,
                                        SMTO_ABORTIFHUNG | SMTO_BLOCK, boundMs, &answer) != 0;
    if (result) *result = answer;
    return answered;
}

// The window handle whose 32 significant bits these are. Handles are 32-bit
// significant on 64-bit Windows too and widen by sign extension, as
// LongToHandle does.
inline HWND WidenWindowHandle(uint32_t bits) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(bits)));
}
