// The tray window "Shell_TrayWnd": the taskbar itself. It holds the start
// button, the task-switch window with the buttons (inside a rebar on the
// later layouts) and the notification area, and it receives the
// notification-icon requests that Wine's Shell_NotifyIcon sends to the topmost
// "Shell_TrayWnd".
#include "tools/standin_taskbar/standin.h"

#include <commctrl.h>

#include "tools/standin_taskbar/protocol.h"

namespace {

constexpr int StartButtonId = 304; // the id of the Windows 2000 start button
constexpr int StartButtonWidth = 80;

void PaintTray(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_3DFACE));
    // The raised top edge of the Windows 2000 taskbar.
    RECT line = {rc.left, rc.top, rc.right, rc.top + 1};
    FillRect(dc, &line, GetSysColorBrush(COLOR_3DLIGHT));
    line = {rc.left, rc.top + 1, rc.right, rc.top + 2};
    FillRect(dc, &line, GetSysColorBrush(COLOR_3DHILIGHT));
    EndPaint(hwnd, &ps);
}

// The start button: a four-coloured flag and the bold word, as on Windows 2000.
void DrawStartButton(const DRAWITEMSTRUCT* di) {
    RECT rc = di->rcItem;
    bool pressed = (di->itemState & ODS_SELECTED) != 0;
    DrawFrameControl(di->hDC, &rc, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    int shift = pressed ? 1 : 0;
    int x = rc.left + 5 + shift, y = (rc.top + rc.bottom) / 2 - 6 + shift;
    const COLORREF colours[4] = {RGB(230, 50, 30), RGB(40, 170, 40), RGB(30, 90, 230),
                                 RGB(250, 200, 0)};
    for (int i = 0; i < 4; ++i) {
        RECT square = {x + (i % 2) * 7, y + (i / 2) * 7, x + (i % 2) * 7 + 6, y + (i / 2) * 7 + 6};
        HBRUSH brush = CreateSolidBrush(colours[i]);
        FillRect(di->hDC, &square, brush);
        DeleteObject(brush);
    }
    RECT text = rc;
    text.left = x + 16;
    OffsetRect(&text, 0, shift);
    HGDIOBJ old = SelectObject(di->hDC, Standin.boldFont);
    SetBkMode(di->hDC, TRANSPARENT);
    SetTextColor(di->hDC, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(di->hDC, L"スタート", -1, &text, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    SelectObject(di->hDC, old);
}

// The rebar of the XP and later shells, one band without a gripper that holds the task switch.
HWND CreateRebar(HWND tray) {
    HWND rebar = CreateWindowExW(0, REBARCLASSNAMEW, L"",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                                     CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                                 0, 0, 0, 0, tray, nullptr, Standin.instance, nullptr);
    if (!rebar) return nullptr;
    REBARINFO info = {};
    info.cbSize = sizeof info;
    SendMessageW(rebar, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));
    return rebar;
}

bool AddTaskSwitchBand() {
    REBARBANDINFOW band = {};
    band.cbSize = sizeof band;
    band.fMask = RBBIM_STYLE | RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_SIZE;
    band.fStyle = RBBS_NOGRIPPER;
    band.hwndChild = Standin.taskSwitch;
    band.cyMinChild = TaskbarHeight - 2;
    band.cx = GetSystemMetrics(SM_CXSCREEN);
    return SendMessageW(Standin.rebar, RB_INSERTBANDW, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(&band)) != 0;
}

bool CreateChildren(HWND hwnd) {
    Standin.startButton = CreateWindowExW(
        0, L"Button", L"スタート", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0, 0, 0, hwnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(StartButtonId)), Standin.instance, nullptr);
    HWND parent = hwnd;
    if (Standin.layout != TaskbarLayout::Win2000 && !(parent = Standin.rebar = CreateRebar(hwnd)))
        return false;
    Standin.taskSwitch =
        CreateWindowExA(0, standin::TaskSwitchClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                        0, 0, 0, parent, nullptr, Standin.instance, nullptr);
    if (!Standin.taskSwitch || (Standin.rebar && !AddTaskSwitchBand())) return false;
    Standin.notifyArea = CreateWindowExA(0, standin::NotifyAreaClass, "", WS_CHILD | WS_VISIBLE, 0,
                                         0, 0, 0, hwnd, nullptr, Standin.instance, nullptr);
    return Standin.notifyArea != nullptr;
}

LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        Standin.tray = hwnd;
        return CreateChildren(hwnd) ? 0 : -1;
    case WM_PAINT:
        PaintTray(hwnd);
        return 0;
    case WM_DRAWITEM:
        if (wParam == StartButtonId) {
            DrawStartButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        break;
    case WM_COPYDATA:
        return HandleNotifyIconRequest(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_DISPLAYCHANGE:
    case WM_SETTINGCHANGE:
        LayoutTray();
        return 0;
    case WM_CLOSE:
        // The taskbar is not closed by a close request; the control window ends it.
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

bool RegisterTrayClass() {
    return RegisterStandinClass(standin::TrayClass, TrayWndProc, CS_DBLCLKS, nullptr);
}

HWND CreateTrayWindow() {
    HWND hwnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"",
                                WS_POPUP | WS_CLIPCHILDREN, 0, 0, 0, 0, nullptr, nullptr,
                                Standin.instance, nullptr);
    if (!hwnd) return nullptr;
    LayoutTray();
    ShowWindow(hwnd, SW_SHOWNA);
    return hwnd;
}

void LayoutTray() {
    if (!Standin.tray) return;
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(Standin.tray, HWND_TOPMOST, 0, height - TaskbarHeight, width, TaskbarHeight,
                 SWP_NOACTIVATE);
    MoveWindow(Standin.startButton, 2, 4, StartButtonWidth, TaskbarHeight - 6, TRUE);
    int notifyWidth = NotifyAreaWidth();
    int notifyLeft = width - notifyWidth - 2;
    MoveWindow(Standin.notifyArea, notifyLeft, 3, notifyWidth, TaskbarHeight - 5, TRUE);
    // The task switch reaches the bottom edge: Wine's SHAppBarMessage reports the
    // bottom pixel row as the taskbar, and a click there must land on a button.
    int tasksLeft = 2 + StartButtonWidth + 6;
    MoveWindow(Standin.rebar ? Standin.rebar : Standin.taskSwitch, tasksLeft, 2,
               notifyLeft - 4 - tasksLeft, TaskbarHeight - 2, TRUE);
}
