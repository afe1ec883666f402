// The control inside the task switch that shows the buttons, one kind per
// layout: a tab control (Win2000), a toolbar (Xp) or a task list (Win7). The
// button list (task_buttons.cpp) tells it of every change; it holds one item
// per button, in the same order. On the tab control each operation is one tab
// message, the traffic that a program watching the control relies on.
#pragma once

#include <windows.h>

class ButtonStrip {
  public:
    virtual ~ButtonStrip() = default;
    virtual HWND Create(HWND taskSwitch) = 0; // the control, or null
    virtual int Count() = 0;                  // the items as the control counts them
    virtual void Insert(int index, HWND window, const wchar_t* title) = 0;
    virtual void Delete(int index) = 0;
    virtual void SetTitle(int index, const wchar_t* title) = 0;
    virtual bool ItemRect(int index, RECT* rc) = 0; // in the control's client area
    virtual void SetButtonSize(int width, int height) = 0;
    virtual void Select(int index) = 0;            // the pressed button; -1: none
    virtual LRESULT OnNotify(const NMHDR* nm) = 0; // the control's WM_NOTIFY to its parent
};

ButtonStrip* NewTabStrip();      // tab_strip.cpp
ButtonStrip* NewToolbarStrip();  // toolbar_strip.cpp
ButtonStrip* NewTaskListStrip(); // task_list_strip.cpp
