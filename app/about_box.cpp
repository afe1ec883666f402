// The about box: a modeless dialog whose web and mail addresses open on a click.
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>

#include "app/app.h"
#include "core/pure/text.h"
#include "taskbar/state.h"
#include "res/resource.h"

namespace {

// The open about box, or null: at most one at a time.
HWND AboutDlgWnd = nullptr;

// 1 when the click point, in the box's client coordinates, lies on the control.
int IsOnControl(HWND dialog, int id, unsigned x, unsigned y) {
    HWND control = GetDlgItem(dialog, id);
    RECT r;
    if (!control || !GetWindowRect(control, &r)) return 0;
    // The system maps the control's screen rectangle into the box's client area,
    // whatever the widths of the box's frame and caption.
    MapWindowPoints(nullptr, dialog, (POINT*)&r, 2);
    return r.left <= (long)x && (long)x < r.right && r.top <= (long)y && (long)y < r.bottom;
}

// Opens the address a control shows; the mail address as a "mailto:" address.
void OpenAddressOf(HWND dialog, int id, const char* scheme) {
    char text[TextBufferSize];
    char target[TextBufferSize + 8];
    GetDlgItemTextA(dialog, id, text, sizeof text);
    snprintf(target, sizeof target, "%s%s", scheme, text);
    ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOW);
}

// The static texts take no clicks themselves, so a click on them lands here.
void OnClick(HWND dialog, LPARAM lParam) {
    unsigned x = LOWORD(lParam);
    unsigned y = HIWORD(lParam);
    if (IsOnControl(dialog, IDC_ABOUT_WEB, x, y)) OpenAddressOf(dialog, IDC_ABOUT_WEB, "");
    if (IsOnControl(dialog, IDC_ABOUT_MAIL, x, y)) OpenAddressOf(dialog, IDC_ABOUT_MAIL, "mailto:");
}

// The box is modeless: ending it destroys it, and the next request opens a new one.
void CloseAboutBox(HWND dialog) {
    AboutDlgWnd = nullptr;
    DestroyWindow(dialog);
}

} // namespace

void OpenAboutBox() {
    if (AboutDlgWnd) return;
    AboutDlgWnd =
        CreateDialogParamA(Instance, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, AboutDlgProc, 0);
    if (!AboutDlgWnd) return;
    ShowWindow(AboutDlgWnd, SW_SHOWNORMAL);
    UpdateWindow(AboutDlgWnd);
}

int PreTranslateAboutBox(MSG* msg) {
    return AboutDlgWnd && IsDialogMessageA(AboutDlgWnd, msg) ? 1 : 0;
}

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        CloseAboutBox(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) CloseAboutBox(dialog);
        return TRUE;
    case WM_INITDIALOG:
        return TRUE;
    case WM_DESTROY:
        // However the box went, no handle to it stays behind.
        if (AboutDlgWnd == dialog) AboutDlgWnd = nullptr;
        return TRUE;
    case WM_LBUTTONDOWN:
        OnClick(dialog, lParam);
        return TRUE;
    default:
        return FALSE;
    }
}
