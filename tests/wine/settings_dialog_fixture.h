// Driving the real settings dialog, created from its resource, through its
// controls: texts and check states are set, then the notifications a click
// sends are sent. Message boxes are answered from a second thread.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "config/settings.h"
#include "config/settings_dialog.h"
#include "core/globals.h"
#include "core/model.h"
#include "core/pure/text.h"
#include "core/scan.h"
#include "res/resource.h"
#include "tests/support/model_support.h"
#include "tests/support/support.h"

namespace {

using testing_support::WaitUntil;

using testing_support::AppendTestRule;

const SettingsRecord DefaultSettings = {2, 0, 1, 1, 1, 0, 0, 1, 1, 0};

const char MarkerPath[] = "marker:group-from-before";

// ---- model set-up ----

// A group put together by hand (no proxy), so that a rebuild is seen by its
// disappearance and a re-evaluation by its staying.
inline WndGroup* MakeGroup(const char* path, const std::vector<HWND>& windows) {
    WndGroup* group = testing_support::AddTestGroup(path, "marker");
    for (HWND w : windows)
        testing_support::AddTestMember(group, w);
    return group;
}

inline WndGroup* FindGroupByPath(const char* path) {
    for (WndGroup* g = GroupList; g; g = g->next)
        if (g->path && strcmp(g->path, path) == 0) return g;
    return nullptr;
}

inline int RuleCount() {
    int n = 0;
    for (GroupRule* r = RuleList; r; r = r->next)
        ++n;
    return n;
}

inline GroupRule* RuleAtIndex(int i) {
    GroupRule* r = RuleList;
    while (r && i-- > 0)
        r = r->next;
    return r;
}

// ---- message boxes ----

struct SeenBox {
    bool shown = false;
    std::string caption;
    std::string text;
};

// Waits on its own thread for a message box of this thread owned by owner,
// notes its caption and text and ends it with answer.
class BoxAnswerer {
  public:
    BoxAnswerer(HWND owner, int answer) : owner_(owner), answer_(answer) {
        DWORD thread = GetCurrentThreadId();
        worker_ = std::thread([this, thread] { Run(thread); });
    }
    ~BoxAnswerer() { Finish(); }
    // Stops waiting and returns what was seen.
    SeenBox Finish() {
        stop_ = true;
        if (worker_.joinable()) worker_.join();
        return seen_;
    }

