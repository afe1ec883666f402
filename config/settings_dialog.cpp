// The settings dialog (resource 201): its procedure, its general tab and the
// commit of the rule edits made on its window tab (rule_form.cpp). It changes
// the configuration and the groups; what concerns the application (the
// notification-area icon, a restart) it tells the main window.
#include "config/settings_dialog.h"

#include <commctrl.h>
#include <stdio.h>

#include "config/dialog_controls.h"
#include "config/state.h"
#include "core/errorlog.h"
#include "core/screen_text.h"
#include "core/settings.h"
#include "core/state.h"
#include "engine/passes.h"
#include "res/resource.h"
#include "taskbar/buttons.h"
#include "taskbar/state.h"

HWND SettingsDlgWnd = nullptr;
int RulesDirty = 0;

namespace {

constexpr char SettingsSaveFailedText[] = "設定の保存に失敗しました";
constexpr char RulesSaveFailedText[] = "ルールの保存に失敗しました";

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

// The general tab's check boxes and the settings they stand for (checked: 1).
struct CheckBoxSetting {
    int id;
    int SettingsRecord::*field;
};
const CheckBoxSetting CheckBoxes[] = {
    {IDC_SET_FLASH, &SettingsRecord::Flash},
    {IDC_SET_ICON, &SettingsRecord::Icon},
    {IDC_SET_PATH, &SettingsRecord::Path},
    {IDC_SET_CLASS, &SettingsRecord::Class},
    {IDC_SET_SUBCLASS, &SettingsRecord::SubClass},
    {IDC_SET_CLASSADDRESS, &SettingsRecord::ClassAddress},
    {IDC_SET_LOAD, &SettingsRecord::Load},
    {IDC_SET_AND, &SettingsRecord::And},
};

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
    SetProgramText(GetDlgItem(dlg, IDOK), tab == 1 ? "追加/変更" : "変更");
    SetProgramText(GetDlgItem(dlg, IDC_SET_SECOND_BUTTON), tab == 1 ? "削除" : "キャンセル");
}

void Dismiss(HWND dlg) {
    if (RulesDirty) CommitRuleEdits(dlg);
    DestroyWindow(dlg); // WM_DESTROY clears SettingsDlgWnd
}

// A file that could not be written: the log gets the system's text, the user
// a box that says so (with that text); the values stay in force for this run.
void ReportSaveFailure(HWND dlg, const char* text) {
    DWORD code = GetLastError();
    char errorText[TextBufferSize], entry[TextBufferSize + 256];
    FormatErrorText(code, errorText);
    snprintf(entry, sizeof entry, "%s\n", text);
    ErrorLog(entry);
    ErrorLog(errorText);
    ModalDrain drain; // grouping goes on while the box is open
    ShowFailureBox(dlg, text, code);
}

// Whether the user wants the restart that a setting read at start-up needs.
bool AskRestart(HWND dlg) {
    ModalDrain drain;
    return ShowMessageBox(
               dlg, "設定を有効にするにはpelmoraを再起動する必要があります.\r\n再起動しますか？",
               "pelmoraの再起動", MB_YESNO) == IDYES;
}

// The settings as the general tab shows them, over the ones given. A
// threshold below 2 or not a number is refused with a box and not taken.
void ReadGeneralTab(HWND dlg, SettingsRecord* settings) {
    BOOL isNumber = FALSE;
    int winNum = (int)GetDlgItemInt(dlg, IDC_SET_WINNUM, &isNumber, TRUE);
    if (isNumber && winNum >= 2)
        settings->WinNum = winNum;
    else
        ShowInputError(dlg, "ウィンドウの最低数は2以上の値を指定してください");
    for (const CheckBoxSetting& box : CheckBoxes)
        settings->*box.field = IsChecked(dlg, box.id);
    // The first option checked; 3 when none is, which only a Menu outside 0
    // to 2 in the settings file leaves.
    settings->Menu = 3;
    for (int i = 0; i < 3 && settings->Menu == 3; ++i)
        if (IsChecked(dlg, IDC_SET_MENU_TOP + i)) settings->Menu = i;
}

// ---- message handlers ----

void OnInitDialog(HWND dlg) {
    SetDlgItemInt(dlg, IDC_SET_WINNUM, (UINT)Settings.WinNum, FALSE);
    for (const CheckBoxSetting& box : CheckBoxes)
        CheckIf(dlg, box.id, Settings.*box.field);
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
        wchar_t name[16];
        WideProgramText(names[i], name, 16);
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = name;
        SendMessageW(tabs, TCM_INSERTITEMW, (WPARAM)i, (LPARAM)&item);
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
    // Its commands run passes and open boxes.
    if ((message == WM_COMMAND || message == WM_CLOSE) &&
        PostedPastBurst(dlg, message, wParam, lParam))
        return TRUE;
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
    SetProgramText(GetDlgItem(dlg, IDC_SET_FLASH), IsChecked(dlg, IDC_SET_FLASH)
                                                       ? "タイトルバーの点滅を反映する"
                                                       : "タイトルバーの点滅を反映しない");
    SetProgramText(GetDlgItem(dlg, IDC_SET_ICON),
                   IsChecked(dlg, IDC_SET_ICON) ? "アイコンを表示する" : "アイコンを表示しない");
    UINT state = IsDlgButtonChecked(dlg, IDC_SET_RULE_ENABLE);
    SetProgramText(GetDlgItem(dlg, IDC_SET_RULE_ENABLE),
                   state == BST_CHECKED         ? "ウィンドウをまとめる"
                   : state == BST_INDETERMINATE ? "設定を無効にする"
                                                : "ウィンドウをまとめない");
}

void ApplyGeneralSettings(HWND dlg) {
    SettingsRecord after = Settings;
    ReadGeneralTab(dlg, &after);
    ApplySettings(dlg, Settings, after);
}

// In this order: the new values take effect; the icon goes when it is off;
// the groups are rebuilt (rules edited or a grouping setting changed) or else
// measured against their thresholds again, whether a threshold changed or not;
// the file is written; a setting read only at start-up offers a restart.
void ApplySettings(HWND dlg, const SettingsRecord& before, const SettingsRecord& after) {
    // Decided first: `before` may be Settings itself.
    bool regroup = SettingsChangeNeeds(before, after, SettingEffect::Regroup);
    bool restart = SettingsChangeNeeds(before, after, SettingEffect::NextStart);
    Settings = after;
    if (!Settings.Icon) Notify(SettingsIconOff);

    if (RulesDirty)
        CommitRuleEdits(dlg);
    else if (regroup)
        RebuildGroups();
    else
        ApplyThresholds();
    if (!SaveSettings()) ReportSaveFailure(dlg, SettingsSaveFailedText);
    if (restart && AskRestart(dlg)) Notify(SettingsRestart);
}

// The edits stay uncommitted when rule.ini could not be written, so that the
// next 変更 or キャンセル tries to save them again.
void CommitRuleEdits(HWND dlg) {
    RebuildGroups();
    RulesDirty = SaveRules() ? 0 : 1;
    if (RulesDirty) ReportSaveFailure(dlg, RulesSaveFailedText);
}
