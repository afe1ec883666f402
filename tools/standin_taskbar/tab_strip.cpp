// The Windows 2000 strip: a tab control in button style, one item per button,
// the item's application value (TCITEM.lParam) the window, as the Windows 2000
// shell kept it. Every change of the buttons is a message to the control
// (TCM_INSERTITEMW, TCM_DELETEITEM, TCM_GETITEMCOUNT, TCM_SETITEMW): another
// program may replace the control's window procedure to watch them. The
// stand-in itself never replaces it. The items are drawn by their owner, the
// task switch (WM_DRAWITEM).
#include "tools/standin_taskbar/button_strip.h"

#include <commctrl.h>

#include "tools/standin_taskbar/standin.h"

namespace {

class TabStrip : public ButtonStrip {
  public:
    HWND Create(HWND taskSwitch) override {
        tab_ =
            CreateWindowExW(0, WC_TABCONTROLW, L"",
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TCS_BUTTONS | TCS_FIXEDWIDTH |
                                TCS_FOCUSNEVER | TCS_OWNERDRAWFIXED | TCS_SINGLELINE,
                            0, 0, 0, 0, taskSwitch, nullptr, Standin.instance, nullptr);
        if (!tab_) return nullptr;
        SendMessageW(tab_, WM_SETFONT, reinterpret_cast<WPARAM>(Standin.font), FALSE);
        SendMessageW(tab_, TCM_SETPADDING, 0, MAKELPARAM(3, 2));
        return tab_;
    }
    int Count() override { return static_cast<int>(SendMessageW(tab_, TCM_GETITEMCOUNT, 0, 0)); }
    void Insert(int index, HWND window, const wchar_t* title) override {
        TCITEMW item = {};
        item.mask = TCIF_TEXT | TCIF_PARAM;
        item.pszText = const_cast<wchar_t*>(title);
        item.lParam = reinterpret_cast<LPARAM>(window);
        SendMessageW(tab_, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
    }
    void Delete(int index) override { SendMessageW(tab_, TCM_DELETEITEM, index, 0); }
    void SetTitle(int index, const wchar_t* title) override {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(title);
        SendMessageW(tab_, TCM_SETITEMW, index, reinterpret_cast<LPARAM>(&item));
    }
    bool ItemRect(int index, RECT* rc) override {
        return SendMessageW(tab_, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(rc)) != 0;
    }
    void SetButtonSize(int width, int height) override {
        SendMessageW(tab_, TCM_SETITEMSIZE, 0, MAKELPARAM(width, height));
    }
    void Select(int index) override { SendMessageW(tab_, TCM_SETCURSEL, index, 0); }
    LRESULT OnNotify(const NMHDR* nm) override {
        switch (nm->code) {
        case TCN_SELCHANGING:
            return TRUE; // the pressed button follows the active window, not the mouse
        case NM_CLICK:
            OnButtonClick();
            return 0;
        default:
            return 0;
        }
    }

  private:
    HWND tab_ = nullptr;
};

} // namespace

ButtonStrip* NewTabStrip() {
    return new TabStrip;
}
