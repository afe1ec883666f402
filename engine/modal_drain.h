// Grouping that goes on while a modal loop of the system runs on the program's
// thread (a message box, the tray menu): the wait loop is not running then.
#pragma once

#include <windows.h>

// For the life of the guard a thread timer drains the ring and the system's
// window events and runs the settle pass, as the wait loop would; declare one right before the call that runs
// the modal loop.
class ModalDrain {
  public:
    ModalDrain();
    ~ModalDrain();
    ModalDrain(const ModalDrain&) = delete;
    ModalDrain& operator=(const ModalDrain&) = delete;

  private:
    UINT_PTR timer_;
};
