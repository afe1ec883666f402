// The task-switch window "MSTaskSwWClass" and its first child, the tab control
// in button style that shows one item per taskbar button. The item's
// application value (TCITEM.lParam) is the window handle, as the Windows 2000
// shell kept it. Every change of the buttons is a message to the tab control
// (TCM_INSERTITEMW, TCM_DELETEITEM, TCM_GETITEMCOUNT, TCM_SETITEMW): another
// program may replace the control's window procedure to watch them. The
// stand-in itself never replaces it, and keeps its own list in the same order.
#include "tools/standin_taskbar/standin.h"

#include <commctrl.h>

#include <map>

#include "tools/standin_taskbar/protocol.h"

namespace {

constexpr int MaxButtonWidth = 160;
constexpr int MinButtonWidth = 36;
constexpr int TitleLength = 1024;

std::vector<TaskButton> ButtonList;
std::vector<TaskbarListCall> CallLog;
unsigned CallSeq = 0;
HWND ActiveWindow = nullptr;
HWND ForegroundBeforeClick = nullptr;
UINT ShellHookMessage = 0;
std::map<std::wstring, HICON> ProgramIcons; // icon of each program file, loaded once

int IndexOf(HWND hwnd) {
    for (size_t i = 0; i < ButtonList.size(); ++i)
        if (ButtonList[i].hwnd == hwnd) return static_cast<int>(i);
    return -1;
}

std::wstring WindowTitle(HWND hwnd) {
    // InternalGetWindowText sends no message: a hung window cannot stop the taskbar.
    wchar_t text[TitleLength];
    int n = InternalGetWindowText(hwnd, text, TitleLength);
    return std::wstring(text, n > 0 ? n : 0);
}

// The icon of the window's program file, for windows whose own icon handle
// cannot be drawn in this process (Wine's icon handles are per process).
HICON ProgramIcon(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    std::wstring path;
    if (HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid)) {
        wchar_t buffer[MAX_PATH];
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameW(process, 0, buffer, &size)) path.assign(buffer, size);
        CloseHandle(process);
    }
    auto found = ProgramIcons.find(path);
    if (found != ProgramIcons.end()) return found->second;
    HICON icon = nullptr;
    if (!path.empty()) ExtractIconExW(path.c_str(), 0, nullptr, &icon, 1);
    if (!icon) icon = LoadIcon(nullptr, IDI_APPLICATION);
    ProgramIcons[path] = icon;
    return icon;
}

bool IconUsableHere(HICON icon) {
    ICONINFO info;
    if (!icon || !GetIconInfo(icon, &info)) return false;
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return true;
}

void SetButtonIcon(HWND hwnd, HICON icon) {
    int i = IndexOf(hwnd);
    if (i < 0) return;
    TaskButton& b = ButtonList[i];
    b.iconAsked = false;
    if (b.icon == icon && b.drawIcon) return;
    b.icon = icon;
    b.drawIcon = IconUsableHere(icon) ? icon : ProgramIcon(hwnd);
    RECT rc;
    if (SendMessageW(Standin.tabCtrl, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc)))
        InvalidateRect(Standin.tabCtrl, &rc, FALSE);
}

// The window's small icon is asked for in steps, none of which waits for the
// window: WM_GETICON small, the class's small icon, WM_GETICON big, the
// class's icon. The replies come back as callbacks on this thread.
enum IconStep : ULONG_PTR { AskSmall = 0, AskBig = 1 };

void CALLBACK IconReply(HWND hwnd, UINT, ULONG_PTR step, LRESULT result) {
    if (!HasButton(hwnd)) return;
    HICON icon = reinterpret_cast<HICON>(result);
    if (!icon && step == AskSmall) {
        icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, GCLP_HICONSM));
        if (!icon) {
            SendMessageCallbackW(hwnd, WM_GETICON, ICON_BIG, 0, IconReply, AskBig);
            return;
        }
    }
    if (!icon && step == AskBig) icon = reinterpret_cast<HICON>(GetClassLongPtrW(hwnd, GCLP_HICON));
    SetButtonIcon(hwnd, icon);
}

// Painting hundreds of owner-drawn buttons after every single change would
// make the stand-in, not the program under test, the slow part of a burst of
// changes. The first change of a burst turns the control's drawing off; it is
// turned on and the buttons painted once, 30 ms later or before the stand-in
// answers a request, whichever comes first.
UINT_PTR RepaintTimer = 0;

void CALLBACK RepaintNow(HWND, UINT, UINT_PTR, DWORD) {
    FlushButtonPaint();
}

void DeferButtonPaint() {
    if (RepaintTimer) return;
    RepaintTimer = SetTimer(nullptr, 0, 30, RepaintNow);
    if (RepaintTimer)
        SendMessageW(Standin.tabCtrl, WM_SETREDRAW, FALSE, 0);
    else
        InvalidateRect(Standin.tabCtrl, nullptr, TRUE);
}

