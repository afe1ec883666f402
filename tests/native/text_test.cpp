#include <gtest/gtest.h>

#include "core/pure/text.h"

TEST(StrHash, KnownValuesIncludingBytesAbove0x7FAsNegative) {
    struct Case {
        const char* text;
        int hash;
    } cases[] = {{"", 0}, {"abc", 7414}, {"\x82", -126}, {"\x82\xA0", -2235}};
    for (const Case& c : cases) EXPECT_EQ(StrHash(c.text), c.hash) << c.text;
}
