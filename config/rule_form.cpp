// The settings dialog's window tab: the rule list and the form that adds,
// changes and deletes rules. Edits take effect in RuleList at once; the groups
// follow when the dialog commits them.
#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include "config/dialog_controls.h"
#include "config/settings_dialog.h"
#include "config/state.h"
#include "core/classify.h"
#include "core/errorlog.h"
#include "core/rules.h"
#include "core/screen_text.h"
#include "core/pure/rule_id.h"
#include "core/pure/text.h"
#include "core/state.h"
#include "core/store_apps.h"
#include "taskbar/visibility.h"

namespace {

const char NotGiven[] = "指定しない";

GroupRule* RuleAt(int row) {
    if (row < 0) return nullptr;
    GroupRule* rule = RuleList;
    for (int i = 0; rule && i < row; ++i)
        rule = rule->next;
    return rule;
}

// A cell of the user's text, in the system's code page as the rule file holds it.
void SetCell(HWND list, int row, int column, const char* text) {
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
}

// A cell of pelmora's own text, which reads right on any code page.
void SetProgramCell(HWND list, int row, int column, const char* text) {
    wchar_t wide[TextBufferSize];
    WideProgramText(text, wide, TextBufferSize);
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = wide;
    SendMessageW(list, LVM_SETITEMTEXTW, (WPARAM)row, (LPARAM)&item);
}

// Cells 1 to 3 of a row; cell 0 (the id) is set by the caller.
void SetRuleDetailCells(HWND list, const GroupRule* rule, int row) {
    if (rule->title && rule->title[0])
        SetCell(list, row, 1, rule->title);
    else
        SetProgramCell(list, row, 1, NotGiven);
    const char* action = rule->enable == 0 ? "まとめない" : rule->enable == 1 ? "まとめる" : "無効";
    SetProgramCell(list, row, 2, action);
    char count[16];
    snprintf(count, sizeof count, "%d", rule->winNum);
    SetProgramCell(list, row, 3, rule->winNum >= 2 ? count : NotGiven);
}

// Text of an edit box or of the combo box's edit field: 1 with the text in
// buffer (TextBufferSize bytes), 0 when it is TextBufferSize bytes or longer.
int ReadShortText(HWND dlg, int id, char* buffer) {
    buffer[0] = '\0';
    HWND control = GetDlgItem(dlg, id);
    if (GetWindowTextLengthA(control) >= TextBufferSize) return 0;
    GetWindowTextA(control, buffer, TextBufferSize);
    return 1;
}

// The id and the title of the form, each into a buffer of TextBufferSize
// bytes; 0 after the box that says why the rule file could not hold them.
int ReadRuleTexts(HWND dlg, char* id, char* title) {
    if (!ReadShortText(dlg, IDC_SET_RULE_TITLE, title)) {
        ShowInputError(dlg, "タイトルが長すぎます");
        return 0;
    }
    if (!ReadShortText(dlg, IDC_SET_RULE_ID, id)) {
        ShowInputError(dlg, "実行ファイルパス/クラス名が長すぎます");
        return 0;
    }
    // Blanks and quotes around the id would not survive the rule file.
    TrimRuleId(id);
    if (!id[0]) {
        ShowInputError(dlg, "実行ファイルパス/クラス名が入力されていません");
        return 0;
    }
    return 1;
}

// The type the options choose; `current` when neither is checked.
int CheckedRuleType(HWND dlg, int current) {
    if (IsChecked(dlg, IDC_SET_RULE_PATH)) return RuleTypePath;
    if (IsChecked(dlg, IDC_SET_RULE_CLASS)) return RuleTypeClass;
    return current;
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

} // namespace

void InsertRuleColumns(HWND dlg) {
    struct Column {
        const char* header;
        int width;
    };
    static const Column columns[] = {
        {"ファイルパス/クラス名", 70}, {"タイトル", 70}, {"動作", 40}, {"ウィンドウ数", 20}};
    HWND list = GetDlgItem(dlg, IDC_SET_RULES);
    for (int i = 0; i < 4; ++i) {
        wchar_t header[32];
        WideProgramText(columns[i].header, header, 32);
        LVCOLUMNW column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = header;
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, (WPARAM)i, (LPARAM)&column);
    }
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
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
    char id[TextBufferSize];
    char title[TextBufferSize];
    if (!ReadRuleTexts(dlg, id, title)) return;
    BOOL isNumber = FALSE;
    int winNum = (int)GetDlgItemInt(dlg, IDC_SET_RULE_WINNUM, &isNumber, TRUE);

    int row = 0;
    GroupRule* rule = FindRuleById(id, &row);
    RuleFields fields = {title, CheckedRuleType(dlg, rule ? rule->type : RuleTypePath),
                         (int)IsDlgButtonChecked(dlg, IDC_SET_RULE_ENABLE),
                         isNumber && winNum >= 2 ? winNum : -1};
    // A failure (core logs it) leaves the rules and RulesDirty as they were.
    if (rule) {
        if (!ChangeRule(rule, fields)) return;
        RulesDirty = 1;
        SetRuleRow(dlg, rule, row);
    } else {
        rule = NewRule(id, fields);
        if (!rule) return;
        RulesDirty = 1;
        AppendRuleRow(dlg, rule);
    }
}

void DeleteSelectedRule(HWND dlg, int row) {
    GroupRule* rule = RuleAt(row);
    if (!rule) return;
    RulesDirty = 1;
    DeleteRule(rule);
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
    char typed[TextBufferSize];
    GetDlgItemTextA(dlg, IDC_SET_RULE_ID, typed, sizeof typed);

    Choice* choices = nullptr;
    char text[TextBufferSize];
    for (WndGroup* group = GroupList; group; group = group->next) {
        for (WndMember* member = group->members; member; member = member->next) {
            if (!IsVisible(member->hwnd)) continue;
            int found = kind == RuleTypeClass ? GetClassNameA(member->hwnd, text, sizeof text) > 0
                                              : GetApplicationPath(member->hwnd, text);
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
