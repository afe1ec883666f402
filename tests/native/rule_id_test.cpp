#include <gtest/gtest.h>

#include <string>

#include "core/pure/rule_id.h"

namespace {

struct TrimCase {
    const char* input;
    const char* expected;
};

class TrimRuleIdTest : public ::testing::TestWithParam<TrimCase> {};

TEST_P(TrimRuleIdTest, CutsWhatTheRuleFileWouldNotGiveBack) {
    std::string buffer = GetParam().input;
    TrimRuleId(&buffer[0]);
    EXPECT_STREQ(buffer.c_str(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Ids, TrimRuleIdTest,
    ::testing::Values(TrimCase{"C:\\a\\b.exe", "C:\\a\\b.exe"}, TrimCase{"  Notepad\t ", "Notepad"},
                      TrimCase{"in side", "in side"}, TrimCase{"   ", ""}, TrimCase{"", ""},
                      TrimCase{"\"\"", ""}, TrimCase{" ' \t' ", ""}, TrimCase{"\"x\"", "x"},
                      TrimCase{" '\tC:\\x\\a.exe ' ", "C:\\x\\a.exe"},
                      TrimCase{"\"\"x\"\"", "\"x\""}, TrimCase{"'x\"", "'x\""},
                      TrimCase{"\"", "\""}, TrimCase{"'\"", "'\""},
                      // Shift-JIS text whose second bytes look like nothing special.
                      TrimCase{" \x83\x5C\x94\x5C ", "\x83\x5C\x94\x5C"}));

} // namespace
