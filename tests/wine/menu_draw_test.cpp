// Measuring and drawing the owner-drawn window items of the group menu.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>

#include <vector>

#include "taskbar/group_menu.h"
#include "tests/support/support.h"
#include "tests/support/window_thread.h"

using testing_support::TestWindowOptions;
using testing_support::WindowThread;

namespace {

constexpr int ItemWidth = 200;
constexpr COLORREF Red = RGB(255, 0, 0);
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF Black = RGB(0, 0, 0);

// Left half transparent, right half opaque red.
HICON MakeColourIcon() {
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateCompatibleBitmap(screen, 16, 16);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, colour);
    RECT left = {0, 0, 8, 16}, right = {8, 0, 16, 16};
    HBRUSH red = CreateSolidBrush(Red);
    FillRect(memory, &left, (HBRUSH)GetStockObject(BLACK_BRUSH));
    FillRect(memory, &right, red);
    SelectObject(memory, old);
    DeleteObject(red);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    BYTE maskBits[16 * 2];
    for (int row = 0; row < 16; ++row) {
        maskBits[row * 2] = 0xFF; // transparent
        maskBits[row * 2 + 1] = 0x00;
    }
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, maskBits);
    ICONINFO info = {TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(colour);
    return icon;
}

// A monochrome icon: top half opaque, left white and right black; bottom
// half transparent on the right, inverting on the left.
HICON MakeMonochromeIcon() {
    BYTE andBits[16 * 2], xorBits[16 * 2];
    for (int row = 0; row < 16; ++row) {
        BYTE a = row < 8 ? 0x00 : 0xFF;
        andBits[row * 2] = a;
        andBits[row * 2 + 1] = a;
        xorBits[row * 2] = 0xFF;
        xorBits[row * 2 + 1] = 0x00;
    }
    return CreateIcon(GetModuleHandleA(nullptr), 16, 16, 1, 1, andBits, xorBits);
}

// An item drawn into a bitmap first filled with `garbage`.
class DrawnItem {
  public:
    DrawnItem(HWND window, bool selected, COLORREF garbage) {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, ItemWidth, MenuItemHeight);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        RECT all = {0, 0, ItemWidth, MenuItemHeight};
        HBRUSH fill = CreateSolidBrush(garbage);
        FillRect(dc_, &all, fill);
        DeleteObject(fill);
        DRAWITEMSTRUCT item;
        memset(&item, 0, sizeof item);
        item.CtlType = ODT_MENU;
        item.itemID = HandleToUlong(window);
        item.itemAction = ODA_DRAWENTIRE;
        item.itemState = selected ? ODS_SELECTED : 0;
        item.hDC = dc_;
        item.rcItem = all;
        DrawMenuItem(nullptr, &item);
    }
    ~DrawnItem() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    // The icon's pixel (x, y) of its 16 x 16 square.
    COLORREF Icon(int x, int y) const { return At(1 + x, 1 + y); }
    bool TextAreaHas(COLORREF colour) const {
        for (int y = 0; y < MenuItemHeight; ++y) {
            for (int x = MenuItemTextLeft; x < ItemWidth; ++x) {
                if (At(x, y) == colour) return true;
            }
        }
        return false;
    }
    std::vector<COLORREF> All() const {
        std::vector<COLORREF> pixels;
        for (int y = 0; y < MenuItemHeight; ++y) {
            for (int x = 0; x < ItemWidth; ++x)
                pixels.push_back(At(x, y));
        }
        return pixels;
    }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

COLORREF Menu() {
    return GetSysColor(COLOR_MENU) & 0xFFFFFF;
}
COLORREF Highlight() {
    return GetSysColor(COLOR_HIGHLIGHT) & 0xFFFFFF;
}

class MenuDraw : public ::testing::Test {
  protected:
    HWND Window(const char* title, HICON icon) {
        TestWindowOptions o;
        o.title = title;
        o.icon = icon;
        return windows.Create(o);
    }
    WindowThread windows;
};

} // namespace

