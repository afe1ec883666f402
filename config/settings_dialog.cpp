// The settings dialog (resource 201): its procedure, its general tab and the
// commit of the rule edits made on its window tab (rule_form.cpp). It changes
// the configuration and the groups; what concerns the application (the
// notification-area icon, a restart) it tells the main window.
#include "config/settings_dialog.h"

#include <commctrl.h>

#include "config/dialog_controls.h"
#include "config/state.h"
#include "core/errorlog.h"
#include "core/settings.h"
#include "core/state.h"
#include "engine/scan.h"
#include "res/resource.h"
#include "taskbar/state.h"

HWND SettingsDlgWnd = nullptr;
int RulesDirty = 0;

namespace {

// The window the dialog reports to (the main window), given when it opens.
HWND NotifyWnd = nullptr;

// Sent, not posted: the main window acts before the dialog goes on, in the
// order the steps of applying the settings need.
void Notify(WPARAM what) {
    if (NotifyWnd) SendMessageA(NotifyWnd, SettingsAppliedMessage, what, 0);
}

// Which controls belong to which tab, in the order ShowTabControls lifts them.
// Lifting them one after the other reverses their sibling order, which is the
// order the group-start styles of the template are laid out for.
const int GeneralTabControls[] = {IDC_SET_WINNUM_LABEL, IDC_SET_FLASH,     IDC_SET_WINNUM,
                                  IDC_SET_ICON,         IDC_SET_PATH,      IDC_SET_CLASS,
                                  IDC_SET_AND,          IDC_SET_OR,        IDC_SET_MENU_TOP,
                                  IDC_SET_MENU_BOTTOM,  IDC_SET_MENU_NONE, IDC_SET_SUBCLASS,
                                  IDC_SET_CLASSADDRESS, IDC_SET_LOAD};
const int WindowTabControls[] = {
    IDC_SET_RULES,       IDC_SET_RULE_ID,          IDC_SET_RULE_PATH,
    IDC_SET_RULE_CLASS,  IDC_SET_RULE_ENABLE,      IDC_SET_RULE_WINNUM_LABEL,
    IDC_SET_RULE_WINNUM, IDC_SET_RULE_TITLE_LABEL, IDC_SET_RULE_TITLE};

struct TabTable {
    const int* ids;
    int count;
};
const TabTable Tabs[] = {
    {GeneralTabControls, (int)(sizeof GeneralTabControls / sizeof GeneralTabControls[0])},
    {WindowTabControls, (int)(sizeof WindowTabControls / sizeof WindowTabControls[0])}};

int SelectedTab(HWND dlg) {
    return (int)SendDlgItemMessageA(dlg, IDC_SET_TABS, TCM_GETCURSEL, 0, 0);
}

void SetButtonCaptions(HWND dlg, int tab) {
    SetDlgItemTextA(dlg, IDOK, tab == 1 ? "追加/変更" : "変更");
    SetDlgItemTextA(dlg, IDC_SET_SECOND_BUTTON, tab == 1 ? "削除" : "キャンセル");
}

void Dismiss(HWND dlg) {
    if (RulesDirty) CommitRuleEdits();
    DestroyWindow(dlg); // WM_DESTROY clears SettingsDlgWnd
}

// ---- message handlers ----

void OnInitDialog(HWND dlg) {
    SetDlgItemInt(dlg, IDC_SET_WINNUM, (UINT)Settings.WinNum, FALSE);
    CheckIf(dlg, IDC_SET_FLASH, Settings.Flash);
    CheckIf(dlg, IDC_SET_ICON, Settings.Icon);
    CheckIf(dlg, IDC_SET_PATH, Settings.Path);
    CheckIf(dlg, IDC_SET_CLASS, Settings.Class);
    CheckIf(dlg, IDC_SET_SUBCLASS, Settings.SubClass);
    CheckIf(dlg, IDC_SET_CLASSADDRESS, Settings.ClassAddress);
    CheckIf(dlg, IDC_SET_LOAD, Settings.Load);
    CheckIf(dlg, IDC_SET_AND, Settings.And);
    CheckIf(dlg, IDC_SET_OR, !Settings.And);
    CheckIf(dlg, IDC_SET_MENU_TOP, 0);
    CheckIf(dlg, IDC_SET_MENU_BOTTOM, 0);
    CheckIf(dlg, IDC_SET_MENU_NONE, 0);
    // A Menu value outside 0 to 2 from the settings file leaves all three unchecked.
    if (Settings.Menu >= 0 && Settings.Menu <= 2) CheckIf(dlg, IDC_SET_MENU_TOP + Settings.Menu, 1);
    UpdateStateCaptions(dlg);

    HWND tabs = GetDlgItem(dlg, IDC_SET_TABS);
    const char* names[] = {"全般", "ウィンドウ"};
    for (int i = 0; i < 2; ++i) {
        TCITEMA item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(names[i]);
        SendMessageA(tabs, TCM_INSERTITEMA, (WPARAM)i, (LPARAM)&item);
    }
    ShowTabControls(dlg, 0);

    InsertRuleColumns(dlg);
    RulesDirty = 0;
    for (GroupRule* rule = RuleList; rule; rule = rule->next)
        AppendRuleRow(dlg, rule);

    CheckIf(dlg, IDC_SET_RULE_PATH, 1);
    FillIdChoices(dlg, RuleTypePath);
    // Keyboard users start at the threshold box once the dialog is shown.
    PostMessageA(dlg, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dlg, IDC_SET_WINNUM), TRUE);
}

