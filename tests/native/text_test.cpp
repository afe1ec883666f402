// The portable decisions over paths, Store apps' windows, rule ids and screen
// points, with Shift-JIS text whose second bytes look like backslashes (ソ is
// 0x83 0x5C, 表 0x95 0x5C).
#include <gtest/gtest.h>

#include "core/pure/rule_id.h"
#include "core/pure/store_app.h"
#include "core/pure/text.h"
#include "taskbar/pure/screen_point.h"

namespace {

// Code page 932: lead bytes 0x81-0x9F and 0xE0-0xFC; half-width katakana
// (0xA1-0xDF) are characters of their own.
bool IsCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

struct TextCase {
    const char* in;
    const char* out;
};

} // namespace

TEST(DisplayName, IsTheFilePartWithoutItsLastExtension) {
    const TextCase cases[] = {
        {"C:\\Program Files\\Tool\\tool.exe", "tool"},
        {"C:\\a\\archive.tar.gz", "archive.tar"},
        {"C:\\dir.d\\tool", "tool"},
        {"C:\\home\\.profile", ""},
        {"tool.exe", "tool"},
        {"C:\\\x83\x5C\x83\x74\x83\x67\\a.exe", "a"},        // C:\ソフト\a.exe
        {"C:\\x\\\x95\x5C\x8E\xA6.exe", "\x95\x5C\x8E\xA6"}, // C:\x\表示.exe
        {"C:\\\xB1\\b.exe", "b"},                            // C:\ｱ\b.exe
        {"C:\\x\\a.\x83", "a"},                              // a lead byte at the very end
        // Store apps known by their application id: the short name of the package.
        {"shell:AppsFolder\\Microsoft.WindowsCalculator_8wekyb3d8bbwe!App", "WindowsCalculator"},
        {"shell:AppsFolder\\windows.immersivecontrolpanel_cw5n1h2txyewy!microsoft.windows.x",
         "immersivecontrolpanel"},
        {"shell:AppsFolder\\Contoso.Notes!App", "Notes"},
        {"shell:AppsFolder\\Notes", "Notes"},
        {"C:\\shell:AppsFolder\\a.b_c!d", "a"}, // only at the start
    };
    for (const TextCase& c : cases) {
        DisplayNameSpan span = FindDisplayName(c.in, IsCp932LeadByte);
        EXPECT_EQ(std::string(c.in + span.start, span.nameLength), c.out) << c.in;
    }
}

TEST(WindowKind, AStoreFrameStandsForItsAppAndNoOtherWindowOfTheirHostOrAppWindowTakesPart) {
    const struct {
        const char* className;
        const char* path;
        WindowKind kind;
    } cases[] = {
        {"ApplicationFrameWindow", "C:\\Windows\\System32\\ApplicationFrameHost.exe",
         WindowKind::StoreFrame},
        {"applicationframewindow", "C:\\x\\host.exe", WindowKind::StoreFrame},
        {"Windows.UI.Core.CoreWindow", "C:\\Apps\\Calculator.exe", WindowKind::StorePart},
        {"Helper", "C:\\Windows\\System32\\APPLICATIONFRAMEHOST.EXE", WindowKind::StorePart},
        {"Helper", "C:\\x\\NotApplicationFrameHost.exe", WindowKind::Ordinary},
        {"Notepad", "C:\\\x83\x5C\\ApplicationFrameHost.exe", WindowKind::StorePart}, // C:\ソ\...
    };
    for (const auto& c : cases)
        EXPECT_EQ(KindOfWindow(c.className, c.path, IsCp932LeadByte), c.kind) << c.path;
}

TEST(ProgramDir, IsTheExecutablesFolderWithItsBackslash) {
    const TextCase cases[] = {
        {"C:\\tools\\pelmora.exe", "C:\\tools\\"},
        {"pelmora.exe", ""},
        {"\\\\server\\share\\p.exe", "\\\\server\\share\\"},
        {"C:\\\x83\x5C\\pelmora.exe", "C:\\\x83\x5C\\"},    // C:\ソ\pelmora.exe
        {"C:\\tools\\\x95\x5C\x8E\xA6.exe", "C:\\tools\\"}, // C:\tools\表示.exe
        {"C:\\\xB1\\\xB2.exe", "C:\\\xB1\\"},
        {"C:\\a\\b\x83", "C:\\a\\"},
    };
    for (const TextCase& c : cases) {
        std::string path = c.in;
        CutToProgramDir(&path[0], IsCp932LeadByte);
        EXPECT_STREQ(path.c_str(), c.out) << c.in;
    }
}

TEST(RuleId, LosesWhatTheRuleFileWouldNotGiveBack) {
    const TextCase cases[] = {{"  Notepad\t ", "Notepad"},
                              {"in side", "in side"},
                              {"\"\"", ""},
                              {" ' \t' ", ""},
                              {"\"x\"", "x"},
                              {" '\tC:\\x\\a.exe ' ", "C:\\x\\a.exe"},
                              {"\"\"x\"\"", "\"x\""},
                              {" \x83\x5C\x95\x5C ", "\x83\x5C\x95\x5C"}};
    for (const TextCase& c : cases) {
        std::string id = c.in;
        TrimRuleId(&id[0]);
        EXPECT_STREQ(id.c_str(), c.out) << c.in;
    }
}

TEST(ScreenPoint, EachCoordinateKeepsItsOwnHalfAlsoWhenNegative) {
    struct Point {
        int x, y;
    };
    for (Point p : {Point{123, 456}, Point{-1, 0}, Point{-1280, 5}, Point{300, -20}}) {
        uint32_t packed = PackScreenPoint(p.x, p.y);
        EXPECT_TRUE((int16_t)(packed & 0xFFFF) == p.x && (int16_t)(packed >> 16) == p.y) << p.x;
    }
}
