#include "tests/support/support.h"

#include <stdio.h>
#include <stdlib.h>

namespace testing_support {

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (cond()) return true;
        if (GetTickCount() - start > timeoutMs) return cond();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

std::string BinDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

// A Unix path as Wine sees it: / is drive Z:.
static std::string WinePath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string ShippedDir() {
    return WinePath(PELMORA_SHIPPED_DIR) + "\\";
}

std::string MakeTempDir(const char* tag) {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        char dir[MAX_PATH];
        snprintf(dir, sizeof dir, "%spelmora-%s-%lu-%u\\", base, tag,
                 (unsigned long)GetCurrentProcessId(), counter++);
        if (CreateDirectoryA(dir, nullptr)) return dir;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
    }
}

std::string ArtifactsDir() {
    // ctest passes the Unix path of the artifacts folder; Wine maps / to Z:.
    const char* unix = getenv("PELMORA_ARTIFACTS");
    std::string dir;
    if (unix && *unix) {
        dir = WinePath(unix);
    } else {
        dir = BinDir() + "artifacts";
    }
    CreateDirectoryA(dir.c_str(), nullptr);
    return dir + "\\";
}

} // namespace testing_support
