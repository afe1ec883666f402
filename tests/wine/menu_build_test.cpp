// The group menu as built for a proxy, read back before it is tracked.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/globals.h"
#include "taskbar/group_menu.h"
#include "tests/support/group_fixture.h"
#include "tests/support/support.h"

namespace {

// One item as read back: its text for string items, "-" for a separator,
// "w:<title>" for a window item (by the window its identifier names).
struct Item {
    std::string text;
    UINT id;
    UINT state;
};

std::vector<Item> ReadMenu(HMENU menu) {
    std::vector<Item> items;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
        char text[256] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof text;
        EXPECT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &info)) << i;
        Item item;
        item.id = info.wID;
        item.state = info.fState;
        if (info.fType & MFT_SEPARATOR) {
            item.text = "-";
        } else if (info.fType & MFT_OWNERDRAW) {
            char title[256] = {};
            GetWindowTextA((HWND)UlongToHandle(info.wID), title, sizeof title);
            item.text = std::string("w:") + title;
        } else {
            item.text = text;
        }
        items.push_back(item);
    }
    return items;
}

std::vector<std::string> Texts(const std::vector<Item>& items) {
    std::vector<std::string> texts;
    for (const Item& i : items)
        texts.push_back(i.text);
    return texts;
}

const std::vector<std::string> Batch = {
    "\x91\x53\x82\xc4\x95\x5c\x8e\xa6",         // 全て表示
    "\x91\x53\x82\xc4\x8d\xc5\x8f\xac\x89\xbb", // 全て最小化
    "\x91\x53\x82\xc4\x95\xc2\x82\xb6\x82\xe9", // 全て閉じる
    "\x8f\x64\x82\xcb\x82\xc4\x95\x5c\x8e\xa6", // 重ねて表示
    "\x8f\xe3\x89\xba\x82\xc9\x95\xc0\x82\xd7\x82\xc4\x95\x5c\x8e"
    "\xa6", // 上下に並べて表示
    "\x8d\xb6\x89\x45\x82\xc9\x95\xc0\x82\xd7\x82\xc4\x95\x5c\x8e"
    "\xa6", // 左右に並べて表示
};
const std::vector<UINT> BatchIds = {1, 3, 2, 4, 5, 6};

class MenuBuild : public testing_support::GroupMenuTest {
  protected:
    void SetUp() override {
        GroupMenuTest::SetUp();
        std::vector<HWND> w = Open("count=3 title=w%d");
        ASSERT_EQ(w.size(), 3u);
        a = w[0];
        b = w[1];
        c = w[2];
        group = Group({c, b, a});
        ASSERT_TRUE(group && group->tab);
        proxy = group->tab->hwnd;
    }
    std::vector<Item> Build() {
        HMENU menu = BuildGroupMenu(proxy);
        EXPECT_NE(menu, nullptr);
        if (!menu) return {};
        std::vector<Item> items = ReadMenu(menu);
        DestroyMenu(menu);
        return items;
    }

    HWND a = nullptr, b = nullptr, c = nullptr;
    WndGroup* group = nullptr;
    HWND proxy = nullptr;
};

} // namespace

TEST_F(MenuBuild, MenuSettingPlacesTheBatchItemsTopBottomOrNowhere) {
    std::vector<std::string> windowsInOrder = {"w:w3", "w:w2", "w:w1"};
    struct Case {
        int menu;
        std::vector<std::string> texts;
    } cases[] = {{0, {}}, {1, {}}, {2, windowsInOrder}, {7, windowsInOrder}, {-1, windowsInOrder}};
    cases[0].texts = Batch;
    cases[0].texts.push_back("-");
    cases[0].texts.insert(cases[0].texts.end(), windowsInOrder.begin(), windowsInOrder.end());
    cases[1].texts = windowsInOrder;
    cases[1].texts.push_back("-");
    cases[1].texts.insert(cases[1].texts.end(), Batch.begin(), Batch.end());
    for (const Case& k : cases) {
        Settings.Menu = k.menu;
        EXPECT_EQ(Texts(Build()), k.texts) << "Menu " << k.menu;
    }
}

TEST_F(MenuBuild, BatchItemsCarryTheirIdentifiersAndWindowItemsTheirHandles) {
    Settings.Menu = 0;
    std::vector<Item> items = Build();
    ASSERT_EQ(items.size(), 10u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(items[i].id, BatchIds[i]) << items[i].text;
        EXPECT_EQ(items[i].state & (MFS_DISABLED | MFS_CHECKED | MFS_DEFAULT), 0u);
    }
    EXPECT_EQ(items[7].id, HandleToUlong(c));
    EXPECT_EQ(items[8].id, HandleToUlong(b));
    EXPECT_EQ(items[9].id, HandleToUlong(a));
}

TEST_F(MenuBuild, OnlyVisibleMembersAreListed) {
    Settings.Menu = 2;
    ASSERT_TRUE(Tell("hide", b));
    ASSERT_TRUE(Tell("minimize", a)); // minimised windows are visible
    EXPECT_EQ(Texts(Build()), (std::vector<std::string>{"w:w3", "w:w1"}));
}

TEST_F(MenuBuild, TheFlashingMemberIsTheDefaultItem) {
    Settings.Menu = 1;
    MemberOf(group, b)->flashing = 1;
    HMENU menu = BuildGroupMenu(proxy);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), HandleToUlong(b));
    std::vector<Item> items = ReadMenu(menu);
    DestroyMenu(menu);
    for (const Item& i : items) {
        EXPECT_EQ((i.state & MFS_DEFAULT) != 0, i.id == HandleToUlong(b)) << i.text;
    }
}

TEST_F(MenuBuild, AWindowWithoutProxyGetsNoMenu) {
    HWND plain = Open()[0];
    EXPECT_EQ(BuildGroupMenu(plain), nullptr);
}
