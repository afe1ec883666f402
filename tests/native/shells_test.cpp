// What the program knows of the shells of Windows 2000 to 11: the class names
// that tell a taskbar with a tab control to subclass, and the application ids
// that give each proxy a taskbar button of its own from Windows 7 on.
#include <gtest/gtest.h>

#include <string>

#include "hook/pure/ring.h"
#include "taskbar/pure/app_id.h"

namespace {

TEST(ShellClassNames, OnlyTheExactNamesMatch) {
    const struct {
        const char* name;
        bool taskSwitch, tabControl;
    } cases[] = {
        {"MSTaskSwWClass", true, false},   {"MSTaskSwWClassX", false, false},
        {"mstaskswwclass", false, false},  {"SysTabControl32", false, true},
        {"systabcontrol32", false, false}, {"SysTabControl", false, false},
        {"ToolbarWindow32", false, false}, {"MSTaskListWClass", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsTaskSwitchClassName(c.name), c.taskSwitch) << c.name;
        EXPECT_EQ(IsTabControlClassName(c.name), c.tabControl) << c.name;
    }
}

std::string Id(const char* path, const char* className) {
    char id[ProxyAppIdSize];
    MakeProxyAppId(path, className, id);
    return id;
}

TEST(ProxyAppId, SameGroupSameIdOtherGroupOtherId) {
    const struct {
        const char *path1, *class1, *path2, *class2;
        bool same;
    } cases[] = {
        {"C:\\x\\a.exe", nullptr, "C:\\x\\a.exe", nullptr, true},
        {"C:\\x\\a.exe", nullptr, "c:\\X\\A.EXE", nullptr, true}, // groups ignore case
        {nullptr, "Notepad", nullptr, "NOTEPAD", true},
        {"C:\\x\\a.exe", nullptr, "C:\\x\\b.exe", nullptr, false},
        {"Notepad", nullptr, nullptr, "Notepad", false}, // a path is no class
        {"C:\\x\\a.exe", nullptr, "C:\\x\\a.exe", "Edit", false},
        {"C:\\x\\a.exe", "Edit", "C:\\x\\a.exe", "Main", false},
        {"ab", "c", "a", "bc", false}, // text moved between the parts
    };
    for (const auto& c : cases)
        EXPECT_EQ(Id(c.path1, c.class1) == Id(c.path2, c.class2), c.same)
            << (c.path1 ? c.path1 : "-") << " " << (c.class1 ? c.class1 : "-") << " / "
            << (c.path2 ? c.path2 : "-") << " " << (c.class2 ? c.class2 : "-");
}

// The taskbar files buttons under these ids: a new build must not change them,
// whatever bytes the texts hold (blanks, two-byte characters).
TEST(ProxyAppId, StaysTheSameFromBuildToBuild) {
    const char* const sjis = "\x83\x5C\x83\x74\x83\x67";
    EXPECT_EQ(Id("C:\\Windows\\notepad.exe", nullptr), "pelmora.80e208de794c30b0");
    EXPECT_EQ(Id(nullptr, "Notepad"), "pelmora.1f28de47b83f18dd");
    EXPECT_EQ(Id("", ""), "pelmora.4d6f5e0fc8f981ae");
    EXPECT_EQ(Id("a b\tc", "a b\tc"), "pelmora.4469544c9572eb92");
    EXPECT_EQ(Id(sjis, sjis), "pelmora.9cb84ab28c21b0a6");
    EXPECT_EQ(Id(sjis, nullptr), "pelmora.10996b094557848b");
}

} // namespace
