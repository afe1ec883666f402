#include "app/state.h"

HWND MainWnd = nullptr;
HICON ProgramIcon = nullptr;
UINT TaskbarCreatedMessage = 0; // registered at start-up
int RestartRequested = 0;
