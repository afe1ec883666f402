// Resource identifiers shared by the resource scripts and the program.
#pragma once

// ---- Settings dialog (res/settings_dialog.rc, config/settings_dialog.cpp) ----
#define IDD_SETTINGS 201
// Button 1 (IDOK) reads 変更 or 追加/変更 depending on the tab.
#define IDC_SET_SECOND_BUTTON 525  // キャンセル or 削除 depending on the tab
#define IDC_SET_TABS 513           // the tab control under every other control
// General tab
#define IDC_SET_WINNUM_LABEL 521
#define IDC_SET_FLASH 500
#define IDC_SET_WINNUM 501
#define IDC_SET_ICON 507
#define IDC_SET_PATH 502
#define IDC_SET_CLASS 503
#define IDC_SET_AND 508
#define IDC_SET_OR 509
#define IDC_SET_MENU_TOP 510
#define IDC_SET_MENU_BOTTOM 511
#define IDC_SET_MENU_NONE 512
#define IDC_SET_SUBCLASS 526
#define IDC_SET_CLASSADDRESS 527
#define IDC_SET_LOAD 528
// Window tab: the rule list and the rule form
#define IDC_SET_RULES 514
#define IDC_SET_RULE_ID 524
#define IDC_SET_RULE_PATH 516
#define IDC_SET_RULE_CLASS 517
#define IDC_SET_RULE_ENABLE 518
#define IDC_SET_RULE_WINNUM_LABEL 522
#define IDC_SET_RULE_WINNUM 504
#define IDC_SET_RULE_TITLE_LABEL 523
#define IDC_SET_RULE_TITLE 519
// ---- end of the settings dialog ----
