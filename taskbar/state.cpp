#include "taskbar/state.h"

HINSTANCE Instance = nullptr;
ITaskbarList* TaskbarListObject = nullptr;
int MenuReady = 0;
UINT MenuSelection = 0;
int GroupMenuOpen = 0;
