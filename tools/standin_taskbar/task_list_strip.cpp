// The Windows 7 strip: a task list "MSTaskListWClass", a window of the
// stand-in's own that draws its buttons in a row and takes the clicks. No
// tab-control message exists here.
#include "tools/standin_taskbar/button_strip.h"

#include "tools/standin_taskbar/standin.h"

namespace {

constexpr char TaskListClass[] = "MSTaskListWClass";
constexpr int Gap = 3; // between two buttons
constexpr int Top = 2;

class TaskListStrip : public ButtonStrip {
  public:
    HWND Create(HWND taskSwitch) override {
        if (!RegisterStandinClass(TaskListClass, Proc, 0, GetSysColorBrush(COLOR_3DFACE)))
            return nullptr;
        list_ = CreateWindowExA(0, TaskListClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                                0, 0, taskSwitch, nullptr, Standin.instance, nullptr);
        return list_;
    }
    int Count() override { return static_cast<int>(items_.size()); }
    void Insert(int index, HWND window, const wchar_t*) override {
        items_.insert(items_.begin() + index, window);
        InvalidateRect(list_, nullptr, TRUE);
    }
    void Delete(int index) override {
        if (index < 0 || index >= Count()) return;
        items_.erase(items_.begin() + index);
        InvalidateRect(list_, nullptr, TRUE);
    }
    void SetTitle(int, const wchar_t*) override {} // drawn from the button list
    bool ItemRect(int index, RECT* rc) override {
        if (index < 0 || index >= Count()) return false;
        int left = index * (width_ + Gap);
        *rc = {left, Top, left + width_, Top + height_};
        return true;
    }
    void SetButtonSize(int width, int height) override {
        width_ = width;
        height_ = height;
    }
    void Select(int) override {} // the pressed button is drawn after the active window
    LRESULT OnNotify(const NMHDR*) override { return 0; }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(list_, &ps);
        for (int i = 0; i < Count(); ++i) {
            RECT rc;
            if (ItemRect(i, &rc)) DrawTaskButton(dc, rc, items_[i], true);
        }
        EndPaint(list_, &ps);
    }

    HWND list_ = nullptr;
    std::vector<HWND> items_;
    int width_ = 160;
    int height_ = TaskbarHeight - 6;
};

TaskListStrip* Instance = nullptr; // the one task list of the stand-in

LRESULT CALLBACK TaskListStrip::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        if (Instance && hwnd == Instance->list_) {
            Instance->Paint();
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        OnButtonClick();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace

ButtonStrip* NewTaskListStrip() {
    return Instance = new TaskListStrip;
}
