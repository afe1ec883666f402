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
