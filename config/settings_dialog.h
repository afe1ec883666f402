// The settings dialog (resource 201): a general tab that edits Settings and a
// window tab that edits RuleList. Modeless, without owner, at most one at a time.
#pragma once

#include <windows.h>

#include "core/model.h"
#include "core/settings.h"

// Sent by the dialog to the window that opened it when applying settings
// concerns the application: wParam is one of SettingsApplied.
constexpr UINT SettingsAppliedMessage = WM_APP + 101;
enum SettingsApplied : WPARAM {
    SettingsIconOff = 1, // the notification-area icon was turned off: remove it now
    SettingsRestart = 2, // the user asked for a restart with the new settings
};

INT_PTR CALLBACK SettingsDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam);

// Creates and shows the dialog unless one is open (then nothing happens); it
// reports to `notify` (the main window). A failed creation is logged. Returns
// the new dialog, or null when none was created.
HWND OpenSettingsDialog(HWND notify);

// For the program's message loop: 1 when msg is keyboard input for the open
// settings dialog and was handled as such (Tab, Enter, Esc...), so that it must
// not be dispatched again; 0 otherwise.
int PreTranslateSettingsDialog(MSG* msg);

// The dialog's operations, each on the dialog window.
void ShowTabControls(HWND dlg, int tab); // 0 general, 1 window
void UpdateStateCaptions(HWND dlg);      // captions of 500, 507 and 518
void ApplyGeneralSettings(HWND dlg);     // reads the general tab into a copy and applies it
// Carries out the change from `before` to `after` as the key table says, with
// the dialog owning its boxes; Settings holds `after` afterwards.
void ApplySettings(HWND dlg, const SettingsRecord& before, const SettingsRecord& after);
void CommitRuleEdits(HWND dlg); // rebuild the groups, rewrite rule.ini (a failure is told)

// The window tab (rule_form.cpp).
void InsertRuleColumns(HWND dlg);
void AppendRuleRow(HWND dlg, const GroupRule* rule);
void SetRuleRow(HWND dlg, const GroupRule* rule, int row);
void AddOrChangeRule(HWND dlg);
void DeleteSelectedRule(HWND dlg, int row);
void LoadRuleIntoForm(HWND dlg, int row);
void FillIdChoices(HWND dlg, int kind); // RuleTypePath or RuleTypeClass
