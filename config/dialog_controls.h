// Small helpers for the settings dialog's controls, shared by its two tabs.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "engine/modal_drain.h"
#include "core/screen_text.h"
#include "res/resource.h"

inline int IsChecked(HWND dlg, int id) {
    return IsDlgButtonChecked(dlg, id) == BST_CHECKED ? 1 : 0;
}

inline void CheckIf(HWND dlg, int id, int on) {
    CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED);
}

// The first selected row of the rule list, -1 when none is.
inline int FirstSelectedRow(HWND dlg) {
    return (int)SendDlgItemMessageA(dlg, IDC_SET_RULES, LVM_GETNEXTITEM, (WPARAM)-1,
                                    MAKELPARAM(LVNI_SELECTED, 0));
}

// Invalid input, or a setting that could not be saved: a message box owned by
// the dialog, the system's caption, OK. Grouping goes on while it is open.
inline void ShowInputError(HWND dlg, const char* text) {
    ModalDrain drain;
    ShowMessageBox(dlg, text, nullptr, MB_OK);
}
