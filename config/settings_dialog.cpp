#include "config/settings_dialog.h"

#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include "app/app.h"
#include "config/pure/rule_id.h"
#include "config/settings.h"
#include "core/classify.h"
#include "core/errorlog.h"
#include "core/globals.h"
#include "core/pure/text.h"
#include "core/scan.h"
#include "res/resource.h"

namespace {

constexpr int TextSize = 1024; // titles, ids, paths and class names

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

const char NotGiven[] = "指定しない";

int IsChecked(HWND dlg, int id) {
    return IsDlgButtonChecked(dlg, id) == BST_CHECKED ? 1 : 0;
}

void CheckIf(HWND dlg, int id, int on) {
    CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED);
}

int SelectedTab(HWND dlg) {
    return (int)SendDlgItemMessageA(dlg, IDC_SET_TABS, TCM_GETCURSEL, 0, 0);
}

int FirstSelectedRow(HWND dlg) {
    return (int)SendDlgItemMessageA(dlg, IDC_SET_RULES, LVM_GETNEXTITEM, (WPARAM)-1,
                                    MAKELPARAM(LVNI_SELECTED, 0));
}

void ShowInputError(HWND dlg, const char* text) {
    MessageBoxA(dlg, text, nullptr, MB_OK);
}

void SetButtonCaptions(HWND dlg, int tab) {
    SetDlgItemTextA(dlg, IDOK, tab == 1 ? "追加/変更" : "変更");
    SetDlgItemTextA(dlg, IDC_SET_SECOND_BUTTON, tab == 1 ? "削除" : "キャンセル");
}

GroupRule* RuleAt(int row) {
    if (row < 0) return nullptr;
    GroupRule* rule = RuleList;
    for (int i = 0; rule && i < row; ++i)
        rule = rule->next;
    return rule;
}

void SetCell(HWND list, int row, int column, const char* text) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
}

// Cells 1 to 3 of a row; cell 0 (the id) is set by the caller.
void SetRuleDetailCells(HWND list, const GroupRule* rule, int row) {
    SetCell(list, row, 1, rule->title && rule->title[0] ? rule->title : NotGiven);
    const char* action = rule->enable == 0 ? "まとめない" : rule->enable == 1 ? "まとめる" : "無効";
    SetCell(list, row, 2, action);
    char count[16];
    if (rule->winNum >= 2)
        snprintf(count, sizeof count, "%d", rule->winNum);
    else
        snprintf(count, sizeof count, "%s", NotGiven);
    SetCell(list, row, 3, count);
}

void InsertRuleColumns(HWND dlg) {
    struct Column {
        const char* header;
        int width;
    };
    static const Column columns[] = {
        {"ファイルパス/クラス名", 70}, {"タイトル", 70}, {"動作", 40}, {"ウィンドウ数", 20}};
    HWND list = GetDlgItem(dlg, IDC_SET_RULES);
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = const_cast<char*>(columns[i].header);
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, (WPARAM)i, (LPARAM)&column);
    }
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

// Text of an edit box or of the combo box's edit field: 1 with the text in
// buffer (TextSize bytes), 0 when it is TextSize bytes or longer.
int ReadShortText(HWND dlg, int id, char* buffer) {
    buffer[0] = '\0';
    HWND control = GetDlgItem(dlg, id);
    if (GetWindowTextLengthA(control) >= TextSize) return 0;
    GetWindowTextA(control, buffer, TextSize);
    return 1;
}

// One distinct text of the id choices.
struct Choice {
    char* text;
    int hash;
    Choice* next;
};

int HasChoice(const Choice* list, const char* text, int hash) {
    for (; list; list = list->next)
        if (list->hash == hash && strcmp(list->text, text) == 0) return 1;
    return 0;
}

