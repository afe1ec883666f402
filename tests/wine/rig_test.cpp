// The test rig itself: Wine runs with code page 932 and an X display.
#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/support.h"

TEST(Rig, AnsiCodePageIsShiftJis) {
    EXPECT_EQ(GetACP(), 932u);
}

TEST(Rig, ARealWindowCanBeCreatedAndShown) {
    HWND w = CreateWindowExA(0, "STATIC", "rig", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(w, nullptr);
    ShowWindow(w, SW_SHOW);
    EXPECT_TRUE(testing_support::WaitUntil([&] { return IsWindowVisible(w) != 0; }));
    DestroyWindow(w);
}
