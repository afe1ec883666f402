// The group menu of a proxy: built and read back before it is tracked, when an
// activation opens it, the right-click path, and its owner-drawn window items.
// Clicks on the real program's menu are tested end to end.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string.h>

#include <string>
#include <vector>

#include "app/state.h"
#include "config/state.h"
#include "core/state.h"
#include "taskbar/state.h"
#include "taskbar/group_menu.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/support.h"

using namespace testing_support;

namespace {

// The items as read back: the text of string items, "-" for a separator,
// "w:<title>" for a window item (by the window its identifier names), each
// with "=id" and a "*" when it is the default item.
std::vector<std::string> ReadMenu(HMENU menu) {
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        EXPECT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &info)) << i;
        std::string item = text;
        if (info.fType & MFT_SEPARATOR) {
            item = "-";
        } else if (info.fType & MFT_OWNERDRAW) {
            GetWindowTextA((HWND)UlongToHandle(info.wID), text, sizeof text);
            item = std::string("w:") + text + (info.fState & MFS_DEFAULT ? "*" : "");
        } else {
            item += "=" + std::to_string(info.wID);
        }
        EXPECT_EQ(info.fState & (MFS_DISABLED | MFS_CHECKED), 0u) << item;
        items.push_back(item);
    }
    return items;
}

const std::vector<std::string> Batch = {
    "\x91\x53\x82\xc4\x95\x5c\x8e\xa6=1",                                 // 全て表示
    "\x91\x53\x82\xc4\x8d\xc5\x8f\xac\x89\xbb=3",                         // 全て最小化
    "\x91\x53\x82\xc4\x95\xc2\x82\xb6\x82\xe9=2",                         // 全て閉じる
    "\x8f\x64\x82\xcb\x82\xc4\x95\x5c\x8e\xa6=4",                         // 重ねて表示
    "\x8f\xe3\x89\xba\x82\xc9\x95\xc0\x82\xd7\x82\xc4\x95\x5c\x8e\xa6=5", // 上下に並べて表示
    "\x8d\xb6\x89\x45\x82\xc9\x95\xc0\x82\xd7\x82\xc4\x95\x5c\x8e\xa6=6", // 左右に並べて表示
};

// Counts the proxy's menu loops and ends each menu as soon as it waits for input.
WNDPROC OriginalProc = nullptr;
int MenuLoops = 0;
LRESULT CALLBACK WatchProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENTERMENULOOP) ++MenuLoops;
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU) EndMenu();
    return CallWindowProcA(OriginalProc, hwnd, message, wParam, lParam);
}

RECT TaskbarRect() {
    APPBARDATA data = {};
    data.cbSize = sizeof data;
    RECT r = {0, 0, 0, 0};
    if (SHAppBarMessage(ABM_GETTASKBARPOS, &data)) r = data.rc;
    return r;
}

POINT AwayFromTaskbar() {
    RECT r = TaskbarRect();
    // The middle of the screen, unless the taskbar covers it.
    POINT p = {GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2};
    if (p.y >= r.top && p.y <= r.bottom) p.y = r.top > 100 ? r.top - 100 : r.bottom + 100;
    return p;
}

class Menu : public GroupMenuTest {
  protected:
    void SetUp() override {
        GroupMenuTest::SetUp();
        savedReady = MenuReady;
        MenuReady = 1;
        std::vector<HWND> w = Open("count=3 title=w%d");
        ASSERT_EQ(w.size(), 3u);
        a = w[0];
        b = w[1];
        c = w[2];
        group = Group({c, b, a});
        ASSERT_TRUE(group && group->tab);
        proxy = group->tab->hwnd;
        OriginalProc = (WNDPROC)SetWindowLongPtrA(proxy, GWLP_WNDPROC, (LONG_PTR)WatchProc);
        taskbar->Clear();
    }
    void TearDown() override {
        // A system menu the test opened in the application would hold it in
        // its menu loop until it is ended.
        for (HWND w : app.Windows())
            PostMessageA(w, WM_CANCELMODE, 0, 0);
        GroupMenuTest::TearDown();
        MenuReady = savedReady;
    }
    std::vector<std::string> Build() {
        HMENU menu = BuildGroupMenu(proxy);
        EXPECT_NE(menu, nullptr);
        std::vector<std::string> items = menu ? ReadMenu(menu) : std::vector<std::string>();
        DestroyMenu(menu);
        return items;
    }
    // How often the window was asked to pop up its system menu.
    int SystemMenuRequests(HWND w) const {
        int n = 0;
        for (const std::string& e : app.Events(w))
            n += e.compare(0, 16, "popupsystemmenu ") == 0;
        return n;
    }

    HWND a = nullptr, b = nullptr, c = nullptr, proxy = nullptr;
    WndGroup* group = nullptr;
    int savedReady = 0;
};

} // namespace

TEST_F(Menu, MenuSettingPlacesTheBatchItemsTopBottomOrNowhere) {
    std::vector<std::string> top = Batch, bottom = {"w:w3", "w:w2", "w:w1", "-"};
    top.insert(top.end(), {"-", "w:w3", "w:w2", "w:w1"});
    bottom.insert(bottom.end(), Batch.begin(), Batch.end());
    std::vector<std::string> none = {"w:w3", "w:w2", "w:w1"};
    struct Case {
        int menu;
        std::vector<std::string> items;
    } cases[] = {{0, top}, {1, bottom}, {2, none}, {7, none}, {-1, none}};
    for (const Case& k : cases) {
        Settings.Menu = k.menu;
        EXPECT_EQ(Build(), k.items) << "Menu " << k.menu;
    }
}

