#include "tests/support/processes.h"
#include "tests/support/support.h"

#include <stdio.h>

#include <vector>

namespace testing_support {
namespace {

// A job that ends its processes when the test process ends.
HANDLE TestJob() {
    static HANDLE job = [] {
        HANDLE h = CreateJobObjectA(nullptr, nullptr);
        if (h) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
            limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            SetInformationJobObject(h, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        }
        return h;
    }();
    return job;
}

} // namespace

HANDLE StartProcess(const std::string& commandLine, DWORD* processId) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &si, &pi))
        return nullptr;
    if (HANDLE job = TestJob()) AssignProcessToJobObject(job, pi.hProcess);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    if (processId) *processId = pi.dwProcessId;
    return pi.hProcess;
}

int RunProgram(const std::string& commandLine, std::string* output, DWORD timeoutMs) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return -1;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    BOOL started =
        CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return -1;
    }
    CloseHandle(pi.hThread);
    output->clear();
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n)
        output->append(buffer, n);
    CloseHandle(readEnd);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

int RunLinuxCommand(const std::string& command, DWORD timeoutMs) {
    // Wine starts Linux programs but cannot wait for them: the shell leaves
    // the exit status in a file, and the test waits for that file.
    static unsigned counter = 0;
    char status[128];
    snprintf(status, sizeof status, "/tmp/pelmora-linux-%lu-%u.status",
             (unsigned long)GetCurrentProcessId(), counter++);
    std::string escaped;
    for (char c : command) {
        if (c == '"' || c == '\\') escaped += '\\';
        escaped += c;
    }
    std::string line = std::string("/bin/sh -c \"") + escaped + "; echo $? > " + status +
                       ".part; mv " + status + ".part " + status + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return -1;
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    std::string windowsStatus = std::string("Z:") + status;
    for (char& c : windowsStatus)
        if (c == '/') c = '\\';
    DWORD start = GetTickCount();
    while (GetFileAttributesA(windowsStatus.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > timeoutMs) return -1;
        Sleep(10);
    }
    int result = -1;
    if (FILE* f = fopen(windowsStatus.c_str(), "r")) {
        if (fscanf(f, "%d", &result) != 1) result = -1;
        fclose(f);
    }
    DeleteFileA(windowsStatus.c_str());
    return result;
}

std::string LinuxPath(const std::string& windowsPath) {
    using UnixName = char*(CDECL*)(const WCHAR*);
    auto toUnix = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return std::string();
    WCHAR wide[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH))
        return std::string();
    char* unixName = toUnix(wide);
    if (!unixName) return std::string();
    std::string result = unixName;
    HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

int ClickAt(int x, int y, int button, int count) {
    // Move first and wait until Wine itself reports the cursor there: on a busy
    // machine a press sent together with the move could reach the window under
    // the old position.
    char command[160];
    snprintf(command, sizeof command, "xdotool mousemove %d %d", x, y);
    if (RunLinuxCommand(command) != 0) return 0;
    testing_support::WaitUntil([&] {
        POINT p;
        return GetCursorPos(&p) && p.x == x && p.y == y;
    });
    snprintf(command, sizeof command, "xdotool click --repeat %d --delay 80 %d", count, button);
    return RunLinuxCommand(command) == 0;
}

int SaveScreenshot(const RECT& area, const std::string& windowsPath) {
    std::string path = LinuxPath(windowsPath);
    if (path.empty()) return 0;
    char geometry[96];
    snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld", area.right - area.left,
             area.bottom - area.top, area.left, area.top);
    return RunLinuxCommand("import -window root -crop " + std::string(geometry) + " +repage '" +
                           path + "'") == 0;
}

} // namespace testing_support
