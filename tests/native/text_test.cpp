#include <gtest/gtest.h>

#include <string>

#include "core/pure/text.h"

namespace {

// Code page 932: lead bytes 0x81-0x9F and 0xE0-0xFC; half-width katakana
// 0xA1-0xDF are characters of their own.
bool IsCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

std::string NameOf(const char* path) {
    DisplayNameSpan span = FindDisplayName(path, IsCp932LeadByte);
    return std::string(path + span.start, span.nameLength);
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
        ASSERT_GT(h, -10039) << i;
        ASSERT_LT(h, 10039) << i;
    }
}

TEST(DisplayName, IsTheFilePartWithoutItsLastExtension) {
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\Program Files\\Tool\\tool.exe", "tool"},
        {"C:\\a\\archive.tar.gz", "archive.tar"},
        {"C:\\dir.d\\tool", "tool"}, // no dot in the file part
        {"C:\\home\\.profile", ""},  // the only dot leads the file part
        {"tool.exe", "tool"},        // no backslash
        {"tool", "tool"},            // neither
        {"", ""},
        {"C:\\dir\\", ""}, // nothing after the last backslash
        {"a.b.c", "a.b"},
        {"C:\\x.\\y", "y"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameOf(c.path), c.name) << c.path;
}

TEST(DisplayName, ShiftJisSecondBytesAreNeitherSeparatorsNorDots) {
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {
        // ソ is 0x83 0x5C: its second byte is a backslash that separates nothing.
        {"C:\\\x83\x5C\x83\x74\x83\x67\\a.exe", "a"}, // C:\ソフト\a.exe
        {"C:\\x\\\x83\x5C", "\x83\x5C"},              // C:\x\ソ
        {"C:\\x\\\x83\x5C.exe", "\x83\x5C"},
        {"\x83\x5C"
         "a.exe",
         "\x83\x5C"
         "a"},
        {"C:\\\x95\x5C\\\x95\x5C\x8E\xA6.txt", "\x95\x5C\x8E\xA6"}, // C:\表\表示.txt
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameOf(c.path), c.name) << c.path;
}

TEST(DisplayName, HalfWidthKatakanaAreSingleCharacters) {
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {
        {"C:\\\xB1\\b.exe", "b"},              // C:\ｱ\b.exe: the backslash separates
        {"C:\\dir\\\xB1\xB2.txt", "\xB1\xB2"}, // ｱｲ.txt
        {"C:\\dir\\\xDF.exe", "\xDF"},         // the dot after ﾟ ends the name
        {"C:\\\xA1\\\xDF\\\xC3\xBD\xC4.exe", "\xC3\xBD\xC4"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameOf(c.path), c.name) << c.path;
}

TEST(DisplayName, ALeadByteAtTheEndStandsAloneAndTheScanStopsAtTheTerminator) {
    struct Case {
        const char* path;
        const char* name;
        size_t tail;
    } cases[] = {
        {"C:\\x\\\x83", "\x83", 1},
        {"\x83", "\x83", 1},
        {"C:\\x\\a.\x83", "a", 3},
        {"C:\\x\\a\\\x83", "\x83", 1},
    };
    for (const Case& c : cases) {
        DisplayNameSpan span = FindDisplayName(c.path, IsCp932LeadByte);
        EXPECT_EQ(std::string(c.path + span.start, span.nameLength), c.name) << c.path;
        EXPECT_EQ(span.tailLength, c.tail) << c.path;
    }
}

TEST(DisplayName, TailLengthCoversTheWholeFilePart) {
    DisplayNameSpan span = FindDisplayName("C:\\a\\archive.tar.gz", IsCp932LeadByte);
    EXPECT_EQ(span.start, 5u);
    EXPECT_EQ(span.tailLength, 14u);
    EXPECT_EQ(span.nameLength, 11u);
}

TEST(EqualIgnoringCase, FoldsOnlyAToZTrailBytesIncluded) {
    struct Case {
        const char* a;
        const char* b;
        int equal;
    } cases[] = {
        {"ABC", "abc", 1},
        {"C:\\APP\\X.EXE", "c:\\app\\x.exe", 1},
        {"", "", 1},
        {"abc", "abcd", 0}, // same start, other length
        {"abcd", "abc", 0},
        {"Az", "aZ", 1},
        {"@", "`", 0},               // 0x40 and 0x60 lie just outside A-Z
        {"[", "{", 0},               // 0x5B and 0x7B too
        {"\xC0", "\xE0", 0},         // no folding above 0x7F
        {"\x83\x41", "\x83\x61", 1}, // the second byte of a two-byte character folds too
        {"\x82\x60", "\x82\x81", 0}, // full-width A and a are different characters
        {"a\x83\x41z", "A\x83\x61Z", 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EqualIgnoringCase(c.a, c.b), c.equal) << c.a << " " << c.b;
}

TEST(EqualIgnoringCase, ANullStringEqualsNothing) {
    EXPECT_EQ(EqualIgnoringCase(nullptr, ""), 0);
    EXPECT_EQ(EqualIgnoringCase("", nullptr), 0);
    EXPECT_EQ(EqualIgnoringCase(nullptr, nullptr), 0);
}
