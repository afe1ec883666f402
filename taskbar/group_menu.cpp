#include "taskbar/group_menu.h"

#include <shellapi.h>
#include <stdlib.h>
#include <string.h>

#include "core/classify.h"
#include "core/errorlog.h"
#include "core/model.h"
#include "core/scoped.h"
#include "core/screen_text.h"
#include "core/state.h"
#include "hook/window_calls.h"
#include "taskbar/buttons.h"
#include "taskbar/pure/screen_point.h"
#include "taskbar/state.h"
#include "taskbar/visibility.h"

namespace {

// Asks a window to pop up its system menu at a screen position (undocumented;
// what the taskbar itself sends for a right click on a button).
constexpr UINT PopupSystemMenuMessage = 0x313;

struct BatchItem {
    UINT id;
    const char* text;
};

// The batch block as it appears on screen: show, minimise, close, cascade, the tilings.
const BatchItem BatchItems[] = {
    {CmdShowAll, "全て表示"},
    {CmdMinimizeAll, "全て最小化"},
    {CmdCloseAll, "全て閉じる"},
    {CmdCascade, "重ねて表示"},
    {CmdTileTopBottom, "上下に並べて表示"},
    {CmdTileLeftRight, "左右に並べて表示"},
};

MENUITEMINFOW NewItemInfo() {
    MENUITEMINFOW info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_CHECKMARKS | MIIM_TYPE;
    return info; // no check-mark bitmaps, state 0
}

void InsertSeparator(HMENU menu, UINT* position) {
    MENUITEMINFOW info = NewItemInfo();
    info.fType = MFT_SEPARATOR;
    InsertMenuItemW(menu, (*position)++, TRUE, &info);
}

void InsertBatchItems(HMENU menu, UINT* position) {
    for (const BatchItem& item : BatchItems) {
        wchar_t text[32];
        WideProgramText(item.text, text, ARRAYSIZE(text));
        MENUITEMINFOW info = NewItemInfo();
        info.fType = MFT_STRING;
        info.wID = item.id;
        info.dwTypeData = text;
        info.cch = (UINT)wcslen(text);
        InsertMenuItemW(menu, (*position)++, TRUE, &info);
    }
}

// What a window item measures at 96 DPI; each menu scales it to the DPI of the
// monitor it opens on.
constexpr int BaseDpi = 96;
struct ItemMetrics {
    int iconSize;  // the icon square
    int iconInset; // from the item's top left corner to the icon's
    int textLeft;  // from the item's left edge to the title
    int height;    // of every window item
};
constexpr ItemMetrics BaseMetrics = {16, 1, 19, 18};
ItemMetrics Metrics = BaseMetrics; // of the menu being shown

// The DPI of the monitor at a screen point, as this process draws on it: the
// monitor's own where the process is per-monitor aware (Windows 10 1607 and
// later, as its manifest asks), else the system's.
UINT DpiAt(POINT point) {
    using GetAwarenessFn = HRESULT(WINAPI*)(HANDLE, int*);
    using GetMonitorDpiFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    constexpr int PerMonitorAware = 2;        // PROCESS_PER_MONITOR_DPI_AWARE
    constexpr int EffectiveDpi = 0;           // MDT_EFFECTIVE_DPI
    constexpr DWORD SystemFolderOnly = 0x800; // LOAD_LIBRARY_SEARCH_SYSTEM32
    // shcore.dll comes with Windows 8.1, which also knows the flag; it stays loaded.
    static HMODULE shcore = LoadLibraryExA("shcore.dll", nullptr, SystemFolderOnly);
    auto getAwareness = shcore ? ProcAs<GetAwarenessFn>(shcore, "GetProcessDpiAwareness") : nullptr;
    auto getMonitorDpi = shcore ? ProcAs<GetMonitorDpiFn>(shcore, "GetDpiForMonitor") : nullptr;
    int awareness = 0;
    UINT x = 0, y = 0;
    if (getAwareness && getMonitorDpi && SUCCEEDED(getAwareness(nullptr, &awareness)) &&
        awareness == PerMonitorAware &&
        SUCCEEDED(getMonitorDpi(MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), EffectiveDpi, &x,
                                &y)) &&
        x > 0) {
        return x;
    }
    ScopedWindowDC screen(nullptr);
    int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 0;
    return dpi > 0 ? (UINT)dpi : BaseDpi;
}

ItemMetrics MetricsForDpi(UINT dpi) {
    auto scale = [dpi](int pixels) { return MulDiv(pixels, (int)dpi, BaseDpi); };
    return {scale(BaseMetrics.iconSize), scale(BaseMetrics.iconInset), scale(BaseMetrics.textLeft),
            scale(BaseMetrics.height)};
}

