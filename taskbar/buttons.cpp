#include "taskbar/buttons.h"

#include "taskbar/state.h"

void AddTabIfVisible(HWND hwnd) {
    if (TaskbarListObject && IsVisible(hwnd) == 1) TaskbarListObject->AddTab(hwnd);
}

void DeleteTabIfVisible(HWND hwnd) {
    if (TaskbarListObject && IsVisible(hwnd) == 1) TaskbarListObject->DeleteTab(hwnd);
}

void ShowMembers(WndMember* first) {
    for (WndMember* m = first; m; m = m->next)
        AddTabIfVisible(m->hwnd);
}

void HideMembers(WndMember* first) {
    for (WndMember* m = first; m; m = m->next)
        DeleteTabIfVisible(m->hwnd);
}

void AddProxyTab(HWND proxy) {
    if (TaskbarListObject) TaskbarListObject->AddTab(proxy);
}

void DeleteProxyTab(HWND proxy) {
    if (TaskbarListObject) TaskbarListObject->DeleteTab(proxy);
}
