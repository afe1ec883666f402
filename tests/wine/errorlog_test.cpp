// errorlog.txt in the current directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "core/errorlog.h"
#include "tests/support/model_support.h"

TEST(ErrorLog, EachCallAppendsItsTextAsItStandsNotAsAFormat) {
    testing_support::TempCurrentDir cwd;
    ErrorLog("first\n");
    ErrorLog("second %d %s\n");
    EXPECT_EQ(cwd.ErrorLogText(), "first\nsecond %d %s\n");
}

TEST(ErrorLog, AFailedSystemCallLogsItsTextThenTheSystemsMessageOrTheNumber) {
    testing_support::TempCurrentDir cwd;
    char system[TextBufferSize] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   ERROR_FILE_NOT_FOUND, 0x400, system, sizeof system, nullptr);
    ASSERT_NE(system[0], '\0');
    ASSERT_EQ(CreateFileA("no such file", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    ErrorLogWithLastError("CreateFileA failed\n");
    SetLastError(0x2000ABCD); // an application-defined code: no system text
    ErrorLogWithLastError("custom\n");
    EXPECT_EQ(cwd.ErrorLogText(),
              std::string("CreateFileA failed\n") + system + "custom\nerror 536914893\n");
}

TEST(ErrorLog, ALogThatCannotBeWrittenIsDroppedQuietly) {
    testing_support::TempCurrentDir cwd;
    ASSERT_TRUE(CreateDirectoryA("errorlog.txt", nullptr));
    ErrorLog("lost\n");
    LogAllocFailure();
    RemoveDirectoryA("errorlog.txt");
    EXPECT_EQ(cwd.ErrorLogText(), "");
}
