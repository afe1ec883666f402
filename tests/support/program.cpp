#include "tests/support/program.h"

#include <psapi.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "tests/support/model_support.h"
#include "tests/support/standin.h"
#include "tests/support/support.h"

namespace testing_support {

namespace {

// The tests run the very files that ship.
bool CopyShipped(const std::string& name, const std::string& dir) {
    return CopyFileA((ShippedDir() + name).c_str(), (dir + name).c_str(), FALSE) != 0;
}

// The environment block of this process with the given variables added.
std::vector<char> EnvironmentWith(const std::vector<std::string>& extra) {
    std::vector<char> block;
    char* env = GetEnvironmentStringsA();
    for (const char* p = env; *p; p += strlen(p) + 1) block.insert(block.end(), p, p + strlen(p) + 1);
    FreeEnvironmentStringsA(env);
    for (const std::string& e : extra) block.insert(block.end(), e.c_str(), e.c_str() + e.size() + 1);
    block.push_back('\0');
    return block;
}

HANDLE TestJob() {
    static HANDLE job = [] {
        HANDLE j = CreateJobObjectA(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (j) SetInformationJobObject(j, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return j;
    }();
    return job;
}

struct WindowQuery {
    DWORD pid;
    const char* className;
    const char* title;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lParam) {
    WindowQuery* q = (WindowQuery*)lParam;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != q->pid) return TRUE;
    if (q->visibleOnly && !IsWindowVisible(hwnd)) return TRUE;
    char text[1024];
    if (q->className) {
        GetClassNameA(hwnd, text, sizeof text);
        if (strcmp(text, q->className) != 0) return TRUE;
    }
    if (q->title) {
        GetWindowTextA(hwnd, text, sizeof text);
        if (strcmp(text, q->title) != 0) return TRUE;
    }
    q->found.push_back(hwnd);
    return TRUE;
}

BOOL CALLBACK CollectStatic(HWND hwnd, LPARAM lParam) {
    char cls[64];
    GetClassNameA(hwnd, cls, sizeof cls);
    if (_stricmp(cls, "Static") == 0) {
        char text[1024];
        GetWindowTextA(hwnd, text, sizeof text);
        ((std::vector<std::string>*)lParam)->push_back(text);
    }
    return TRUE;
}

}  // namespace

std::string MakeProgramCopy(const char* tag, const char* iniText) {
    std::string dir = MakeTempDir(tag);
    if (dir.empty() || !CopyShipped("pelmora.exe", dir) || !CopyShipped("ravik.dll", dir))
        return std::string();
    if (iniText && !WriteFileText(dir + "pelmora.ini", iniText)) return std::string();
    return dir;
}

ProgramProcess::~ProgramProcess() {
    if (!process_) return;
    if (Running() && ExitThroughTrayMenu(10000) == STILL_ACTIVE) Kill();
    CloseHandle(process_);
}

DWORD ProgramProcess::ExitThroughTrayMenu(DWORD timeoutMs) {
    for (HWND main : ProcessWindows(pid_, "pelmora", nullptr, false))
        PostMessageA(main, WM_COMMAND, 206, 0);
    DWORD code = STILL_ACTIVE;
    return WaitExit(timeoutMs, &code) ? code : STILL_ACTIVE;
}

bool ProgramProcess::Start(const std::string& dir, const std::vector<std::string>& environment) {
    std::string exe = dir + "pelmora.exe";
    std::string commandLine = "\"" + exe + "\"";
    std::vector<char> env = EnvironmentWith(environment);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        env.data(), dir.c_str(), &si, &pi))
        return false;
    // The program, and an instance it starts again, end with the test process
    // even when the test crashes: a left-over instance would spoil later tests.
    AssignProcessToJobObject(TestJob(), pi.hProcess);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    return true;
}

bool ProgramProcess::Attach(DWORD pid) {
    process_ = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
    pid_ = process_ ? pid : 0;
    return process_ != nullptr;
}

bool ProgramProcess::WaitExit(DWORD timeoutMs, DWORD* code) {
    if (!process_) return false;
    bool ended = WaitUntil([&] { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; },
                           timeoutMs);
    if (ended) GetExitCodeProcess(process_, code);
    return ended;
}

bool ProgramProcess::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

HWND ProgramProcess::WaitMainWindow(DWORD timeoutMs) {
    HWND main = nullptr;
    WaitUntil(
        [&] {
            std::vector<HWND> w = ProcessWindows(pid_, "pelmora", nullptr, false);
            main = w.empty() ? nullptr : w[0];
            return main != nullptr;
        },
        timeoutMs);
    return main;
}

void ProgramProcess::Kill() {
    if (!Running()) return;
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 10000);
}

std::vector<HWND> ProcessWindows(DWORD pid, const char* className, const char* title,
                                 bool visibleOnly) {
    WindowQuery q = {pid, className, title, visibleOnly, {}};
    EnumWindows(CollectWindow, (LPARAM)&q);
    return q.found;
}

DWORD WaitProgramFrom(const std::string& exePath, DWORD except, DWORD timeoutMs) {
    DWORD found = 0;
    WaitUntil(
        [&] {
            HWND w = nullptr;
            while ((w = FindWindowExA(nullptr, w, "pelmora", nullptr)) != nullptr) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == except) continue;
                HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
                if (!p) continue;
                char path[MAX_PATH] = "";
                GetModuleFileNameExA(p, nullptr, path, sizeof path);
                CloseHandle(p);
                if (_stricmp(path, exePath.c_str()) == 0) {
                    found = pid;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

std::vector<std::string> StaticTexts(HWND dialog) {
    std::vector<std::string> texts;
    EnumChildWindows(dialog, CollectStatic, (LPARAM)&texts);
    return texts;
}

HWND WaitMessageBox(DWORD pid, const char* text, DWORD timeoutMs) {
    HWND box = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : ProcessWindows(pid, "#32770", nullptr)) {
                if (!GetDlgItem(w, IDOK)) continue;
                for (const std::string& t : StaticTexts(w)) {
                    if (t == text) {
                        box = w;
                        return true;
                    }
                }
            }
            return false;
        },
        timeoutMs);
    return box;
}

void PressOk(HWND box) { PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

bool ButtonsAreExactly(const StandinTaskbar& taskbar, std::vector<HWND> windows) {
    std::vector<HWND> shown = taskbar.ButtonWindows();
    std::sort(shown.begin(), shown.end());
    std::sort(windows.begin(), windows.end());
    return shown == windows;
}

std::string ReadErrorLog(const std::string& dir) {
    // Text mode reads "\r\n" back as "\n".
    std::string text;
    FILE* f = fopen((dir + "errorlog.txt").c_str(), "rt");
    if (!f) return text;
    for (int c; (c = fgetc(f)) != EOF;) text.push_back((char)c);
    fclose(f);
    return text;
}

}  // namespace testing_support