TEST_F(MenuDraw, AnItemIsMeasuredFromItsWindowsTitleInTheDialogFont) {
    struct Case {
        const char* title;
    } cases[] = {{""}, {"abc"}, {"a much longer title of a window"}, {"\x83\x81\x83\x82"}};
    for (const Case& c : cases) {
        HWND w = Window(c.title, nullptr);
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
        SIZE size = {0, 0};
        GetTextExtentPoint32A(dc, c.title, (int)strlen(c.title), &size);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);

        MEASUREITEMSTRUCT item;
        memset(&item, 0, sizeof item);
        item.CtlType = ODT_MENU;
        item.itemID = HandleToUlong(w);
        MeasureMenuItem(w, &item);
        EXPECT_EQ(item.itemWidth, (UINT)(size.cx + 19)) << c.title;
        EXPECT_EQ(item.itemHeight, 18u) << c.title;
    }
}

TEST_F(MenuDraw, RecordsOfOtherControlsAreLeftAlone) {
    HWND w = Window("abc", nullptr);
    MEASUREITEMSTRUCT item;
    memset(&item, 0, sizeof item);
    item.CtlType = ODT_LISTBOX;
    item.itemID = HandleToUlong(w);
    item.itemWidth = 7;
    item.itemHeight = 9;
    MeasureMenuItem(w, &item);
    EXPECT_EQ(item.itemWidth, 7u);
    EXPECT_EQ(item.itemHeight, 9u);
}

TEST_F(MenuDraw, TheIconSitsOnTheItemBackgroundAndTheTitleFollowsIt) {
    HWND w = Window("WWWWWW", MakeColourIcon());
    struct Case {
        bool selected;
        COLORREF background;
        int textColour;
    } cases[] = {{false, Menu(), COLOR_MENUTEXT}, {true, Highlight(), COLOR_HIGHLIGHTTEXT}};
    for (const Case& c : cases) {
        DrawnItem item(w, c.selected, RGB(1, 2, 3));
        EXPECT_EQ(item.At(0, 0), c.background) << c.selected;
        EXPECT_EQ(item.At(ItemWidth - 1, MenuItemHeight - 1), c.background);
        EXPECT_EQ(item.Icon(3, 5), c.background) << "transparent half of the icon";
        EXPECT_EQ(item.Icon(12, 5), Red) << "opaque half of the icon";
        EXPECT_EQ(item.Icon(12, 15), Red);
        EXPECT_EQ(item.At(17 + 1, 8), c.background) << "right of the icon";
        EXPECT_TRUE(item.TextAreaHas(GetSysColor(c.textColour) & 0xFFFFFF)) << c.selected;
    }
}

TEST_F(MenuDraw, AnEmptyTitleLeavesTheTextAreaBlank) {
    HWND w = Window("", MakeColourIcon());
    DrawnItem item(w, false, RGB(1, 2, 3));
    for (int y = 0; y < MenuItemHeight; ++y) {
        for (int x = MenuItemTextLeft; x < ItemWidth; ++x) {
            ASSERT_EQ(item.At(x, y), Menu()) << x << "," << y;
        }
    }
    EXPECT_EQ(item.Icon(12, 5), Red);
}

TEST_F(MenuDraw, AMonochromeIconIsDrawnInBlackAndWhiteOverTheBackground) {
    HWND w = Window("mono", MakeMonochromeIcon());
    DrawnItem item(w, false, RGB(1, 2, 3));
    EXPECT_EQ(item.Icon(3, 3), White);
    EXPECT_EQ(item.Icon(12, 3), Black);
    EXPECT_EQ(item.Icon(12, 12), Menu()) << "transparent part";
    EXPECT_EQ(item.Icon(3, 12), (~Menu()) & 0xFFFFFF) << "inverting part";
}

TEST_F(MenuDraw, AWindowWithoutIconShowsTheApplicationIconAndNoLeftovers) {
    HWND w = Window("bare", nullptr);
    DrawnItem first(w, false, RGB(1, 2, 3));
    DrawnItem second(w, false, RGB(250, 100, 7));
    // Nothing of what was there before shows through.
    EXPECT_EQ(first.All(), second.All());
    bool drawn = false;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            drawn = drawn || first.Icon(x, y) != Menu();
    }
    EXPECT_TRUE(drawn) << "the icon square is empty";
}

TEST_F(MenuDraw, AMonochromeIconLeavesNoLeftovers) {
    HWND w = Window("mono", MakeMonochromeIcon());
    DrawnItem first(w, true, RGB(1, 2, 3));
    DrawnItem second(w, true, RGB(250, 100, 7));
    EXPECT_EQ(first.All(), second.All());
}