void OnNotify(HWND dlg, const NMHDR* header) {
    if (header->idFrom == IDC_SET_TABS && header->code == (UINT)TCN_SELCHANGE) {
        int tab = SelectedTab(dlg);
        ShowTabControls(dlg, tab);
        SetButtonCaptions(dlg, tab);
    } else if (header->idFrom == IDC_SET_RULES && header->code == (UINT)LVN_ITEMCHANGED) {
        // Only selection changes load the form; the dialog's own rewriting of a
        // row's texts must not overwrite what the user typed.
        const NMLISTVIEW* change = (const NMLISTVIEW*)header;
        if (change->uChanged & LVIF_STATE) LoadRuleIntoForm(dlg, FirstSelectedRow(dlg));
    }
}

void OnCommand(HWND dlg, int id) {
    switch (id) {
    case IDOK:
        if (SelectedTab(dlg) == 1)
            AddOrChangeRule(dlg);
        else
            ApplyGeneralSettings(dlg);
        break;
    case IDC_SET_SECOND_BUTTON:
        if (SelectedTab(dlg) == 1)
            DeleteSelectedRule(dlg, FirstSelectedRow(dlg));
        else
            Dismiss(dlg);
        break;
    case IDCANCEL:
        Dismiss(dlg);
        break;
    case IDC_SET_FLASH:
    case IDC_SET_PATH:
    case IDC_SET_ICON:
    case IDC_SET_RULE_ENABLE:
        UpdateStateCaptions(dlg);
        break;
    case IDC_SET_RULE_PATH:
        FillIdChoices(dlg, RuleTypePath);
        break;
    case IDC_SET_RULE_CLASS:
        FillIdChoices(dlg, RuleTypeClass);
        break;
    default:
        break;
    }
}

void OnDestroy(HWND dlg) {
    if (SettingsDlgWnd == dlg) SettingsDlgWnd = nullptr;
}

} // namespace

INT_PTR CALLBACK SettingsDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dlg);
        return TRUE;
    case WM_NOTIFY:
        OnNotify(dlg, (const NMHDR*)lParam);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dlg, LOWORD(wParam));
        return TRUE;
    case WM_CLOSE:
        // The close box keeps the user's rule edits, like キャンセル.
        Dismiss(dlg);
        return TRUE;
    case WM_DESTROY:
        OnDestroy(dlg);
        return TRUE;
    default:
        return FALSE;
    }
}

HWND OpenSettingsDialog(HWND notify) {
    if (SettingsDlgWnd) return nullptr;
    NotifyWnd = notify;
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    HWND dlg =
        CreateDialogParamA(Instance, MAKEINTRESOURCEA(IDD_SETTINGS), nullptr, SettingsDlgProc, 0);
    if (!dlg) {
        ErrorLogWithLastError("コンフィグウィンドウの作成に失敗しました\n");
        return nullptr;
    }
    SettingsDlgWnd = dlg;
    ShowWindow(dlg, SW_SHOWNORMAL);
    UpdateWindow(dlg);
    return dlg;
}

