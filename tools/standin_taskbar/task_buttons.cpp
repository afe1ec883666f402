// The taskbar buttons: one per window, in the order the strip shows them,
// with the window's title and icon, flashing until it is activated, pressed
// while it is the foreground window. The strip (button_strip.h) is told of
// every change; the stand-in keeps its own list in the same order.
#include "tools/standin_taskbar/standin.h"

#include <map>
#include <memory>

#include "tools/standin_taskbar/button_strip.h"

namespace {

constexpr int MaxButtonWidth = 160;
constexpr int MinButtonWidth = 36;
constexpr int TitleLength = 1024;

std::unique_ptr<ButtonStrip> Strip;
std::vector<TaskButton> ButtonList;
HWND ActiveWindow = nullptr;
std::map<std::wstring, HICON> ProgramIcons; // icon of each program file, loaded once

int IndexOf(HWND hwnd) {
    for (size_t i = 0; i < ButtonList.size(); ++i)
        if (ButtonList[i].hwnd == hwnd) return static_cast<int>(i);
    return -1;
}

void InvalidateItem(int index) {
    RECT rc;
    if (Strip->ItemRect(index, &rc)) InvalidateRect(Standin.buttonStrip, &rc, FALSE);
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
    InvalidateItem(i);
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

// Painting hundreds of buttons after every single change would make the
// stand-in, not the program under test, the slow part of a burst of changes.
// The first change of a burst turns the strip's drawing off; it is turned on
// and the buttons painted once, 30 ms later or before the stand-in answers a
// request, whichever comes first.
UINT_PTR RepaintTimer = 0;
bool LayoutDue = false; // the buttons are sized to fit with the paint that was put off

void CALLBACK RepaintNow(HWND, UINT, UINT_PTR, DWORD) {
    FlushButtonPaint();
}

void DeferButtonPaint() {
    if (RepaintTimer) return;
    RepaintTimer = SetTimer(nullptr, 0, 30, RepaintNow);
    if (RepaintTimer)
        SendMessageW(Standin.buttonStrip, WM_SETREDRAW, FALSE, 0);
    else
        InvalidateRect(Standin.buttonStrip, nullptr, TRUE);
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

} // namespace

bool CreateButtonStrip(HWND taskSwitch) {
    switch (Standin.layout) {
    case TaskbarLayout::Xp:
        Strip.reset(NewToolbarStrip());
        break;
    case TaskbarLayout::Win7:
        Strip.reset(NewTaskListStrip());
        break;
    default:
        Strip.reset(NewTabStrip());
        break;
    }
    Standin.buttonStrip = Strip->Create(taskSwitch);
    return Standin.buttonStrip != nullptr;
}

LRESULT OnStripNotify(const NMHDR* nm) {
    if (!Strip || nm->hwndFrom != Standin.buttonStrip) return 0;
    return Strip->OnNotify(nm);
}

void DrawTaskButton(HDC dc, RECT rc, HWND hwnd, bool frame) {
    int i = IndexOf(hwnd);
    if (i < 0) return;
    const TaskButton& b = ButtonList[i];
    bool active = hwnd == ActiveWindow;
    if (frame) {
        DrawEdge(dc, &rc, active ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
        InflateRect(&rc, -1, -1);
    }
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

// Button widths shrink when the buttons would not fit, as on Windows 2000.
void LayoutButtons() {
    int count = Strip->Count();
    RECT rc;
    GetClientRect(Standin.buttonStrip, &rc);
    int width = MaxButtonWidth;
    if (count > 0) width = (rc.right - rc.left) / count - 3;
    if (width > MaxButtonWidth) width = MaxButtonWidth;
    if (width < MinButtonWidth) width = MinButtonWidth;
    Strip->SetButtonSize(width, TaskbarHeight - 6);
    Strip->Select(IndexOf(ActiveWindow));
    InvalidateRect(Standin.buttonStrip, nullptr, TRUE);
}

namespace {

// Sizing the buttons after every single change of a burst would cost the
// strip a recalculation of every button and several messages each time: they
// are sized once, with the paint the burst put off.
void DeferButtonLayout() {
    DeferButtonPaint();
    if (RepaintTimer)
        LayoutDue = true;
    else
        LayoutButtons();
}

} // namespace

void FlushButtonPaint() {
    if (!RepaintTimer) return;
    KillTimer(nullptr, RepaintTimer);
    RepaintTimer = 0;
    if (LayoutDue) {
        LayoutDue = false;
        LayoutButtons();
    }
    SendMessageW(Standin.buttonStrip, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(Standin.buttonStrip, nullptr, nullptr,
                 RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
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
    int index = Strip->Count();
    if (index < 0 || index > static_cast<int>(ButtonList.size()))
        index = static_cast<int>(ButtonList.size());
    ButtonList.insert(ButtonList.begin() + index, b);
    DeferButtonLayout();
    Strip->Insert(index, hwnd, ButtonList[index].title.c_str());
    RequestButtonIcon(hwnd);
}

void RemoveButton(HWND hwnd) {
    int index = IndexOf(hwnd);
    if (index < 0) return;
    DeferButtonLayout();
    Strip->Delete(index);
    ButtonList.erase(ButtonList.begin() + index);
    if (hwnd == ActiveWindow) ActiveWindow = nullptr;
}

void RefreshButtonTitle(HWND hwnd) {
    int index = IndexOf(hwnd);
    if (index < 0) return;
    std::wstring title = WindowTitle(hwnd);
    if (title == ButtonList[index].title) return;
    ButtonList[index].title = title;
    Strip->SetTitle(index, ButtonList[index].title.c_str());
    InvalidateItem(index);
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
    InvalidateRect(Standin.buttonStrip, nullptr, FALSE);
}

void ClearFlashing(HWND hwnd) {
    int index = IndexOf(hwnd);
    if (index < 0 || !ButtonList[index].flashing) return;
    ButtonList[index].flashing = false;
    InvalidateRect(Standin.buttonStrip, nullptr, FALSE);
}

void SetActiveButton(HWND hwnd) {
    if (hwnd == ActiveWindow) return;
    ActiveWindow = hwnd;
    // The Windows 2000 taskbar counted its buttons whenever it looked for the
    // active one; programs that watch the tab control rely on it.
    Strip->Count();
    Strip->Select(IndexOf(hwnd));
    InvalidateRect(Standin.buttonStrip, nullptr, FALSE);
}

RECT ButtonScreenRect(size_t index) {
    RECT rc = {};
    if (!Strip->ItemRect(static_cast<int>(index), &rc)) return RECT{};
    MapWindowPoints(Standin.buttonStrip, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}
