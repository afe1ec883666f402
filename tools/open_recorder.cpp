// open_recorder.exe: stands in for the browser and the mail program in the test
// prefix. Registered as the "open" command of http, https and mailto addresses
// by the tests, it appends the address it was given, one line per request, to
// the file named by PELMORA_OPEN_RECORD; without that variable it does nothing.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    const char* record = getenv("PELMORA_OPEN_RECORD");
    if (!record || !*record) return 0;
    // The address is the whole command line after the program, in quotes.
    const char* address = commandLine;
    while (*address == ' ') ++address;
    size_t n = strlen(address);
    if (n >= 2 && address[0] == '"' && address[n - 1] == '"') {
        ++address;
        n -= 2;
    }
    // Two requests at once must not interleave: the file is opened exclusively,
    // retrying while another recorder holds it.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE f = CreateFileA(record, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            DWORD written;
            WriteFile(f, address, (DWORD)n, &written, nullptr);
            WriteFile(f, "\n", 1, &written, nullptr);
            CloseHandle(f);
            return 0;
        }
        Sleep(10);
    }
    return 1;
}
