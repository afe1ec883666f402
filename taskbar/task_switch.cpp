#include "taskbar/task_switch.h"

#include <windows.h>

#include "core/pure/text.h"
#include "hook/pure/ring.h"

namespace {

bool HasClass(HWND hwnd, bool (*matches)(const char*)) {
    char name[TextBufferSize];
    return hwnd && GetClassNameA(hwnd, name, sizeof name) && matches(name);
}

// The first task-switch window below the tray, in the order the hook library
// searches too.
BOOL CALLBACK FindTaskSwitchWindow(HWND hwnd, LPARAM found) {
    if (!HasClass(hwnd, IsTaskSwitchClassName)) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

} // namespace

TaskSwitchContent InspectTaskSwitch() {
    HWND tray = FindWindowA(TrayClassName, nullptr);
    HWND taskSwitch = nullptr;
    if (tray) EnumChildWindows(tray, FindTaskSwitchWindow, reinterpret_cast<LPARAM>(&taskSwitch));
    if (!taskSwitch) return TaskSwitchContent::None;
    if (HasClass(GetWindow(taskSwitch, GW_CHILD), IsTabControlClassName))
        return TaskSwitchContent::TabControl;
    return TaskSwitchContent::Other;
}
