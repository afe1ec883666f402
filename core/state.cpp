#include "core/state.h"

SettingsRecord Settings = DefaultSettings();
int SubClassInEffect = DefaultSettings().SubClass;
int LoadInEffect = DefaultSettings().Load;
char* ProgramDir = nullptr;

WndGroup* GroupList = nullptr;
TabWnd* TabWndList = nullptr;
GroupRule* RuleList = nullptr;

CRITICAL_SECTION AllocLock;
CRITICAL_SECTION EventLock;