// A window's title as Unicode, never waiting on the window (InternalGetWindowText
// reads what the system holds and sends nothing).
void ReadTitle(HWND hwnd, wchar_t* title) {
    title[0] = 0;
    int n = InternalGetWindowText(hwnd, title, TextBufferSize);
    title[n > 0 && n < TextBufferSize ? n : 0] = 0;
}

// What the window items of the menu being shown draw: each member's window
// and the icon it gave when the menu was built. Drawing asks no window
// anything, so a repaint never waits on a hung one.
struct ItemIcon {
    UINT id;
    HWND hwnd;
    HICON icon;
};
ItemIcon* ItemIcons = nullptr;
int ItemIconCount = 0;
int ItemIconRoom = 0;

void ForgetItemIcons() {
    free(ItemIcons);
    ItemIcons = nullptr;
    ItemIconCount = ItemIconRoom = 0;
}

// Room for the icons of the group's visible members.
void PrepareItemIcons(const WndGroup* group) {
    ForgetItemIcons();
    int n = CountVisibleMembers(group);
    if (n > 0) ItemIcons = static_cast<ItemIcon*>(calloc(n, sizeof(ItemIcon)));
    if (ItemIcons) ItemIconRoom = n;
}

HICON ApplicationIcon() {
    return LoadIconA(nullptr, IDI_APPLICATION);
}

// Asks the window once for its icon. A window without any shows the system's
// application icon, as the taskbar does for it; so does one that became
// visible after the members were counted.
void KeepItemIcon(const WndMember* member, UINT id) {
    if (ItemIconCount >= ItemIconRoom) return;
    HICON icon = GetWndIcon(member->hwnd);
    ItemIcons[ItemIconCount++] = ItemIcon{id, member->hwnd, icon ? icon : ApplicationIcon()};
}

const ItemIcon* FindItemIcon(UINT id) {
    for (int i = 0; i < ItemIconCount; ++i)
        if (ItemIcons[i].id == id) return &ItemIcons[i];
    return nullptr;
}

// The window of an item: identifiers hold the handle's 32 significant bits.
HWND ItemWindow(UINT itemID) {
    const ItemIcon* item = FindItemIcon(itemID);
    return item ? item->hwnd : WidenWindowHandle(itemID);
}

void InsertWindowItem(HMENU menu, UINT* position, const WndMember* member) {
    // The title travels with the item as its text (what a screen reader reads
    // out), but measuring and drawing read it afresh through the identifier,
    // so a retitled window shows its new title.
    wchar_t title[TextBufferSize];
    ReadTitle(member->hwnd, title);
    MENUITEMINFOW info = NewItemInfo();
    // An owner-drawn item keeps a text only when it is given as a string.
    info.fMask = MIIM_STATE | MIIM_ID | MIIM_CHECKMARKS | MIIM_FTYPE | MIIM_STRING;
    info.fType = MFT_OWNERDRAW;
    info.fState = member->flashing ? MFS_DEFAULT : 0;
    info.wID = HandleToUlong(member->hwnd);
    info.dwTypeData = title;
    info.cch = (UINT)wcslen(title);
    InsertMenuItemW(menu, (*position)++, TRUE, &info);
    KeepItemIcon(member, info.wID);
}

// Draws a monochrome icon, whose mask bitmap holds the AND mask above the XOR
// mask, into the icon square: transparent pixels keep the item's background,
// the others become black or white (or invert the background, as icons may ask).
void DrawMonochromeIcon(HDC dc, HDC memory, HBITMAP mask, int x, int y) {
    BITMAP bm;
    if (!GetObjectA(mask, sizeof bm, &bm) || bm.bmHeight < 2) return;
    int half = bm.bmHeight / 2;
    // Copying a monochrome bitmap paints its 0 bits in the text colour (black)
    // and its 1 bits in the background colour.
    int size = Metrics.iconSize;
    StretchBlt(dc, x, y, size, size, memory, 0, 0, bm.bmWidth, half, SRCCOPY);
    COLORREF back = SetBkColor(dc, RGB(255, 255, 255));
    StretchBlt(dc, x, y, size, size, memory, 0, half, bm.bmWidth, half, SRCINVERT);
    SetBkColor(dc, back);
}

