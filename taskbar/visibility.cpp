#include "taskbar/visibility.h"

#include "core/classify.h"
#include "core/scoped.h"
#include "core/state.h"
#include "taskbar/taken_buttons.h"

namespace {

// DWMWA_CLOAKED; the headers name it only for programs that require Windows 8.
constexpr DWORD CloakedAttribute = 14;

using DwmAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);

// DwmGetWindowAttribute where windows can be cloaked (Windows 8 and later),
// from dwmapi.dll loaded on the first question and kept for the run.
DwmAttributeFn CloakQuery() {
    static const DwmAttributeFn query = []() -> DwmAttributeFn {
        if (!Windows8OrLater()) return nullptr;
        HMODULE dwm = LoadLibraryA("dwmapi.dll");
        return dwm ? ProcAs<DwmAttributeFn>(dwm, "DwmGetWindowAttribute") : nullptr;
    }();
    return query;
}

} // namespace

bool IsCloaked(HWND hwnd) {
    DwmAttributeFn query = CloakQuery();
    DWORD cloaked = 0;
    // A question the system cannot answer means not cloaked.
    return query && SUCCEEDED(query(hwnd, CloakedAttribute, &cloaked, sizeof cloaked)) &&
           cloaked != 0;
}

int IsVisibleAnywhere(HWND hwnd) {
    return (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) ? 1 : 0;
}

bool RemovedByItsProgram(HWND hwnd) {
    return GetPropA(hwnd, DeletedTabMark) && !IsButtonTaken(hwnd);
}

int IsVisible(HWND hwnd) {
    return IsVisibleAnywhere(hwnd) && !RemovedByItsProgram(hwnd) && !IsCloaked(hwnd) ? 1 : 0;
}

int CountVisibleMembers(const WndGroup* group) {
    int count = 0;
    for (const WndMember* m = group->members; m; m = m->next)
        count += IsVisible(m->hwnd);
    return count;
}

int IsGroupShown(const WndGroup* group) {
    int threshold = Settings.WinNum;
    if (const GroupRule* rule = RuleInForce(group->rule)) {
        if (rule->enable == 0) return 0;
        if (rule->winNum >= 2) threshold = rule->winNum;
    }
    // A threshold below 1 from a hand-edited settings file still needs one
    // visible window: a group whose windows are all hidden never gets a proxy.
    if (threshold < 1) threshold = 1;
    return CountVisibleMembers(group) >= threshold ? 1 : 0;
}
