// The task-switch window "MSTaskSwWClass". Its only child, the strip, shows
// the buttons (button_strip.h); the taskbar-list server reaches the task
// switch with the registered message "SHELLHOOK", whatever the layout. A click
// on a button activates its window as the Windows taskbar does.
#include "tools/standin_taskbar/standin.h"

#include "tools/standin_taskbar/protocol.h"

namespace {

std::vector<TaskbarListCall> CallLog;
unsigned CallSeq = 0;
HWND ForegroundBeforeClick = nullptr;
UINT ShellHookMessage = 0;

// The window to activate for a disabled window: the popup it waits for (a
// dialog box, a message box), as the Windows taskbar chose it.
HWND EnabledPopupOf(HWND owner) {
    HWND popup = GetLastActivePopup(owner);
    if (popup && popup != owner && IsWindowVisible(popup) && IsWindowEnabled(popup)) return popup;
    struct Search {
        HWND owner;
        HWND found;
    } search = {owner, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            if (GetWindow(hwnd, GW_OWNER) != s->owner || !IsWindowVisible(hwnd) ||
                !IsWindowEnabled(hwnd))
                return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found ? search.found : owner;
}

// A click activates the button's window the way the Windows taskbar does:
// a minimised window is restored, a window that was active is minimised, a
// disabled window's popup is activated, and anything else (hidden windows
// too) is brought to the foreground and receives WM_ACTIVATE.
void ActivateFromButton(HWND target) {
    if (!IsWindow(target)) return;
    bool visible = IsWindowVisible(target) != 0;
    if (visible && !IsIconic(target) && target == ForegroundBeforeClick) {
        ShowWindowAsync(target, SW_MINIMIZE);
        return;
    }
    if (IsIconic(target)) ShowWindowAsync(target, SW_RESTORE);
    HWND focus = IsWindowEnabled(target) ? target : EnabledPopupOf(target);
    // The Windows taskbar takes the activation when it is clicked, so even a
    // window that was active already is activated anew. Under Wine the click
    // may leave it with the window: the taskbar takes it itself.
    if (focus == GetForegroundWindow()) SetForegroundWindow(Standin.tray);
    if (focus == ForegroundBeforeClick) {
        // Its thread must handle its deactivation before the new activation:
        // Wine delivers both as notifications and drops a deactivation that
        // finds the window in the foreground again.
        DWORD_PTR result = 0;
        SendMessageTimeoutW(focus, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 500, &result);
    }
    SetForegroundWindow(focus);
}

void LogCall(const char* op, HWND hwnd) {
    CallLog.push_back({++CallSeq, op, hwnd});
}

LRESULT OnShellHook(WPARAM code, HWND hwnd) {
    switch (code) {
    case standin::ShellAddTab:
        LogCall("AddTab", hwnd);
        OnAddTab(hwnd);
        return 1;
    case standin::ShellDeleteTab:
        LogCall("DeleteTab", hwnd);
        OnDeleteTab(hwnd);
        return 1;
    case standin::ShellActivateTab:
        LogCall("ActivateTab", hwnd);
        SetActiveButton(hwnd);
        return 1;
    case standin::ShellSetActiveAlt:
        LogCall("SetActiveAlt", hwnd);
        SetActiveButton(hwnd);
        return 1;
    default:
        return 0;
    }
}

LRESULT CALLBACK TaskSwitchProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == ShellHookMessage && ShellHookMessage) {
        NoteTaskbarActivity();
        return OnShellHook(wParam, reinterpret_cast<HWND>(lParam));
    }
    switch (message) {
    case WM_CREATE:
        // Created first, so that the strip is the task switch's first child.
        return CreateButtonStrip(hwnd) ? 0 : -1;
    case WM_SIZE:
        MoveWindow(Standin.buttonStrip, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        LayoutButtons();
        return 0;
    case WM_NOTIFY:
        return OnStripNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_DRAWITEM: { // the tab control's items
        auto* di = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        DrawTaskButton(di->hDC, di->rcItem, reinterpret_cast<HWND>(di->itemData), false);
        return TRUE;
    }
    case WM_LBUTTONUP:
        OnButtonClick();
        return 0;
    case WM_MOUSEACTIVATE:
        // Remember which window was active before the click activates the taskbar.
        ForegroundBeforeClick = GetForegroundWindow();
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

// The button under the click, by its horizontal extent only: a click below the
// buttons (the strip lets it through to the task switch, or reports it itself)
// still belongs to the button above it. Wine's SHAppBarMessage reports only
// the bottom pixel row of the screen as the taskbar, so that row must work
// like the buttons.
void OnButtonClick() {
    DWORD pos = GetMessagePos();
    int x = static_cast<short>(LOWORD(pos));
    const std::vector<TaskButton>& buttons = Buttons();
    for (size_t i = 0; i < buttons.size(); ++i) {
        RECT rc = ButtonScreenRect(i);
        if (rc.right > rc.left && x >= rc.left && x < rc.right) {
            ActivateFromButton(buttons[i].hwnd);
            return;
        }
    }
}

bool RegisterTaskSwitchClass() {
    ShellHookMessage = RegisterWindowMessageA(standin::ShellHookMessageName);
    return RegisterStandinClass(standin::TaskSwitchClass, TaskSwitchProc, 0,
                                GetSysColorBrush(COLOR_3DFACE));
}

const std::vector<TaskbarListCall>& TaskbarListLog() {
    return CallLog;
}

void ClearTaskbarListLog() {
    CallLog.clear();
}