int PreTranslateSettingsDialog(MSG* msg) {
    if (!SettingsDlgWnd) return 0;
    return IsDialogMessageA(SettingsDlgWnd, msg) ? 1 : 0;
}

void ShowTabControls(HWND dlg, int tab) {
    for (int t = 0; t < 2; ++t) {
        for (int i = 0; i < Tabs[t].count; ++i) {
            HWND control = GetDlgItem(dlg, Tabs[t].ids[i]);
            if (t == tab) {
                ShowWindow(control, SW_SHOW);
                SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            } else {
                ShowWindow(control, SW_HIDE);
            }
        }
    }
}

void UpdateStateCaptions(HWND dlg) {
    SetDlgItemTextA(dlg, IDC_SET_FLASH,
                    IsChecked(dlg, IDC_SET_FLASH) ? "タイトルバーの点滅を反映する"
                                                  : "タイトルバーの点滅を反映しない");
    SetDlgItemTextA(dlg, IDC_SET_ICON,
                    IsChecked(dlg, IDC_SET_ICON) ? "アイコンを表示する" : "アイコンを表示しない");
    UINT state = IsDlgButtonChecked(dlg, IDC_SET_RULE_ENABLE);
    SetDlgItemTextA(dlg, IDC_SET_RULE_ENABLE,
                    state == BST_CHECKED         ? "ウィンドウをまとめる"
                    : state == BST_INDETERMINATE ? "設定を無効にする"
                                                 : "ウィンドウをまとめない");
}

void ApplyGeneralSettings(HWND dlg) {
    int regroup = 0;
    int restart = 0;

    BOOL isNumber = FALSE;
    int winNum = (int)GetDlgItemInt(dlg, IDC_SET_WINNUM, &isNumber, TRUE);
    if (isNumber && winNum >= 2)
        Settings.WinNum = winNum;
    else
        ShowInputError(dlg, "ウィンドウの最低数は2以上の値を指定してください");

    Settings.Flash = IsChecked(dlg, IDC_SET_FLASH);
    Settings.Icon = IsChecked(dlg, IDC_SET_ICON);

    struct Flag {
        int id;
        int* value;
        int* change;
    };
    const Flag flags[] = {{IDC_SET_PATH, &Settings.Path, &regroup},
                          {IDC_SET_CLASS, &Settings.Class, &regroup},
                          {IDC_SET_SUBCLASS, &Settings.SubClass, &restart},
                          {IDC_SET_CLASSADDRESS, &Settings.ClassAddress, &restart},
                          {IDC_SET_AND, &Settings.And, &regroup},
                          {IDC_SET_LOAD, &Settings.Load, &restart}};
    for (const Flag& flag : flags) {
        int state = IsChecked(dlg, flag.id);
        if (state != *flag.value) *flag.change = 1;
        *flag.value = state;
    }

    if (IsChecked(dlg, IDC_SET_MENU_TOP))
        Settings.Menu = 0;
    else if (IsChecked(dlg, IDC_SET_MENU_BOTTOM))
        Settings.Menu = 1;
    else if (IsChecked(dlg, IDC_SET_MENU_NONE))
        Settings.Menu = 2;
    else
        Settings.Menu = 3;

    if (!Settings.Icon) Notify(SettingsIconOff);

    if (RulesDirty)
        CommitRuleEdits();
    else if (regroup)
        RebuildGroups();
    else
        ApplyThresholds();
    SaveSettings();

    if (restart &&
        ShowMessageBox(dlg,
                       "設定を有効にするにはpelmoraを再起動する必要があります.\r\n再起動しますか？",
                       "pelmoraの再起動", MB_YESNO) == IDYES) {
        Notify(SettingsRestart);
    }
}

void CommitRuleEdits() {
    RebuildGroups();
    SaveRules();
    RulesDirty = 0;
}
