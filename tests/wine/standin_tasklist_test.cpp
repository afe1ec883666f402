// ITaskbarList, created from another process through CoCreateInstance, reaches
// the stand-in taskbar: its calls change the buttons before they return and
// are logged in order; without a stand-in they succeed and do nothing.
#include <gtest/gtest.h>
#include <windows.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using testing_support::StandinTaskbar;
using testing_support::TaskbarListCall;
using testing_support::TestApp;
using testing_support::WaitUntil;
using testing_support::WindowRef;

namespace {

class StandinTaskbarList : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(taskbar.Start());
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        ASSERT_EQ(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_ITaskbarList, reinterpret_cast<void**>(&list)),
                  S_OK);
        ASSERT_EQ(list->HrInit(), S_OK);
        ASSERT_TRUE(app.Launch());
    }
    void TearDown() override {
        if (list) list->Release();
        CoUninitialize();
    }

    StandinTaskbar taskbar;
    TestApp app;
    ITaskbarList* list = nullptr;
};

TEST_F(StandinTaskbarList, TheServerInTheBuildFolderAnswersForClsidTaskbarList) {
    char path[MAX_PATH] = "";
    LONG size = sizeof path;
    ASSERT_EQ(RegQueryValueA(HKEY_LOCAL_MACHINE,
                             "Software\\Classes\\CLSID\\{56FDF344-FD6D-11D0-958A-006097C9A090}"
                             "\\InprocServer32",
                             path, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(path), testing_support::BinDir() + "tasklist_server.dll");
    EXPECT_NE(GetModuleHandleA("tasklist_server.dll"), nullptr);
}

TEST_F(StandinTaskbarList, DeleteTabRemovesTheButtonBeforeItReturns) {
    std::vector<HWND> w = app.Open("count=2");
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    ASSERT_TRUE(taskbar.ClearCalls());

    EXPECT_EQ(list->DeleteTab(w[0]), S_OK);
    EXPECT_EQ(taskbar.ButtonWindows(), std::vector<HWND>{w[1]}) << taskbar.Text();
    std::vector<TaskbarListCall> calls = taskbar.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].op, "DeleteTab");
    EXPECT_EQ(calls[0].hwnd, w[0]);
}

TEST_F(StandinTaskbarList, AddTabGivesAHiddenWindowAButtonAtTheEnd) {
    std::vector<HWND> visible = app.Open();
    std::vector<HWND> hidden = app.Open("hidden title=proxy");
    ASSERT_TRUE(taskbar.WaitForButtons(visible)) << taskbar.Text();

    EXPECT_EQ(list->AddTab(hidden[0]), S_OK);
    std::vector<testing_support::TaskbarButton> buttons = taskbar.Buttons();
    ASSERT_EQ(buttons.size(), 2u) << taskbar.Text();
    EXPECT_EQ(buttons[1].hwnd, hidden[0]);
    EXPECT_EQ(buttons[1].title, "proxy");
    EXPECT_FALSE(IsWindowVisible(hidden[0]));
}

TEST_F(StandinTaskbarList, AddTabGivesToolAndOwnedWindowsAButtonToo) {
    std::vector<HWND> w = app.Open("title=owner");
    std::vector<HWND> tool = app.Open("tool");
    std::vector<HWND> owned = app.Open("owned");
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    list->AddTab(tool[0]);
    list->AddTab(owned[0]);
    EXPECT_EQ(taskbar.ButtonWindows(), (std::vector<HWND>{w[0], tool[0], owned[0]}));
}

TEST_F(StandinTaskbarList, ADeletedWindowStaysWithoutButtonUntilItIsHiddenAndShownAgain) {
    std::vector<HWND> w = app.Open("count=2");
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    list->DeleteTab(w[0]);

    // Retitled, minimised and restored it still has none.
    app.Send("title " + WindowRef(w[0]) + " renamed");
    app.Send("minimize " + WindowRef(w[0]));
    app.Send("restore " + WindowRef(w[0]));
    std::vector<HWND> marker = app.Open("title=marker");
    ASSERT_TRUE(taskbar.WaitForButtons({w[1], marker[0]})) << taskbar.Text();

    // Shown again after being hidden, it gets a new button: DeleteTab is forgotten.
    app.Send("hide " + WindowRef(w[0]));
    app.Send("show " + WindowRef(w[0]));
    EXPECT_TRUE(taskbar.WaitForButtons({w[1], marker[0], w[0]})) << taskbar.Text();
}

