// errorlog.txt in the current directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/errorlog.h"
#include "tests/support/model_support.h"

using testing_support::TempCurrentDir;

namespace {

std::string SystemText(DWORD code) {
    char buffer[ErrorTextSize] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0x400,
                   buffer, sizeof buffer, nullptr);
    return buffer;
}

} // namespace

TEST(ErrorLog, EachCallAppendsItsTextToTheFileInTheCurrentDirectory) {
    TempCurrentDir cwd;
    EXPECT_EQ(cwd.ErrorLogText(), "");
    ErrorLog("first\n");
    EXPECT_EQ(cwd.ErrorLogText(), "first\n");
    ErrorLog("second %d %s\n"); // written as it stands, not as a format
    EXPECT_EQ(cwd.ErrorLogText(), "first\nsecond %d %s\n");
}

TEST(ErrorLog, AFailedSystemCallLogsItsTextAndThenTheSystemsMessage) {
    TempCurrentDir cwd;
    HANDLE h = CreateFileA("no such file.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_EQ(h, INVALID_HANDLE_VALUE);
    ErrorLogWithLastError("CreateFileA failed\n");
    std::string system = SystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(system.empty());
    EXPECT_EQ(cwd.ErrorLogText(), "CreateFileA failed\n" + system);
}

TEST(ErrorLog, AnErrorCodeWithoutSystemTextIsLoggedByNumber) {
    TempCurrentDir cwd;
    const DWORD code = 0x2000ABCD; // an application-defined code
    ASSERT_EQ(SystemText(code), "");
    SetLastError(code);
    ErrorLogWithLastError("custom\n");
    EXPECT_EQ(cwd.ErrorLogText(), "custom\nerror 536914893\n");
}

TEST(ErrorLog, TheAllocationFailureEntry) {
    TempCurrentDir cwd;
    LogAllocFailure();
    EXPECT_EQ(cwd.ErrorLogText(), "メモリの確保に失敗しました\n");
}

TEST(ErrorLog, ALogThatCannotBeWrittenIsDroppedQuietly) {
    TempCurrentDir cwd;
    ASSERT_TRUE(CreateDirectoryA("errorlog.txt", nullptr));
    ErrorLog("lost\n");
    LogAllocFailure();
    RemoveDirectoryA("errorlog.txt");
    EXPECT_EQ(cwd.ErrorLogText(), "");
}
