#include "engine/modal_drain.h"

#include "engine/dispatch.h"
#include "engine/win_events.h"
#include "hook/ravik.h"
#include "taskbar/buttons.h"
#include "taskbar/state.h"

namespace {

// The ring cannot be waited for inside a modal loop: it is looked at this often.
constexpr UINT ModalDrainIntervalMs = 50;

int OpenGuards = 0;   // ModalDrain guards alive on this thread
bool Ticking = false; // a tick's drain is running

// A tick does nothing inside a drain a tick started (a call in it may run a
// modal loop of its own), while a group menu is open (it keeps its model
// steady), while a drain or pass runs further down the stack (the modal loop
// came from a message handled while it waited for the shell: a drain would
// change the model under it), or once every guard has ended (a WM_TIMER
// already posted may still be dispatched by the wait loop).
void CALLBACK ModalDrainTick(HWND, UINT, UINT_PTR, DWORD) {
    if (Ticking || OpenGuards == 0 || GroupMenuOpen || InTaskbarBurst()) return;
    Ticking = true;
    if (NewMessage() != 0 || WindowEventsWaiting() > 0) ProcessWndMessages();
    RunSettlePassIfDue();
    Ticking = false;
}

} // namespace

ModalDrain::ModalDrain() : timer_(SetTimer(nullptr, 0, ModalDrainIntervalMs, ModalDrainTick)) {
    ++OpenGuards;
}

ModalDrain::~ModalDrain() {
    if (timer_) KillTimer(nullptr, timer_);
    --OpenGuards;
}
