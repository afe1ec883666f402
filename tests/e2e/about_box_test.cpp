// The about box of the real program: one box at a time, its addresses open on a
// click (recorded by open_recorder.exe, registered as the prefix's browser and
// mail program for the length of the test), its buttons end it for good.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/model_support.h"
#include "tests/support/program.h"
#include "tests/support/support.h"

using namespace testing_support;

namespace {

constexpr char AboutTitle[] = "バージョン情報";
const char* const Schemes[] = {"http", "https", "mailto"};

// Points the prefix's "open" command of web and mail addresses at open_recorder.exe
// and puts the old commands back afterwards.
class OpenRecorderRegistered {
public:
    OpenRecorderRegistered() {
        std::string command = "\"" + BinDir() + "open_recorder.exe\" \"%1\"";
        for (const char* scheme : Schemes) {
            std::string key = std::string("Software\\Classes\\") + scheme + "\\shell\\open\\command";
            char old[2048] = "";
            DWORD size = sizeof old;
            bool had = RegGetValueA(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, RRF_RT_REG_SZ,
                                    nullptr, old, &size) == ERROR_SUCCESS;
            saved_.push_back({key, had, old});
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, key.c_str(), nullptr, REG_SZ, command.c_str(),
                            (DWORD)command.size() + 1);
        }
    }
    ~OpenRecorderRegistered() {
        for (const Saved& s : saved_) {
            if (s.had)
                RegSetKeyValueA(HKEY_LOCAL_MACHINE, s.key.c_str(), nullptr, REG_SZ,
                                s.value.c_str(), (DWORD)s.value.size() + 1);
            else
                RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, s.key.c_str(), nullptr);
        }
    }

private:
    struct Saved {
        std::string key;
        bool had;
        std::string value;
    };
    std::vector<Saved> saved_;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return lines;
}

// A control's rectangle in the box's client coordinates.
RECT ClientRectOf(HWND dialog, int id) {
    RECT r = {};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    MapWindowPoints(nullptr, dialog, (POINT*)&r, 2);
    return r;
}

void Click(HWND dialog, long x, long y) {
    PostMessageA(dialog, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(dialog, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = MakeProgramCopy("about", "[pelmora]\r\nSubClass=0\r\n");
        ASSERT_FALSE(dir_.empty());
        record_ = dir_ + "opened.txt";
        ASSERT_TRUE(program_.Start(dir_, {"PELMORA_OPEN_RECORD=" + record_}));
        main_ = program_.WaitMainWindow();
        ASSERT_NE(main_, nullptr);
    }

    // The command as the tray menu gives it; returns once the program handled it.
    void Command(WPARAM id) {
        DWORD_PTR result;
        SendMessageTimeoutA(main_, WM_COMMAND, id, 0, SMTO_BLOCK, 20000, &result);
    }

    std::vector<HWND> Boxes() { return ProcessWindows(program_.Pid(), "#32770", AboutTitle, false); }

    OpenRecorderRegistered recorder_;
    std::string dir_;
    std::string record_;
    ProgramProcess program_;
    HWND main_ = nullptr;
};

TEST_F(AboutBox, OpensOnceHowEverOftenItIsAskedFor) {
    Command(208);
    Command(208);
    ASSERT_TRUE(WaitUntil([&] { return ProcessWindows(program_.Pid(), "#32770", AboutTitle).size() == 1; }));
    EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(AboutBox, ClickOnTheAddressesOpensThemAndNothingElse) {
    Command(208);
    ASSERT_TRUE(WaitUntil([&] { return Boxes().size() == 1; }));
    HWND box = Boxes()[0];
    RECT version = ClientRectOf(box, 505);
    RECT web = ClientRectOf(box, 506);
    RECT mail = ClientRectOf(box, 507);
    char webText[256], mailText[256];
    GetDlgItemTextA(box, 506, webText, sizeof webText);
    GetDlgItemTextA(box, 507, mailText, sizeof mailText);
    ASSERT_GT(web.bottom - web.top, 2);
    std::string webAddress = webText;
    std::string mailAddress = std::string("mailto:") + mailText;

    struct Case {
        const char* where;
        long x, y;
        std::string opens;  // empty: nothing
    } cases[] = {
        {"version line", (version.left + version.right) / 2, (version.top + version.bottom) / 2, ""},
        {"notice line, the row above the web address", (web.left + web.right) / 2, web.top - 1, ""},
        {"right of the web address", web.right, (web.top + web.bottom) / 2, ""},
        {"web address, top-left pixel", web.left, web.top, webAddress},
        {"web address, bottom-right pixel", web.right - 1, web.bottom - 1, webAddress},
        {"below the mail address", (mail.left + mail.right) / 2, mail.bottom, ""},
        {"mail address, middle", (mail.left + mail.right) / 2, (mail.top + mail.bottom) / 2, mailAddress},
    };
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        Click(box, c.x, c.y);
        if (c.opens.empty()) continue;
        expected.push_back(c.opens);
        // Each opening is awaited before the next click, so the record keeps the order.
        EXPECT_TRUE(WaitUntil([&] { return Lines(ReadFileText(record_)).size() >= expected.size(); }, 30000))
            << c.where;
    }
    EXPECT_EQ(Lines(ReadFileText(record_)), expected);
}

TEST_F(AboutBox, ItsHiddenButtonsAndCloseEndItForGoodAndANewOneCanOpen) {
    // The box is modeless: ending it must destroy it, never leave a hidden one behind.
    // Enter and Esc reach the hidden OK and Cancel buttons through the dialog manager.
    const UINT ends[][2] = {{WM_COMMAND, IDOK}, {WM_COMMAND, IDCANCEL}, {WM_CLOSE, 0},
                            {WM_KEYDOWN, VK_ESCAPE}, {WM_KEYDOWN, VK_RETURN}};
    for (const auto& end : ends) {
        Command(208);
        ASSERT_TRUE(WaitUntil([&] { return Boxes().size() == 1; }));
        PostMessageA(Boxes()[0], end[0], end[1], 0);
        EXPECT_TRUE(WaitUntil([&] { return Boxes().empty(); })) << end[0] << " " << end[1];
    }
    Command(208);
    EXPECT_TRUE(WaitUntil([&] { return ProcessWindows(program_.Pid(), "#32770", AboutTitle).size() == 1; }));
}

TEST_F(AboutBox, EndsWithTheProgram) {
    Command(208);
    ASSERT_TRUE(WaitUntil([&] { return Boxes().size() == 1; }));
    EXPECT_EQ(program_.ExitThroughTrayMenu(), 0u);
}

}  // namespace
