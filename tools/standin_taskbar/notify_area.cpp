// The notification area "TrayNotifyWnd": the icons that programs add with
// Shell_NotifyIcon, and the clock. Wine's Shell_NotifyIcon sends each request
// to the topmost "Shell_TrayWnd" as WM_COPYDATA (dwData the NIM_ code) in a
// layout of its own, with the icon's bitmaps appended (icon handles cannot
// cross processes under Wine). Mouse messages on an icon go to its owner as
// the icon's callback message (wParam the id, lParam the mouse message), like
// the Windows 2000 notification area.
#include "tools/standin_taskbar/standin.h"

#include <shellapi.h>
#include <stddef.h>
#include <string.h>

#include "tools/standin_taskbar/protocol.h"

namespace {

constexpr int IconCell = 20; // one icon with its spacing
constexpr int ClockWidth = 44;
constexpr UINT_PTR ClockTimer = 1;

// Wine 8's request layout: fixed fields, then the mask and colour bitmaps.
struct WineNotifyData {
    LONG hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    WCHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    WCHAR szInfo[256];
    UINT uTimeoutOrVersion;
    WCHAR szInfoTitle[64];
    DWORD dwInfoFlags;
    GUID guidItem;
    UINT width;
    UINT height;
    UINT planes;
    UINT bpp;
};
static_assert(sizeof(WineNotifyData) == 960, "the layout Wine 8 sends");

// Later Wine versions moved the bitmap description in front of the tip.
struct NewerWineNotifyData {
    LONG hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    UINT width;
    UINT height;
    UINT planes;
    UINT bpp;
    WCHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    WCHAR szInfo[256];
    UINT uTimeoutOrVersion;
    WCHAR szInfoTitle[64];
    DWORD dwInfoFlags;
    GUID guidItem;
    UINT balloonWidth;
    UINT balloonHeight;
    UINT balloonPlanes;
    UINT balloonBpp;
};
static_assert(sizeof(NewerWineNotifyData) == 976, "the layout of later Wine versions");

struct Request {
    HWND owner;
    UINT id;
    UINT flags;
    UINT callbackMessage;
    UINT state;
    UINT stateMask;
    const WCHAR* tip;
    UINT width, height, planes, bpp;
    const BYTE* bits;
    size_t bitsSize;
};

std::vector<NotifyIcon> Icons;

size_t BitmapBytes(UINT width, UINT height, UINT planes, UINT bpp) {
    return (static_cast<size_t>(planes) * width * height * bpp + 15) / 16 * 2;
}

bool BitsFit(size_t extra, UINT w, UINT h, UINT planes, UINT bpp) {
    if (w > 256 || h > 256 || planes > 4 || bpp > 32) return false;
    if (extra == 0) return true;
    // A colour icon: mask and colour bitmap; a monochrome one: a mask of double height.
    return extra == BitmapBytes(w, h, 1, 1) + BitmapBytes(w, h, planes, bpp) ||
           (bpp == 1 && extra == BitmapBytes(w, 2 * h, 1, 1));
}

// A layout is recognised by the size of the bitmaps it announces.
template <typename Layout> bool ParseLayout(const BYTE* data, size_t size, Request* r) {
    if (size < sizeof(Layout)) return false;
    Layout d;
    memcpy(&d, data, sizeof d);
    if (!BitsFit(size - sizeof d, d.width, d.height, d.planes, d.bpp)) return false;
    *r = {reinterpret_cast<HWND>(static_cast<LONG_PTR>(d.hWnd)),
          d.uID,
          d.uFlags,
          d.uCallbackMessage,
          d.dwState,
          d.dwStateMask,
          reinterpret_cast<const WCHAR*>(data + offsetof(Layout, szTip)),
          d.width,
          d.height,
          d.planes,
          d.bpp,
          data + sizeof d,
          size - sizeof d};
    return true;
}

bool ParseRequest(const COPYDATASTRUCT* cds, Request* r) {
    const BYTE* data = static_cast<const BYTE*>(cds->lpData);
    return ParseLayout<WineNotifyData>(data, cds->cbData, r) ||
           ParseLayout<NewerWineNotifyData>(data, cds->cbData, r);
}

HICON MakeIcon(const Request& r) {
    if (!r.bitsSize || !r.width || !r.height) return nullptr;
    size_t maskSize = BitmapBytes(r.width, r.height, 1, 1);
    if (r.bpp == 1 && r.bitsSize < maskSize * 2) return nullptr;
    const BYTE* colour = r.bits + maskSize;
    return CreateIcon(nullptr, static_cast<int>(r.width), static_cast<int>(r.height),
                      static_cast<BYTE>(r.planes), static_cast<BYTE>(r.bpp), r.bits, colour);
}

int FindIcon(HWND owner, UINT id) {
    for (size_t i = 0; i < Icons.size(); ++i)
        if (Icons[i].owner == owner && Icons[i].id == id) return static_cast<int>(i);
    return -1;
}

void Apply(const Request& r, NotifyIcon* icon) {
    if (r.flags & NIF_MESSAGE) icon->callbackMessage = r.callbackMessage;
    if (r.flags & NIF_TIP) {
        size_t n = 0;
        while (n < 128 && r.tip[n])
            ++n;
        icon->tip.assign(r.tip, n);
    }
    if (r.flags & NIF_ICON) {
        if (icon->icon) DestroyIcon(icon->icon);
        icon->icon = MakeIcon(r);
    }
    if (r.flags & NIF_STATE) icon->state = (icon->state & ~r.stateMask) | (r.state & r.stateMask);
    icon->flags |= r.flags;
}

bool IsShown(const NotifyIcon& icon) {
    return !(icon.state & NIS_HIDDEN);
}

void Changed() {
    LayoutTray();
    InvalidateRect(Standin.notifyArea, nullptr, TRUE);
}

// The icon under a point of the notification area, or -1.
int IconAt(int x) {
    int left = 4;
    for (size_t i = 0; i < Icons.size(); ++i) {
        if (!IsShown(Icons[i])) continue;
        if (x >= left && x < left + IconCell) return static_cast<int>(i);
        left += IconCell;
    }
    return -1;
}

void TellOwner(int index, UINT mouseMessage) {
    NotifyIcon& icon = Icons[index];
    if (!icon.callbackMessage) return;
    DWORD pid = 0;
    GetWindowThreadProcessId(icon.owner, &pid);
    AllowSetForegroundWindow(pid); // the owner may open a menu and take the foreground
    // Not waited for: the owner may keep its menu open for a long time.
    SendNotifyMessageW(icon.owner, icon.callbackMessage, icon.id, mouseMessage);
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_3DFACE));
    DrawEdge(dc, &rc, BDR_SUNKENOUTER, BF_RECT);
    int left = 4, top = (rc.bottom - 16) / 2;
    for (const NotifyIcon& icon : Icons) {
        if (!IsShown(icon)) continue;
        HICON image = icon.icon ? icon.icon : LoadIcon(nullptr, IDI_APPLICATION);
        DrawIconEx(dc, left + 2, top, image, 16, 16, 0, nullptr, DI_NORMAL);
        left += IconCell;
    }
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t clock[16];
    wsprintfW(clock, L"%d:%02d", now.wHour, now.wMinute);
    RECT text = {rc.right - ClockWidth - 2, rc.top, rc.right - 2, rc.bottom};
    HGDIOBJ old = SelectObject(dc, Standin.font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, clock, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK NotifyAreaProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SetTimer(hwnd, ClockTimer, 10000, nullptr);
        return 0;
    case WM_TIMER:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: {
        int index = IconAt(static_cast<short>(LOWORD(lParam)));
        if (index >= 0) TellOwner(index, message);
        return 0;
    }
    case WM_DESTROY:
        KillTimer(hwnd, ClockTimer);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

bool RegisterNotifyAreaClass() {
    return RegisterStandinClass(standin::NotifyAreaClass, NotifyAreaProc, CS_DBLCLKS, nullptr);
}

const std::vector<NotifyIcon>& NotifyIcons() {
    return Icons;
}

LRESULT HandleNotifyIconRequest(const COPYDATASTRUCT* cds) {
    Request r;
    if (!cds || !ParseRequest(cds, &r)) return FALSE;
    int index = FindIcon(r.owner, r.id);
    switch (cds->dwData) {
    case NIM_ADD: {
        if (index >= 0 || !IsWindow(r.owner)) return FALSE;
        NotifyIcon icon = {r.owner, r.id, 0, 0, 0, std::wstring(), nullptr};
        Apply(r, &icon);
        Icons.push_back(icon);
        Changed();
        return TRUE;
    }
    case NIM_MODIFY:
        if (index < 0) return FALSE;
        Apply(r, &Icons[index]);
        Changed();
        return TRUE;
    case NIM_DELETE:
        if (index < 0) return FALSE;
        if (Icons[index].icon) DestroyIcon(Icons[index].icon);
        Icons.erase(Icons.begin() + index);
        Changed();
        return TRUE;
    case NIM_SETFOCUS:
    case NIM_SETVERSION:
        return index >= 0;
    default:
        return FALSE;
    }
}

int NotifyAreaWidth() {
    int shown = 0;
    for (const NotifyIcon& icon : Icons)
        if (IsShown(icon)) ++shown;
    return 4 + shown * IconCell + 4 + ClockWidth;
}

RECT NotifyIconScreenRect(size_t index) {
    RECT rc = {};
    if (index >= Icons.size() || !IsShown(Icons[index])) return rc;
    int left = 4;
    for (size_t i = 0; i < index; ++i)
        if (IsShown(Icons[i])) left += IconCell;
    RECT client;
    GetClientRect(Standin.notifyArea, &client);
    rc = {left, client.top, left + IconCell, client.bottom};
    MapWindowPoints(Standin.notifyArea, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void RemoveDeadNotifyIcons() {
    bool changed = false;
    for (size_t i = Icons.size(); i-- > 0;) {
        if (IsWindow(Icons[i].owner)) continue;
        if (Icons[i].icon) DestroyIcon(Icons[i].icon);
        Icons.erase(Icons.begin() + i);
        changed = true;
    }
    if (changed) Changed();
}