TEST_F(Menu, OnlyVisibleMembersAreListedAndTheFlashingOneIsTheDefaultItem) {
    Settings.Menu = 2;
    ASSERT_TRUE(Tell("hide", b));
    ASSERT_TRUE(Tell("minimize", a)); // minimised windows are visible
    MemberOf(group, a)->flashing = 1;
    EXPECT_EQ(Build(), (std::vector<std::string>{"w:w3", "w:w1*"}));
    HWND plain = Open()[0];
    EXPECT_EQ(BuildGroupMenu(plain), nullptr) << "a window without proxy gets no menu";
}

TEST_F(Menu, ActivationOpensTheMenuOnlyByTheTaskbarButton) {
    RECT r = TaskbarRect();
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    POINT corner = {r.right < width ? r.right : width - 1,
                    r.bottom < height ? r.bottom : height - 1};
    struct Case {
        const char* what;
        WPARAM state;
        POINT cursor;
        int ready, loops;
    } cases[] = {
        {"activated from the taskbar", WA_ACTIVE, {r.left, r.top}, 1, 1},
        {"on the far edge of the taskbar", WA_ACTIVE, corner, 1, 1},
        {"activated with the cursor elsewhere", WA_ACTIVE, AwayFromTaskbar(), 1, 0},
        {"clicked itself", WA_CLICKACTIVE, {r.left, r.top}, 1, 0},
        {"deactivated", WA_INACTIVE, {r.left, r.top}, 1, 0},
        {"before start-up finished", WA_ACTIVE, {r.left, r.top}, 0, 0},
    };
    for (const Case& k : cases) {
        MenuLoops = 0;
        MenuReady = k.ready;
        SetCursorPos(k.cursor.x, k.cursor.y);
        SendMessageA(proxy, WM_ACTIVATE, k.state, 0);
        EXPECT_EQ(MenuLoops, k.loops) << k.what;
    }
}

TEST_F(Menu, RightClickOnAWindowItemOpensThatWindowsSystemMenuAtTheCursorAndNothingElse) {
    HWND plain = Open()[0];
    struct Case {
        const char* what;
        HWND at;
        UINT selection;
    } cases[] = {
        {"nothing selected", proxy, 0},
        {"a batch item", proxy, 3},
        {"a window of no group", proxy, LOWORD(HandleToUlong(plain))},
        {"a proxy without group", plain, LOWORD(HandleToUlong(a))},
    };
    for (const Case& k : cases) {
        MenuSelection = k.selection;
        OnProxyRButtonUp(k.at);
    }
    // The request that comes after every case shows that none of them posted one.
    SetCursorPos(123, 456);
    MenuSelection = LOWORD(HandleToUlong(b));
    SendMessageA(proxy, WM_RBUTTONUP, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return SystemMenuRequests(b) == 1; }));
    EXPECT_TRUE(Received(b, "popupsystemmenu 123 456"));
    EXPECT_EQ(SystemMenuRequests(a) + SystemMenuRequests(c) + SystemMenuRequests(plain), 0);
}

TEST_F(Menu, RightButtonReleasedOnAnItemOfTheOpenMenuPicksTheItemByPosition) {
    HMENU menu = BuildGroupMenu(proxy); // Menu 0: six batch items, a separator, c, b, a
    ASSERT_NE(menu, nullptr);
    for (WPARAM position : {0, 6, 9}) // a batch item, the separator, a
        SendMessageA(proxy, WM_MENURBUTTONUP, position, (LPARAM)menu);
    DestroyMenu(menu);
    ASSERT_TRUE(WaitUntil([&] { return SystemMenuRequests(a) == 1; }));
    EXPECT_EQ(SystemMenuRequests(b) + SystemMenuRequests(c), 0);
}

// ---- drawing the window items ----

namespace {

constexpr int ItemWidth = 200;

// The pixels of an item drawn into a bitmap first filled with `garbage`.
std::vector<COLORREF> Draw(HWND window, bool selected, COLORREF garbage) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, ItemWidth, MenuItemHeight);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all = {0, 0, ItemWidth, MenuItemHeight};
    HBRUSH fill = CreateSolidBrush(garbage);
    FillRect(dc, &all, fill);
    DeleteObject(fill);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_MENU;
    item.itemID = HandleToUlong(window);
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = selected ? ODS_SELECTED : 0;
    item.hDC = dc;
    item.rcItem = all;
    DrawMenuItem(nullptr, &item);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < MenuItemHeight; ++y)
        for (int x = 0; x < ItemWidth; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

COLORREF At(const std::vector<COLORREF>& pixels, int x, int y) {
    return pixels[y * ItemWidth + x];
}

class MenuItem : public EngineTest {};

} // namespace

TEST_F(MenuItem, AWindowWithoutIconShowsTheApplicationIconAndNoLeftovers) {
    HWND w = MakeWindow(EngineClassNoIcon);
    std::vector<COLORREF> first = Draw(w, false, RGB(1, 2, 3));
    EXPECT_EQ(first, Draw(w, false, RGB(250, 100, 7))); // nothing of what was there shows
    bool drawn = false;
    for (int y = 1; y < 17; ++y)
        for (int x = 1; x < 17; ++x)
            drawn = drawn || At(first, x, y) != (GetSysColor(COLOR_MENU) & 0xFFFFFF);
    EXPECT_TRUE(drawn) << "the icon square is empty";
}