TEST_F(StandinTaskbarList, AddTabAfterDeleteTabBringsTheButtonBackAtTheEnd) {
    std::vector<HWND> w = app.Open("count=3");
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    list->DeleteTab(w[1]);
    list->AddTab(w[1]);
    EXPECT_EQ(taskbar.ButtonWindows(), (std::vector<HWND>{w[0], w[2], w[1]}));
    // A second AddTab changes nothing.
    list->AddTab(w[1]);
    EXPECT_EQ(taskbar.ButtonWindows(), (std::vector<HWND>{w[0], w[2], w[1]}));
}

TEST_F(StandinTaskbarList, AHiddenWindowGivenAButtonLosesItWhenDestroyed) {
    std::vector<HWND> hidden = app.Open("hidden");
    list->AddTab(hidden[0]);
    ASSERT_EQ(taskbar.ButtonWindows(), hidden);
    app.Send("destroy " + WindowRef(hidden[0]));
    EXPECT_TRUE(taskbar.WaitForButtons({})) << taskbar.Text();
}

TEST_F(StandinTaskbarList, EveryCallIsLoggedInOrderAndTheLogCanBeCleared) {
    std::vector<HWND> w = app.Open("count=2");
    ASSERT_TRUE(taskbar.WaitForButtons(w)) << taskbar.Text();
    ASSERT_TRUE(taskbar.ClearCalls());
    list->DeleteTab(w[0]);
    list->AddTab(w[0]);
    list->ActivateTab(w[1]);
    list->SetActiveAlt(w[0]);
    list->DeleteTab(w[1]);

    std::vector<TaskbarListCall> calls = taskbar.Calls();
    const struct {
        const char* op;
        HWND hwnd;
    } expected[] = {{"DeleteTab", w[0]},
                    {"AddTab", w[0]},
                    {"ActivateTab", w[1]},
                    {"SetActiveAlt", w[0]},
                    {"DeleteTab", w[1]}};
    ASSERT_EQ(calls.size(), 5u) << taskbar.Text();
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].op, expected[i].op) << i;
        EXPECT_EQ(calls[i].hwnd, expected[i].hwnd) << i;
        if (i) {
            EXPECT_GT(calls[i].seq, calls[i - 1].seq);
        }
    }
    ASSERT_TRUE(taskbar.ClearCalls());
    EXPECT_TRUE(taskbar.Calls().empty());
}

TEST_F(StandinTaskbarList, WithoutAStandinEveryCallSucceedsAndDoesNothing) {
    std::vector<HWND> w = app.Open();
    ASSERT_TRUE(taskbar.Stop());
    EXPECT_EQ(list->AddTab(w[0]), S_OK);
    EXPECT_EQ(list->DeleteTab(w[0]), S_OK);
    EXPECT_EQ(list->ActivateTab(w[0]), S_OK);
    EXPECT_EQ(list->SetActiveAlt(w[0]), S_OK);
    EXPECT_EQ(list->AddTab(nullptr), S_OK);
}

TEST(StandinTaskbarListServer, AnswersOnlyForItsInterfaces) {
    ASSERT_TRUE(testing_support::RegisterTaskbarListServer());
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ITaskbarList2* list2 = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList2,
                               reinterpret_cast<void**>(&list2)),
              S_OK);
    IUnknown* other = nullptr;
    EXPECT_EQ(list2->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&other)),
              E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(list2->MarkFullscreenWindow(nullptr, TRUE), S_OK);
    list2->Release();
    CoUninitialize();
}

} // namespace
