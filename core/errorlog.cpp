#include "core/errorlog.h"

#include <stdio.h>

void ErrorLog(const char* text) {
    // A log that cannot be written must never take the program down with it:
    // the entry is dropped.
    FILE* f = fopen("errorlog.txt", "a+");
    if (!f) return;
    fprintf(f, "%s", text);
    fclose(f);
}

void FormatErrorText(DWORD code, char* buffer) {
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer,
                             (DWORD)TextBufferSize, nullptr);
    if (n == 0) {
        // The system has no text for this code: the entry still says which code it was.
        snprintf(buffer, TextBufferSize, "error %lu\n", (unsigned long)code);
    }
}

void ErrorLogWithLastError(const char* text) {
    DWORD code = GetLastError();
    char buffer[TextBufferSize];
    FormatErrorText(code, buffer);
    ErrorLog(text);
    ErrorLog(buffer);
}

void LogAllocFailure() {
    ErrorLog("メモリの確保に失敗しました\n");
}
