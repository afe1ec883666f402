// Resource ids, shared by res/pelmora.rc and the program's code.
#pragma once

#define IDD_SETTINGS 201    // settings dialog
#define IDI_PROGRAM 202     // large class icon
#define IDI_TRAY 203        // small class icon and notification-area icon, 256 colours
#define IDM_TRAY 204        // the notification-area icon's menu
#define IDD_ABOUT 207       // about box

// Commands of the tray menu.
#define IDC_TRAY_SETTINGS 205  // open the settings dialog
#define IDC_TRAY_EXIT 206      // end the program
#define IDC_TRAY_ABOUT 208     // open the about box
#define IDC_TRAY_HIDE 209      // remove the icon for this run

// Controls of the about box.
#define IDC_ABOUT_VERSION 505  // the program's name and version
#define IDC_ABOUT_WEB 506      // the web address, opened by a click
#define IDC_ABOUT_MAIL 507     // the mail address, opened by a click

// ---- Settings dialog (res/settings_dialog.rc, config/settings_dialog.cpp) ----
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
