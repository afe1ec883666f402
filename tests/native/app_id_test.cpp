#include <gtest/gtest.h>

#include <string>

#include "taskbar/pure/app_id.h"

namespace {

std::string Id(const char* path, const char* className) {
    char id[ProxyAppIdSize];
    MakeProxyAppId(path, className, id);
    return id;
}

TEST(ProxyAppId, SameGroupSameIdOtherGroupOtherId) {
    struct Case {
        const char* path1;
        const char* class1;
        const char* path2;
        const char* class2;
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
    for (const Case& c : cases)
        EXPECT_EQ(Id(c.path1, c.class1) == Id(c.path2, c.class2), c.same)
            << (c.path1 ? c.path1 : "-") << " " << (c.class1 ? c.class1 : "-") << " / "
            << (c.path2 ? c.path2 : "-") << " " << (c.class2 ? c.class2 : "-");
}

// Ids the taskbar has filed buttons under must not change with a new build.
TEST(ProxyAppId, IdOfAGroupStaysTheSameFromBuildToBuild) {
    EXPECT_EQ(Id("C:\\Windows\\notepad.exe", nullptr), "pelmora.80e208de794c30b0");
    EXPECT_EQ(Id(nullptr, "Notepad"), "pelmora.1f28de47b83f18dd");
}

// An application id is at most 128 characters without blanks; ours are ASCII.
TEST(ProxyAppId, IsAValidApplicationIdForAnyText) {
    const char* texts[] = {"", "C:\\x\\a.exe", "\x83\x5C\x83\x74\x83\x67", "a b\tc"};
    for (const char* path : texts) {
        std::string id = Id(path, "x y");
        EXPECT_EQ(id.compare(0, 8, "pelmora."), 0) << id;
        EXPECT_LE(id.size(), 128u) << id;
        EXPECT_EQ(id.find_first_not_of("pelmora.0123456789abcdef"), std::string::npos) << id;
    }
}

} // namespace
