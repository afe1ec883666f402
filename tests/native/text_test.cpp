#include <gtest/gtest.h>

#include <string>

#include "core/pure/text.h"

namespace {

// Code page 932: lead bytes 0x81-0x9F and 0xE0-0xFC; half-width katakana
// 0xA1-0xDF are characters of their own.
bool IsCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

} // namespace

TEST(StrHash, KnownValuesIncludingBytesAbove0x7FAsNegative) {
    struct Case {
        const char* text;
        int hash;
    } cases[] = {{"", 0},        {"a", 97},           {"ab", 4852}, {"abc", 7414}, {"A", 65},
                 {"\x82", -126}, {"\x82\xA0", -2235}, {"\xFF", -1}, {"\x80", -128}};
    for (const Case& c : cases)
        EXPECT_EQ(StrHash(c.text), c.hash) << c.text;
}

TEST(StrHash, StaysWithinTheRemainderRangeOnLongStringsOfAnyBytes) {
    std::string s;
    unsigned seed = 12345;
    for (int i = 0; i < 5000; ++i) {
        seed = seed * 1103515245u + 12345u;
        char c = (char)((seed >> 16) & 0xFF);
        s.push_back(c ? c : 'x');
        int h = StrHash(s.c_str());
        ASSERT_TRUE(h > -10039 && h < 10039) << i;
    }
}

// The file part after the last real backslash, without its last extension;
// second bytes of Shift-JIS characters are neither separators nor dots, a
// half-width katakana is one character, and a lead byte at the very end stands
// alone without the scan running past the terminator.
TEST(DisplayName, IsTheFilePartWithoutItsLastExtension) {
    struct Case {
        const char* path;
        const char* name;
        size_t start, tail;
    } cases[] = {
        {"C:\\Program Files\\Tool\\tool.exe", "tool", 22, 8},
        {"C:\\a\\archive.tar.gz", "archive.tar", 5, 14},
        {"C:\\dir.d\\tool", "tool", 9, 4}, // no dot in the file part
        {"C:\\home\\.profile", "", 8, 8},  // the only dot leads the file part
        {"tool.exe", "tool", 0, 8},        // no backslash
        {"tool", "tool", 0, 4},
        {"", "", 0, 0},
        {"C:\\dir\\", "", 7, 0},
        {"C:\\x.\\y", "y", 6, 1},
        {"C:\\\x83\x5C\x83\x74\x83\x67\\a.exe", "a", 10, 5}, // C:\ソフト\a.exe
        {"C:\\x\\\x83\x5C.exe", "\x83\x5C", 5, 6},           // C:\x\ソ.exe
        {"\x83\x5C"
         "a.exe",
         "\x83\x5C"
         "a",
         0, 7},
        {"C:\\\x95\x5C\\\x95\x5C\x8E\xA6.txt", "\x95\x5C\x8E\xA6", 6, 8}, // C:\表\表示.txt
        {"C:\\\xB1\\b.exe", "b", 5, 5},                                   // C:\ｱ\b.exe
        {"C:\\dir\\\xDF.exe", "\xDF", 7, 5},
        {"C:\\x\\\x83", "\x83", 5, 1},
        {"C:\\x\\a.\x83", "a", 5, 3},
    };
    for (const Case& c : cases) {
        DisplayNameSpan span = FindDisplayName(c.path, IsCp932LeadByte);
        EXPECT_EQ(std::string(c.path + span.start, span.nameLength), c.name) << c.path;
        EXPECT_EQ(span.start, c.start) << c.path;
        EXPECT_EQ(span.tailLength, c.tail) << c.path;
    }
}

TEST(EqualIgnoringCase, FoldsOnlyAToZTrailBytesIncluded) {
    struct Case {
        const char* a;
        const char* b;
        int equal;
    } cases[] = {
        {"C:\\APP\\X.EXE", "c:\\app\\x.exe", 1},
        {"", "", 1},
        {"abc", "abcd", 0}, // same start, other length
        {"abcd", "abc", 0},
        {"@", "`", 0},                   // 0x40 and 0x60 lie just outside A-Z
        {"[", "{", 0},                   // 0x5B and 0x7B too
        {"\xC0", "\xE0", 0},             // no folding above 0x7F
        {"a\x83\x41z", "A\x83\x61Z", 1}, // the second byte of a two-byte character folds too
        {"\x82\x60", "\x82\x81", 0},     // full-width A and a are different characters
        {nullptr, "", 0},
        {"", nullptr, 0},
        {nullptr, nullptr, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EqualIgnoringCase(c.a, c.b), c.equal)
            << (c.a ? c.a : "null") << " " << (c.b ? c.b : "null");
}