// Button widths shrink when the buttons would not fit, as on Windows 2000.
void LayoutButtons() {
    int count = static_cast<int>(SendMessageW(Standin.tabCtrl, TCM_GETITEMCOUNT, 0, 0));
    RECT rc;
    GetClientRect(Standin.tabCtrl, &rc);
    int width = MaxButtonWidth;
    if (count > 0) width = (rc.right - rc.left) / count - 3;
    if (width > MaxButtonWidth) width = MaxButtonWidth;
    if (width < MinButtonWidth) width = MinButtonWidth;
    SendMessageW(Standin.tabCtrl, TCM_SETITEMSIZE, 0, MAKELPARAM(width, TaskbarHeight - 6));
    int active = IndexOf(ActiveWindow);
    SendMessageW(Standin.tabCtrl, TCM_SETCURSEL, active, 0);
    InvalidateRect(Standin.tabCtrl, nullptr, TRUE);
}

// The active window's button is pressed and filled with the light dither of
// Windows 2000: face and highlight colours in a checkerboard.
void FillDithered(HDC dc, const RECT& rc) {
    static HBRUSH dither = [] {
        const WORD pattern[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
        HBITMAP bitmap = CreateBitmap(8, 8, 1, 1, pattern);
        HBRUSH brush = CreatePatternBrush(bitmap);
        DeleteObject(bitmap);
        return brush;
    }();
    COLORREF oldText = SetTextColor(dc, GetSysColor(COLOR_3DFACE));
    COLORREF oldBack = SetBkColor(dc, GetSysColor(COLOR_3DHILIGHT));
    FillRect(dc, &rc, dither);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
}

void DrawButton(const DRAWITEMSTRUCT* di) {
    HWND hwnd = reinterpret_cast<HWND>(di->itemData);
    int i = IndexOf(hwnd);
    if (i < 0) return;
    const TaskButton& b = ButtonList[i];
    bool active = hwnd == ActiveWindow;
    RECT rc = di->rcItem;
    HDC dc = di->hDC;
    // A flashing button is filled with the highlight colour until its window is activated.
    FillRect(dc, &rc, GetSysColorBrush(b.flashing ? COLOR_HIGHLIGHT : COLOR_3DFACE));
    if (active && !b.flashing) FillDithered(dc, rc);
    int offset = active ? 1 : 0;
    if (b.drawIcon)
        DrawIconEx(dc, rc.left + 3 + offset, (rc.top + rc.bottom) / 2 - 8 + offset, b.drawIcon, 16,
                   16, 0, nullptr, DI_NORMAL);
    RECT text = rc;
    text.left += 23 + offset;
    text.right -= 3;
    OffsetRect(&text, 0, offset);
    HGDIOBJ old = SelectObject(dc, active ? Standin.boldFont : Standin.font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(b.flashing ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT));
    DrawTextW(dc, b.title.c_str(), static_cast<int>(b.title.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
    SelectObject(dc, old);
}

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

// The item under the click, by its horizontal extent only: a click below the
// items (the tab control lets it through to the task switch) still belongs to
// the button above it. Wine's SHAppBarMessage reports only the bottom pixel row
// of the screen as the taskbar, so that row must work like the buttons.
void OnButtonClick() {
    DWORD pos = GetMessagePos();
    POINT pt = {static_cast<short>(LOWORD(pos)), static_cast<short>(HIWORD(pos))};
    ScreenToClient(Standin.tabCtrl, &pt);
    for (size_t i = 0; i < ButtonList.size(); ++i) {
        RECT rc;
        if (!SendMessageW(Standin.tabCtrl, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rc)))
            continue;
        if (pt.x >= rc.left && pt.x < rc.right) {
            ActivateFromButton(ButtonList[i].hwnd);
            return;
        }
    }
}

LRESULT OnNotify(const NMHDR* nm) {
    if (nm->hwndFrom != Standin.tabCtrl) return 0;
    switch (nm->code) {
    case TCN_SELCHANGING:
        return TRUE; // the pressed button follows the active window, not the mouse
    case NM_CLICK:
        OnButtonClick();
        return 0;
    default:
        return 0;
    }
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

void CreateTabControl(HWND parent) {
    // Created first, so that it is the task switch's first child.
    Standin.tabCtrl =
        CreateWindowExW(0, WC_TABCONTROLW, L"",
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_BUTTONS | TCS_FIXEDWIDTH |
                            TCS_FOCUSNEVER | TCS_OWNERDRAWFIXED | TCS_SINGLELINE,
                        0, 0, 0, 0, parent, nullptr, Standin.instance, nullptr);
    SendMessageW(Standin.tabCtrl, WM_SETFONT, reinterpret_cast<WPARAM>(Standin.font), FALSE);
    SendMessageW(Standin.tabCtrl, TCM_SETPADDING, 0, MAKELPARAM(3, 2));
}

LRESULT CALLBACK TaskSwitchProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == ShellHookMessage && ShellHookMessage)
        return OnShellHook(wParam, reinterpret_cast<HWND>(lParam));
    switch (message) {
    case WM_CREATE:
        CreateTabControl(hwnd);
        return 0;
    case WM_SIZE:
        MoveWindow(Standin.tabCtrl, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        LayoutButtons();
        return 0;
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_DRAWITEM:
        DrawButton(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        return TRUE;
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

void FlushButtonPaint() {
    if (!RepaintTimer) return;
    KillTimer(nullptr, RepaintTimer);
    RepaintTimer = 0;
    SendMessageW(Standin.tabCtrl, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(Standin.tabCtrl, nullptr, nullptr,
                 RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
}

bool RegisterTaskSwitchClass() {
    ShellHookMessage = RegisterWindowMessageA(standin::ShellHookMessageName);
    return RegisterStandinClass(standin::TaskSwitchClass, TaskSwitchProc, 0,
                                GetSysColorBrush(COLOR_3DFACE));
}

const std::vector<TaskButton>& Buttons() {
    return ButtonList;
}

bool HasButton(HWND hwnd) {
    return IndexOf(hwnd) >= 0;
}

void AddButton(HWND hwnd) {
    if (HasButton(hwnd) || !IsWindow(hwnd)) return;
    TaskButton b = {hwnd, WindowTitle(hwnd), nullptr, nullptr, false, false};
    int index = static_cast<int>(SendMessageW(Standin.tabCtrl, TCM_GETITEMCOUNT, 0, 0));
    if (index < 0 || index > static_cast<int>(ButtonList.size()))
        index = static_cast<int>(ButtonList.size());
    ButtonList.insert(ButtonList.begin() + index, b);
    TCITEMW item = {};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<wchar_t*>(ButtonList[index].title.c_str());
    item.lParam = reinterpret_cast<LPARAM>(hwnd);
    SendMessageW(Standin.tabCtrl, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
    LayoutButtons();
    RequestButtonIcon(hwnd);
}

void RemoveButton(HWND hwnd) {
    int index = IndexOf(hwnd);
    if (index < 0) return;
    DeferButtonPaint();
    SendMessageW(Standin.tabCtrl, TCM_DELETEITEM, index, 0);
    ButtonList.erase(ButtonList.begin() + index);
    if (hwnd == ActiveWindow) ActiveWindow = nullptr;
    LayoutButtons();
}

void RefreshButtonTitle(HWND hwnd) {
    int index = IndexOf(hwnd);
    if (index < 0) return;
    std::wstring title = WindowTitle(hwnd);
    if (title == ButtonList[index].title) return;
    ButtonList[index].title = title;
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(ButtonList[index].title.c_str());
    SendMessageW(Standin.tabCtrl, TCM_SETITEMW, index, reinterpret_cast<LPARAM>(&item));
    RECT rc;
    if (SendMessageW(Standin.tabCtrl, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rc)))
        InvalidateRect(Standin.tabCtrl, &rc, FALSE);
}

void RefreshButtonTitles() {
    for (size_t i = 0; i < ButtonList.size(); ++i)
        RefreshButtonTitle(ButtonList[i].hwnd);
}

void RequestButtonIcon(HWND hwnd) {
    int index = IndexOf(hwnd);
    if (index < 0) return;
    ButtonList[index].iconAsked = true;
    if (!SendMessageCallbackW(hwnd, WM_GETICON, ICON_SMALL, 0, IconReply, AskSmall))
        SetButtonIcon(hwnd, nullptr);
}

void RequestAllButtonIcons() {
    // A hung window would pile up unanswered questions otherwise.
    std::vector<HWND> ask;
    for (const TaskButton& b : ButtonList)
        if (!b.iconAsked) ask.push_back(b.hwnd);
    for (HWND hwnd : ask)
        RequestButtonIcon(hwnd);
}

void MarkFlashing(HWND hwnd) {
    int index = IndexOf(hwnd);
    if (index < 0 || ButtonList[index].flashing) return;
    ButtonList[index].flashing = true;
    InvalidateRect(Standin.tabCtrl, nullptr, FALSE);
}

void ClearFlashing(HWND hwnd) {
    int index = IndexOf(hwnd);
    if (index < 0 || !ButtonList[index].flashing) return;
    ButtonList[index].flashing = false;
    InvalidateRect(Standin.tabCtrl, nullptr, FALSE);
}

void SetActiveButton(HWND hwnd) {
    if (hwnd == ActiveWindow) return;
    ActiveWindow = hwnd;
    // The Windows 2000 taskbar counted its buttons whenever it looked for the
    // active one; programs that watch the tab control rely on it.
    SendMessageW(Standin.tabCtrl, TCM_GETITEMCOUNT, 0, 0);
    SendMessageW(Standin.tabCtrl, TCM_SETCURSEL, IndexOf(hwnd), 0);
    InvalidateRect(Standin.tabCtrl, nullptr, FALSE);
}

RECT ButtonScreenRect(size_t index) {
    RECT rc = {};
    if (!SendMessageW(Standin.tabCtrl, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rc)))
        return rc;
    MapWindowPoints(Standin.tabCtrl, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

const std::vector<TaskbarListCall>& TaskbarListLog() {
    return CallLog;
}

void ClearTaskbarListLog() {
    CallLog.clear();
}