// Copies a whole bitmap selected into memory onto the icon square.
void BlitWhole(HDC dc, HDC memory, HBITMAP bitmap, int x, int y, DWORD rop) {
    BITMAP bm;
    if (!GetObjectA(bitmap, sizeof bm, &bm)) return;
    int size = Metrics.iconSize;
    StretchBlt(dc, x, y, size, size, memory, 0, 0, bm.bmWidth, bm.bmHeight, rop);
}

// Draws the icon: its mask copied onto the item (opaque pixels black, the
// transparent ones in the background colour), then its colour bitmap OR-ed
// over it. The text colour must be black and the background colour the item's
// before this runs.
void DrawItemIcon(HDC dc, HICON icon, int x, int y) {
    ICONINFO info;
    if (!icon || !GetIconInfo(icon, &info)) return;
    // GetIconInfo hands out copies of the icon's bitmaps.
    ScopedGdiObject mask(info.hbmMask);
    ScopedGdiObject colour(info.hbmColor);
    ScopedWindowDC screen(nullptr);
    ScopedMemoryDC memory(screen.get());
    if (!memory.get() || !info.hbmMask) return;
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    if (info.hbmColor) {
        {
            ScopedSelect selected(memory.get(), info.hbmMask);
            BlitWhole(dc, memory.get(), info.hbmMask, x, y, SRCCOPY);
        }
        ScopedSelect selected(memory.get(), info.hbmColor);
        BlitWhole(dc, memory.get(), info.hbmColor, x, y, SRCPAINT);
    } else {
        ScopedSelect selected(memory.get(), info.hbmMask);
        DrawMonochromeIcon(dc, memory.get(), info.hbmMask, x, y);
    }
    SetStretchBltMode(dc, oldMode);
}

WndMember* FindMemberById(const WndGroup* group, UINT id, int exact) {
    HWND window = WidenWindowHandle(id);
    for (WndMember* m = group->members; m; m = m->next) {
        if (exact ? m->hwnd == window : LOWORD(HandleToUlong(m->hwnd)) == id) return m;
    }
    return nullptr;
}

} // namespace

HMENU BuildGroupMenu(HWND proxy) {
    TabWnd* tab = FindTabWnd(proxy);
    if (!tab || !tab->group) return nullptr;
    HMENU menu = CreatePopupMenu();
    if (!menu) {
        ErrorLogWithLastError("メニューの作成に失敗しました\n");
        return nullptr;
    }
    PrepareItemIcons(tab->group);
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    Metrics = MetricsForDpi(DpiAt(cursor)); // the menu opens at the cursor
    UINT position = 0;
    if (Settings.Menu == 0) {
        InsertBatchItems(menu, &position);
        InsertSeparator(menu, &position);
    }
    for (const WndMember* m = tab->group->members; m; m = m->next) {
        if (IsVisible(m->hwnd) == 1) InsertWindowItem(menu, &position, m);
    }
    if (Settings.Menu == 1) {
        InsertSeparator(menu, &position);
        InsertBatchItems(menu, &position);
    }
    return menu;
}

namespace {

// Pops the group menu up at the cursor and returns once it is closed; false
// when the proxy has no menu to show.
bool TrackGroupMenu(HWND proxy) {
    ScopedMenu menu(BuildGroupMenu(proxy));
    if (!menu.get()) return false;
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    // The chosen item comes back as WM_COMMAND to the proxy.
    GroupMenuOpen = 1;
    TrackPopupMenu(menu.get(), 0, cursor.x, cursor.y, 0, proxy, nullptr);
    GroupMenuOpen = 0;
    PostMessageA(proxy, WM_NULL, 0, 0);
    return true;
}

} // namespace

void ShowGroupMenu(HWND proxy) {
    if (!TrackGroupMenu(proxy)) return;
    ForgetItemIcons();

    // Looked up again: the proxy may have lost its group while the menu loop ran.
    TabWnd* tab = FindTabWnd(proxy);
    if (tab && tab->flashPending == 1) {
        // Taking the button away and giving it back is what ends its flashing.
        TaskbarBurst burst;
        DeleteProxyTab(proxy);
        AddProxyTab(proxy);
        tab->flashPending = 0;
    }
}

int IsCursorOnTaskbar() {
    APPBARDATA data;
    memset(&data, 0, sizeof data);
    data.cbSize = sizeof data;
    RECT bar = {0, 0, 0, 0};
    // The question goes to the shell: only while it answers.
    if (ShellAnswers() && SHAppBarMessage(ABM_GETTASKBARPOS, &data)) bar = data.rc;
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    // All four bounds count as on the taskbar.
    if (bar.left <= cursor.x && cursor.x <= bar.right && bar.top <= cursor.y &&
        cursor.y <= bar.bottom) {
        return 0;
    }
    return -1;
}