void AddChoice(Choice** list, const char* text) {
    int hash = StrHash(text);
    if (HasChoice(*list, text, hash)) return;
    Choice* choice = (Choice*)ObjAlloc(sizeof(Choice));
    char* copy = choice ? ObjStrDup(text) : nullptr;
    if (!copy) {
        // The text is left out of the choices; the user can still type it.
        if (choice) ObjFree(choice);
        LogAllocFailure();
        return;
    }
    choice->text = copy;
    choice->hash = hash;
    choice->next = *list;
    *list = choice;
}

void FreeChoices(Choice* list) {
    while (list) {
        Choice* next = list->next;
        ObjFree(list->text);
        ObjFree(list);
        list = next;
    }
}

void Rebuild() {
    DestroyAllGroups();
    ScanAllWindows();
    CreateAllTabWnds();
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

HWND OpenSettingsDialog() {
    if (SettingsDlgWnd) return nullptr;
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

void AppendRuleRow(HWND dlg, const GroupRule* rule) {
    HWND list = GetDlgItem(dlg, IDC_SET_RULES);
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = (int)SendMessageA(list, LVM_GETITEMCOUNT, 0, 0);
    item.pszText = rule->id;
    int row = (int)SendMessageA(list, LVM_INSERTITEMA, 0, (LPARAM)&item);
    if (row < 0) {
        ErrorLogWithLastError("ルールの行を追加できませんでした\n");
        return;
    }
    SetRuleDetailCells(list, rule, row);
}

void SetRuleRow(HWND dlg, const GroupRule* rule, int row) {
    HWND list = GetDlgItem(dlg, IDC_SET_RULES);
    SetCell(list, row, 0, rule->id);
    SetRuleDetailCells(list, rule, row);
}

void AddOrChangeRule(HWND dlg) {
    BOOL isNumber = FALSE;
    int winNum = (int)GetDlgItemInt(dlg, IDC_SET_RULE_WINNUM, &isNumber, TRUE);
    if (!isNumber || winNum < 2) winNum = -1;

    char title[TextSize];
    char id[TextSize];
    if (!ReadShortText(dlg, IDC_SET_RULE_TITLE, title)) {
        ShowInputError(dlg, "タイトルが長すぎます");
        return;
    }
    if (!ReadShortText(dlg, IDC_SET_RULE_ID, id)) {
        ShowInputError(dlg, "実行ファイルパス/クラス名が長すぎます");
        return;
    }
    // Blanks around the id would not survive the rule file.
    TrimRuleId(id);
    if (!id[0]) {
        ShowInputError(dlg, "実行ファイルパス/クラス名が入力されていません");
        return;
    }

    int hash = StrHash(id);
    int row = 0;
    GroupRule* rule = RuleList;
    GroupRule* tail = nullptr;
    for (; rule; rule = rule->next, ++row) {
        if (rule->idHash == hash && strcmp(rule->id, id) == 0) break;
        tail = rule;
    }

    // Everything that can fail comes first, so that a failure changes nothing.
    char* titleCopy = ObjStrDup(title);
    GroupRule* added = nullptr;
    char* idCopy = nullptr;
    if (!rule) {
        added = (GroupRule*)ObjAlloc(sizeof(GroupRule));
        idCopy = ObjStrDup(id);
    }
    if (!titleCopy || (!rule && (!added || !idCopy))) {
        if (titleCopy) ObjFree(titleCopy);
        if (added) ObjFree(added);
        if (idCopy) ObjFree(idCopy);
        LogAllocFailure();
        return;
    }

    RulesDirty = 1;
    if (!rule) {
        rule = added;
        rule->id = idCopy;
        rule->idHash = hash;
        rule->type = RuleTypePath; // used when neither type option is checked
        rule->prev = tail;
        if (tail)
            tail->next = rule;
        else
            RuleList = rule;
    } else if (rule->title) {
        ObjFree(rule->title);
    }
    rule->title = titleCopy;
    if (IsChecked(dlg, IDC_SET_RULE_PATH))
        rule->type = RuleTypePath;
    else if (IsChecked(dlg, IDC_SET_RULE_CLASS))
        rule->type = RuleTypeClass;
    rule->enable = (int)IsDlgButtonChecked(dlg, IDC_SET_RULE_ENABLE);
    rule->winNum = winNum;

    if (rule == added)
        AppendRuleRow(dlg, rule);
    else
        SetRuleRow(dlg, rule, row);
}

void DeleteSelectedRule(HWND dlg, int row) {
    GroupRule* rule = RuleAt(row);
    if (!rule) return;
    RulesDirty = 1;
    for (WndGroup* group = GroupList; group; group = group->next)
        if (group->rule == rule) group->rule = nullptr;
    if (rule->prev)
        rule->prev->next = rule->next;
    else
        RuleList = rule->next;
    if (rule->next) rule->next->prev = rule->prev;
    if (rule->id) ObjFree(rule->id);
    if (rule->title) ObjFree(rule->title);
    ObjFree(rule);
    SendDlgItemMessageA(dlg, IDC_SET_RULES, LVM_DELETEITEM, (WPARAM)row, 0);
}

void LoadRuleIntoForm(HWND dlg, int row) {
    const GroupRule* rule = RuleAt(row);
    if (!rule) return;
    SetDlgItemTextA(dlg, IDC_SET_RULE_ID, rule->id ? rule->id : "");
    SetDlgItemTextA(dlg, IDC_SET_RULE_TITLE, rule->title ? rule->title : "");
    if (rule->winNum >= 2)
        SetDlgItemInt(dlg, IDC_SET_RULE_WINNUM, (UINT)rule->winNum, TRUE);
    else
        SetDlgItemTextA(dlg, IDC_SET_RULE_WINNUM, "");
    // Values other than 0 and 1 switch the rule off, as the list shows them.
    CheckDlgButton(dlg, IDC_SET_RULE_ENABLE,
                   rule->enable == 0   ? BST_UNCHECKED
                   : rule->enable == 1 ? BST_CHECKED
                                       : BST_INDETERMINATE);
    UpdateStateCaptions(dlg);
    CheckIf(dlg, IDC_SET_RULE_PATH, rule->type == RuleTypePath);
    CheckIf(dlg, IDC_SET_RULE_CLASS, rule->type == RuleTypeClass);
}

void FillIdChoices(HWND dlg, int kind) {
    char typed[TextSize];
    GetDlgItemTextA(dlg, IDC_SET_RULE_ID, typed, sizeof typed);

    Choice* choices = nullptr;
    char text[TextSize];
    for (WndGroup* group = GroupList; group; group = group->next) {
        for (WndMember* member = group->members; member; member = member->next) {
            if (!IsVisible(member->hwnd)) continue;
            int found = kind == RuleTypeClass
                            ? GetClassNameA(member->hwnd, text, sizeof text) > 0
                            : GetProcessImagePath(member->hwnd, text, sizeof text);
            if (found) AddChoice(&choices, text);
        }
    }

    HWND combo = GetDlgItem(dlg, IDC_SET_RULE_ID);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const Choice* c = choices; c; c = c->next)
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)c->text);
    FreeChoices(choices);
    SetWindowTextA(combo, typed);
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

    if (!Settings.Icon) RemoveTrayIcon();

    if (regroup || RulesDirty) {
        Rebuild();
        if (RulesDirty) {
            SaveRules();
            RulesDirty = 0;
        }
    } else {
        ApplyThresholds();
    }
    SaveSettings();

    if (restart &&
        MessageBoxA(dlg,
                    "設定を有効にするにはpelmoraを再起動する必要があります.\r\n再起動しますか？",
                    "pelmoraの再起動", MB_YESNO) == IDYES) {
        RestartRequested = 1;
        DestroyWindow(MainWnd);
    }
}

void CommitRuleEdits() {
    Rebuild();
    SaveRules();
    RulesDirty = 0;
}
