#include "core/globals.h"

SettingsRecord Settings = {2, 0, 1, 1, 1, 0, 0, 1, 1, 0};
int SubClassInEffect = 1;
int LoadInEffect = 1;

char* ProgramDir = nullptr;
ITaskbarList* TaskbarListObject = nullptr;
HWND MainWnd = nullptr;
HINSTANCE Instance = nullptr;
HICON ProgramIcon = nullptr;
UINT TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
int MenuReady = 0;
int RestartRequested = 0;
HWND SettingsDlgWnd = nullptr;
int RulesDirty = 0;
HWND AboutDlgWnd = nullptr;
UINT MenuSelection = 0;

WndGroup* GroupList = nullptr;
TabWnd* TabWndList = nullptr;
GroupRule* RuleList = nullptr;

CRITICAL_SECTION AllocLock;
CRITICAL_SECTION EventLock;
