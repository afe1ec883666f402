// The Windows XP strip: a toolbar control, one button per taskbar button, the
// button's application value (dwData) the window. The stand-in draws the
// buttons itself through the toolbar's custom draw, as the XP shell did.
// No tab-control message exists here.
#include "tools/standin_taskbar/button_strip.h"

#include <commctrl.h>

#include "tools/standin_taskbar/standin.h"

namespace {

class ToolbarStrip : public ButtonStrip {
  public:
    HWND Create(HWND taskSwitch) override {
        toolbar_ =
            CreateWindowExW(0, TOOLBARCLASSNAMEW, L"",
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_LIST | TBSTYLE_FLAT |
                                CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                            0, 0, 0, 0, taskSwitch, nullptr, Standin.instance, nullptr);
        if (!toolbar_) return nullptr;
        SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
        SendMessageW(toolbar_, WM_SETFONT, reinterpret_cast<WPARAM>(Standin.font), FALSE);
        SendMessageW(toolbar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
        return toolbar_;
    }
    int Count() override { return static_cast<int>(SendMessageW(toolbar_, TB_BUTTONCOUNT, 0, 0)); }
    void Insert(int index, HWND window, const wchar_t* title) override {
        TBBUTTON button = {};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = nextId_++;
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_NOPREFIX;
        button.dwData = reinterpret_cast<DWORD_PTR>(window);
        button.iString = reinterpret_cast<INT_PTR>(title); // the toolbar keeps a copy
        SendMessageW(toolbar_, TB_INSERTBUTTONW, index, reinterpret_cast<LPARAM>(&button));
        SetWidth(index);
    }
    void Delete(int index) override { SendMessageW(toolbar_, TB_DELETEBUTTON, index, 0); }
    void SetTitle(int index, const wchar_t* title) override {
        TBBUTTONINFOW info = {};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_BYINDEX | TBIF_TEXT;
        info.pszText = const_cast<wchar_t*>(title);
        SendMessageW(toolbar_, TB_SETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info));
    }
    bool ItemRect(int index, RECT* rc) override {
        return SendMessageW(toolbar_, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(rc)) != 0;
    }
    void SetButtonSize(int width, int height) override {
        width_ = width;
        SendMessageW(toolbar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(width, height));
        int count = Count();
        for (int i = 0; i < count; ++i)
            SetWidth(i);
    }
    void Select(int) override {} // the pressed button is drawn after the active window
    LRESULT OnNotify(const NMHDR* nm) override {
        switch (nm->code) {
        case NM_CUSTOMDRAW:
            return OnCustomDraw(reinterpret_cast<const NMCUSTOMDRAW*>(nm));
        case NM_CLICK:
            OnButtonClick();
            return 0;
        default:
            return 0;
        }
    }

  private:
    void SetWidth(int index) {
        TBBUTTONINFOW info = {};
        info.cbSize = sizeof info;
        info.dwMask = TBIF_BYINDEX | TBIF_SIZE;
        info.cx = static_cast<WORD>(width_);
        SendMessageW(toolbar_, TB_SETBUTTONINFOW, index, reinterpret_cast<LPARAM>(&info));
    }
    LRESULT OnCustomDraw(const NMCUSTOMDRAW* cd) {
        if (cd->dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
        if (cd->dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
        DrawTaskButton(cd->hdc, cd->rc, reinterpret_cast<HWND>(cd->lItemlParam), true);
        return CDRF_SKIPDEFAULT;
    }

    HWND toolbar_ = nullptr;
    int nextId_ = 1;
    int width_ = 160;
};

} // namespace

ButtonStrip* NewToolbarStrip() {
    return new ToolbarStrip;
}