void MeasureMenuItem(HWND proxy, MEASUREITEMSTRUCT* item) {
    if (!item || item->CtlType != ODT_MENU) return;
    wchar_t title[TextBufferSize];
    ReadTitle(ItemWindow(item->itemID), title);
    SIZE size = {0, 0};
    ScopedWindowDC dc(proxy);
    if (dc.get()) {
        ScopedSelect font(dc.get(), GetStockObject(DEFAULT_GUI_FONT));
        GetTextExtentPoint32W(dc.get(), title, (int)wcslen(title), &size);
    }
    item->itemWidth = size.cx + Metrics.textLeft;
    item->itemHeight = Metrics.height;
}

void DrawMenuItem(HWND, const DRAWITEMSTRUCT* item) {
    if (!item || item->CtlType != ODT_MENU) return;
    HDC dc = item->hDC;
    HWND window = ItemWindow(item->itemID);
    int selected = (item->itemState & ODS_SELECTED) != 0;
    RECT rect = item->rcItem;

    COLORREF back = GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_MENU);
    SetBkColor(dc, back);
    {
        ScopedGdiObject brush(CreateSolidBrush(back));
        ScopedGdiObject pen(CreatePen(PS_SOLID, 1, back));
        ScopedSelect selectPen(dc, pen.get());
        ScopedSelect selectBrush(dc, brush.get());
        Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
    }

    SetTextColor(dc, RGB(0, 0, 0));
    const ItemIcon* kept = FindItemIcon(item->itemID);
    DrawItemIcon(dc, kept ? kept->icon : ApplicationIcon(), rect.left + Metrics.iconInset,
                 rect.top + Metrics.iconInset);

    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    wchar_t title[TextBufferSize];
    ReadTitle(window, title);
    if (title[0]) {
        rect.left += Metrics.textLeft;
        // A title is shown as it is: an ampersand is no mnemonic prefix.
        DrawTextW(dc, title, -1, &rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
}

int OpenMemberSystemMenu(HWND proxy, UINT id, int exact) {
    TabWnd* tab = FindTabWnd(proxy);
    if (!tab || !tab->group) return 0;
    WndMember* chosen = FindMemberById(tab->group, id, exact);
    if (!chosen) return 0;
    HWND target = chosen->hwnd;
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    SendMessageA(proxy, WM_CANCELMODE, 0, 0); // ends the group menu
    LPARAM position = (LPARAM)PackScreenPoint(cursor.x, cursor.y);
    if (!PostMessageA(target, PopupSystemMenuMessage, 0, position)) {
        ErrorLogWithLastError("システムメニューの描画に失敗しました\n");
    }
    return 1;
}

LRESULT OnProxyActivate(HWND proxy, WPARAM wParam) {
    if (LOWORD(wParam) == WA_ACTIVE && MenuReady && IsCursorOnTaskbar() != -1) {
        ShowGroupMenu(proxy);
    }
    return 1;
}

LRESULT OnProxyMeasureItem(HWND proxy, LPARAM lParam) {
    MeasureMenuItem(proxy, (MEASUREITEMSTRUCT*)lParam);
    return 1;
}

LRESULT OnProxyDrawItem(HWND proxy, LPARAM lParam) {
    DrawMenuItem(proxy, (const DRAWITEMSTRUCT*)lParam);
    return 1;
}

LRESULT OnProxyEnterMenuLoop(HWND) {
    MenuSelection = 0;
    return 1;
}

LRESULT OnProxyMenuSelect(HWND, WPARAM wParam) {
    // Flags 0xFFFF announce the closing menu; the last selection stays.
    if (HIWORD(wParam) != 0xFFFF) MenuSelection = LOWORD(wParam);
    return 1;
}

LRESULT OnProxyRButtonUp(HWND proxy) {
    if (MenuSelection != 0) OpenMemberSystemMenu(proxy, MenuSelection, 0);
    return 1;
}

LRESULT OnProxyDpiChanged(HWND proxy) {
    // An open menu keeps the sizes it was measured with: it closes, and the
    // next one is measured for the new DPI.
    SendMessageA(proxy, WM_CANCELMODE, 0, 0);
    return 0;
}

LRESULT OnProxyMenuRButtonUp(HWND proxy, WPARAM wParam, LPARAM lParam) {
    // The item comes by position; its identifier is the whole window handle.
    UINT id = GetMenuItemID((HMENU)lParam, (int)wParam);
    if (id != (UINT)-1 && id > CmdLastBatch) OpenMemberSystemMenu(proxy, id, 1);
    return 0;
}