  private:
    struct Search {
        HWND owner;
        HWND found;
    };
    static BOOL CALLBACK FindBox(HWND w, LPARAM param) {
        Search* s = (Search*)param;
        char cls[64];
        GetClassNameA(w, cls, sizeof cls);
        if (strcmp(cls, "#32770") == 0 && GetWindow(w, GW_OWNER) == s->owner &&
            IsWindowVisible(w)) {
            s->found = w;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK ReadText(HWND child, LPARAM param) {
        char cls[64];
        GetClassNameA(child, cls, sizeof cls);
        char text[2048];
        if (strcmp(cls, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0) {
            std::string* out = (std::string*)param;
            if (strlen(text) > out->size()) *out = text;
        }
        return TRUE;
    }
    void Run(DWORD thread) {
        DWORD start = GetTickCount();
        while (!stop_ && GetTickCount() - start < 20000) {
            Search s = {owner_, nullptr};
            EnumThreadWindows(thread, FindBox, (LPARAM)&s);
            if (s.found) {
                seen_.shown = true;
                char caption[256];
                GetWindowTextA(s.found, caption, sizeof caption);
                seen_.caption = caption;
                EnumChildWindows(s.found, ReadText, (LPARAM)&seen_.text);
                PostMessageA(s.found, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED), 0);
                return;
            }
            Sleep(20);
        }
    }
    HWND owner_;
    int answer_;
    std::atomic<bool> stop_{false};
    SeenBox seen_;
    std::thread worker_;
};

// ---- files ----

inline std::string ReadIni(const std::string& file, const char* section, const char* key) {
    char buffer[1024];
    GetPrivateProfileStringA(section, key, "<missing>", buffer, sizeof buffer, file.c_str());
    return buffer;
}

inline bool FileExists(const std::string& file) {
    return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ---- the fixture ----

// The dialog comes from the resources of the built pelmora.exe beside the test.
inline HINSTANCE ProgramResources() {
    static HMODULE module = LoadLibraryExA((testing_support::BinDir() + "pelmora.exe").c_str(),
                                           nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return (HINSTANCE)module;
}

// Every test starts from an empty model and default settings, with the
// program's files and errorlog.txt in a directory of its own, and ends with
// every block given back.
class SettingsDialog : public testing_support::ModelTest {
  protected:
    void SetUp() override {
        ModelTest::SetUp();
        Instance = ProgramResources();
        ASSERT_NE(Instance, nullptr);
        dir_ = cwd_.path();
        ProgramDir = &dir_[0];
        RestartRequested = 0;
        RulesDirty = 0;
        mainWnd_ = CreateWindowExA(0, "STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
        MainWnd = mainWnd_;
    }

    void TearDown() override {
        if (SettingsDlgWnd) DestroyWindow(SettingsDlgWnd);
        SettingsDlgWnd = nullptr;
        DestroyAllGroups(); // takes the proxies of a rebuild down too
        for (HWND w : windows_)
            DestroyWindow(w);
        if (IsWindow(mainWnd_)) DestroyWindow(mainWnd_);
        MainWnd = nullptr;
        ProgramDir = nullptr;
        ModelTest::TearDown();
    }

    std::string SettingsFile() const { return dir_ + "pelmora.ini"; }
    std::string RuleFile() const { return dir_ + "rule.ini"; }

    void Open() {
        dlg_ = OpenSettingsDialog();
        ASSERT_NE(dlg_, nullptr);
        ASSERT_EQ(SettingsDlgWnd, dlg_);
    }

    HWND Item(int id) const { return GetDlgItem(dlg_, id); }

    std::string Text(int id) const {
        char buffer[4096];
        GetWindowTextA(Item(id), buffer, sizeof buffer);
        return buffer;
    }

    void SetText(int id, const std::string& text) { SetWindowTextA(Item(id), text.c_str()); }

    UINT State(int id) const { return IsDlgButtonChecked(dlg_, id); }

    void SetState(int id, UINT state) { CheckDlgButton(dlg_, id, state); }

    // What a click on a button tells the dialog.
    void Command(int id) {
        SendMessageA(dlg_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)Item(id));
    }

    // A real click: the button changes its own state and notifies the dialog.
    void Click(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }

    void SelectTab(int tab) {
        SendMessageA(Item(IDC_SET_TABS), TCM_SETCURSEL, (WPARAM)tab, 0);
        NMHDR header = {Item(IDC_SET_TABS), IDC_SET_TABS, (UINT)TCN_SELCHANGE};
        SendMessageA(dlg_, WM_NOTIFY, IDC_SET_TABS, (LPARAM)&header);
    }

    // Selects exactly this row (or none with -1); the list view tells the dialog.
    void SelectRow(int row) {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = 0;
        SendMessageA(Item(IDC_SET_RULES), LVM_SETITEMSTATE, (WPARAM)-1, (LPARAM)&item);
        if (row < 0) return;
        item.state = LVIS_SELECTED;
        SendMessageA(Item(IDC_SET_RULES), LVM_SETITEMSTATE, (WPARAM)row, (LPARAM)&item);
    }

    int RowCount() const { return (int)SendMessageA(Item(IDC_SET_RULES), LVM_GETITEMCOUNT, 0, 0); }

    std::string Cell(int row, int column) const {
        char buffer[1024] = "";
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = sizeof buffer;
        SendMessageA(Item(IDC_SET_RULES), LVM_GETITEMTEXTA, (WPARAM)row, (LPARAM)&item);
        return buffer;
    }

    std::vector<std::string> Choices() const {
        std::vector<std::string> out;
        int n = (int)SendMessageA(Item(IDC_SET_RULE_ID), CB_GETCOUNT, 0, 0);
        for (int i = 0; i < n; ++i) {
            char buffer[1024];
            SendMessageA(Item(IDC_SET_RULE_ID), CB_GETLBTEXT, (WPARAM)i, (LPARAM)buffer);
            out.push_back(buffer);
        }
        return out;
    }

    // Runs action while a second thread answers the message box it shows.
    template <class F> SeenBox WithBox(int answer, F action) {
        BoxAnswerer answerer(dlg_, answer);
        action();
        return answerer.Finish();
    }

    HWND MakeWindow(const char* className, bool visible) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = className;
        RegisterClassA(&wc);
        HWND w =
            CreateWindowExA(0, className, "w", WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), 0,
                            0, 50, 50, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        windows_.push_back(w);
        return w;
    }

    bool Visible(int id) const { return (GetWindowLongA(Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }

    std::string dir_;
    HWND dlg_ = nullptr;
    HWND mainWnd_ = nullptr;
    std::vector<HWND> windows_;
};

} // namespace
