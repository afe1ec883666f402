// The portable pieces of the application shell.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "core/pure/text.h"

namespace {

bool Cp932Lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

std::string Cut(const char* path) {
    char buffer[256];
    strcpy(buffer, path);
    size_t n = strlen(buffer);
    CutToProgramDir(buffer, Cp932Lead);
    std::string result(buffer);
    // Everything after the directory is zero bytes, up to the old end.
    for (size_t i = result.size(); i < n; ++i) EXPECT_EQ(buffer[i], '\0') << path;
    return result;
}

TEST(ProgramDir, IsTheExecutablesDirectoryWithItsBackslash) {
    struct Case {
        const char* path;
        const char* dir;
    } cases[] = {
        {"C:\\tools\\pelmora.exe", "C:\\tools\\"},
        {"pelmora.exe", ""},
        {"", ""},
        {"C:\\", "C:\\"},
        {"\\\\server\\share\\p.exe", "\\\\server\\share\\"},
        // A directory ending in a character whose second byte is 0x5C.
        {"C:\\\x83\x5C\\pelmora.exe", "C:\\\x83\x5C\\"},
        // File names whose characters end in 0x5C ("表示.exe", "ソフト.exe").
        {"C:\\tools\\\x95\x5C\x8E\xA6.exe", "C:\\tools\\"},
        {"C:\\x\\\x83\x5C\x83\x74\x83\x67.exe", "C:\\x\\"},
        {"\x83\x5C.exe", ""},
        // Half-width katakana are single bytes.
        {"C:\\\xB1\\\xB2.exe", "C:\\\xB1\\"},
        // A lead byte at the very end does not swallow the terminating zero.
        {"C:\\a\\b\x83", "C:\\a\\"},
    };
    for (const Case& c : cases) EXPECT_EQ(Cut(c.path), c.dir) << c.path;
}

}  // namespace
