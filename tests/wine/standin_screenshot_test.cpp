// Saves a picture of the stand-in taskbar with three buttons (one of them
// flashing, one active) and a notification icon, for a person to look at:
// build/<b>/artifacts/standin_taskbar.png.
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "tests/support/processes.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"
#include "tests/support/testapp.h"

using testing_support::StandinTaskbar;
using testing_support::TaskbarButton;
using testing_support::TestApp;
using testing_support::WaitUntil;
using testing_support::WindowRef;

TEST(StandinScreenshot, ThreeButtonsAndAnIconAreSavedAsAPicture) {
    StandinTaskbar taskbar;
    ASSERT_TRUE(taskbar.Start());
    TestApp notepad, editor;
    ASSERT_TRUE(notepad.Launch());
    ASSERT_TRUE(editor.Launch());
    // "メモ帳 - 文書1.txt", "メモ帳 - 表示ソフト.txt" and "editor"
    std::vector<HWND> w = notepad.Open("title=\"\x83\x81\x83\x82\x92\xa0 - \x95\xb6\x8f\x91"
                                       "1.txt\"");
    std::vector<HWND> w2 = notepad.Open("title=\"\x83\x81\x83\x82\x92\xa0 - "
                                        "\x95\x5c\x8e\xa6\x83\x5c\x83\x74\x83\x67.txt\"");
    std::vector<HWND> w3 = editor.Open("title=editor");
    ASSERT_TRUE(w.size() == 1 && w2.size() == 1 && w3.size() == 1);
    notepad.Send("flash " + WindowRef(w[0]));

    HWND owner =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    NOTIFYICONDATAA nid = {};
    nid.cbSize = sizeof nid;
    nid.hWnd = owner;
    nid.uID = 1;
    nid.uFlags = NIF_ICON | NIF_TIP;
    nid.hIcon = LoadIcon(nullptr, IDI_INFORMATION);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &nid));

    ASSERT_TRUE(WaitUntil([&] {
        std::vector<TaskbarButton> b = taskbar.Buttons();
        return b.size() == 3 && b[0].flashing && b[2].active;
    })) << taskbar.Text();

    testing_support::TaskbarState state;
    ASSERT_TRUE(taskbar.Read(&state));
    RECT area = state.rect;
    area.top -= 24; // a strip of the desktop above it
    std::string file = testing_support::ArtifactsDir() + "standin_taskbar.png";
    DeleteFileA(file.c_str());
    ASSERT_TRUE(testing_support::SaveScreenshot(area, file));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &data));
    EXPECT_GT(data.nFileSizeLow, 0u);

    Shell_NotifyIconA(NIM_DELETE, &nid);
    DestroyWindow(owner);
}
