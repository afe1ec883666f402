// Windows that do not answer: the program's icon questions and every command of
// the group menu come back within their bounds, and leave a hung window where it
// is, while the other windows of its group get the command.
#include <atomic>
#include <thread>

#include "tests/support/engine.h"

using namespace testing_support;

namespace {

// Runs call on this thread; false when a watchdog had to end the hang after
// 30 s to let it come back (every bound of the program is far shorter).
bool ReturnsInTime(const std::function<void()>& call, const std::function<void()>& endHang) {
    HANDLE finished = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> late{false};
    std::thread watchdog([&] {
        if (WaitForSingleObject(finished, 30000) == WAIT_TIMEOUT) late = true, endHang();
    });
    call();
    SetEvent(finished);
    watchdog.join();
    CloseHandle(finished);
    return !late;
}

RECT RectOf(HWND hwnd) {
    RECT r = {};
    return GetWindowRect(hwnd, &r), r;
}

class Hung : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(app.Launch() && hung.Launch());
    }
    TestApp app, hung; // two applications of one executable: one group
};

TEST_F(Hung, IconQuestionsComeBackFromAWindowThatDoesNotAnswer) {
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HWND> stuck{nullptr};
    std::thread owner([&] { // its thread stops answering once the window exists
        stuck = CreateWindowExA(0, "EngineB", "stuck", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                Instance, nullptr);
        WaitForSingleObject(release, INFINITE);
        DestroyWindow(stuck);
    });
    ASSERT_TRUE(WaitUntil([&] { return stuck != nullptr; }));
    HICON icon = nullptr;
    EXPECT_TRUE(ReturnsInTime([&] { icon = GetNewWndIcon(stuck); }, [&] { SetEvent(release); }));
    EXPECT_EQ(icon, (HICON)GetClassLongPtrA(stuck, GCLP_HICONSM));
    SetEvent(release);
    owner.join();
    CloseHandle(release);
    // An answer of no icon means none. A window of another process, which Wine
    // does not let us ask, gets the application icon; one that is gone, none.
    HWND bare = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, Instance,
                                nullptr);
    EXPECT_EQ(GetNewWndIcon(bare), nullptr);
    DestroyWindow(bare);
    HWND other = app.Open().at(0);
    EXPECT_NE(GetNewWndIcon(other), nullptr);
    app.Send("destroy " + WindowRef(other));
    EXPECT_EQ(GetNewWndIcon(other), nullptr);
}

TEST_F(Hung, EveryCommandComesBackAndLeavesAHungWindowInPlace) {
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    auto at = [](LONG x, LONG y) {
        return [=](HWND w) { return RectOf(w).left == x && RectOf(w).top == y; };
    };
    struct Case {
        const char* what;
        UINT command; // 0: the hung window's own item
        const char* before;
        std::function<bool(HWND)> done; // by the window that answers; for the item, the hung one
    } cases[] = {
        {"show all", CmdShowAll, "minimize", [](HWND w) { return !IsIconic(w); }},
        {"minimise all", CmdMinimizeAll, "restore", [](HWND w) { return IsIconic(w) != 0; }},
        {"close all", CmdCloseAll, "restore", [](HWND w) { return !IsWindow(w); }},
        {"cascade", CmdCascade, "restore", at(0, 0)},
        {"tile top-bottom", CmdTileTopBottom, "restore", at(work.left, work.top)},
        {"tile left-right", CmdTileLeftRight, "restore", at(work.left, work.top)},
        {"the hung window's item", 0, "restore", [](HWND s) { return !LookupMember(s)->flashing; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        HWND stuck = hung.Open("x=640 y=480 w=300 h=200").at(0);
        HWND w = app.Open("x=100 y=100 w=300 h=200").at(0);
        AddWindow(stuck);
        AddWindow(w); // the newest member: first in the group's list
        ASSERT_TRUE(LookupGroup(w) && LookupGroup(w)->tab && LookupMember(stuck));
        ASSERT_EQ(app.Send(std::string(c.before) + " " + WindowRef(w)), "ok");
        LookupMember(stuck)->flashing = 1;
        ASSERT_EQ(hung.Send("hang"), "ok");
        RECT before = RectOf(stuck);
        UINT id = c.command ? c.command : HandleToUlong(stuck);
        HWND proxy = LookupGroup(w)->tab->hwnd;
        EXPECT_TRUE(ReturnsInTime([&] { SendMessageA(proxy, WM_COMMAND, id, 0); },
                                  [&] { hung.Send("unhang"); }));
        EXPECT_TRUE(WaitUntil([&] { return c.done(c.command ? w : stuck); }));
        RECT after = RectOf(stuck);
        EXPECT_TRUE(EqualRect(&before, &after));
        hung.Send("unhang");
    }
}

} // namespace
