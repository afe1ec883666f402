#include "tests/support/support.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tools/common/ipc.h"
#include "tools/standin_taskbar/protocol.h"
#include "tools/testapp/testapp.h"

namespace testing_support {
namespace {

// Runs a command through /bin/sh, its output into *output. Wine starts Linux
// programs but cannot wait for them: the shell leaves a file when it is done.
bool RunShell(const std::string& command, std::string* output = nullptr) {
    static unsigned n = 0;
    std::string done = "/tmp/pelmora-shell-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(n++),
                file = "Z:" + done;
    if (HANDLE shell =
            StartProcess("/bin/sh -c \"" + command + " >" + done + ".out && touch " + done + "\""))
        CloseHandle(shell);
    std::replace(file.begin(), file.end(), '/', '\\');
    bool ran =
        WaitUntil([&] { return GetFileAttributesA(file.c_str()) != INVALID_FILE_ATTRIBUTES; });
    if (output) *output = ReadFileText(file + ".out");
    return DeleteFileA((file + ".out").c_str()), DeleteFileA(file.c_str()), ran;
}

bool Xdotool(const std::string& arguments) { // the X server's own input
    return RunShell("xdotool " + arguments);
}

bool AskStandin(const char* request, std::string* reply) {
    HWND control = FindWindowExA(HWND_MESSAGE, nullptr, standin::ControlClass, nullptr);
    return tool_ipc::Request(control, request, reply) != 0;
}

// The value of " key=" in a line of the stand-in's state; title= runs to the line's end.
std::string Field(const std::string& line, const std::string& key) {
    size_t at = line.find(" " + key + "=");
    if (at == std::string::npos) return "";
    at += key.size() + 2;
    return line.substr(at, key == "title" ? std::string::npos : line.find(' ', at) - at);
}

HWND HandleField(const std::string& line, const char* key) {
    return tool_ipc::ParseHandle(Field(line, key));
}

HWND ControlOf(DWORD pid) { // the message-only window a test application answers with
    DWORD owner = 0;
    for (HWND w = nullptr; (w = FindWindowExA(HWND_MESSAGE, w, testapp::ControlClass, nullptr));)
        if (GetWindowThreadProcessId(w, &owner) && owner == pid) return w;
    return nullptr;
}

std::vector<HWND> Handles(const std::string& reply) { // of a test application's reply
    std::vector<HWND> handles;
    std::istringstream words(reply);
    for (std::string word; words >> word;)
        if (HWND hwnd = tool_ipc::ParseHandle(word)) handles.push_back(hwnd);
    return handles;
}

} // namespace

void PumpMessages() {
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs) {
    for (DWORD start = GetTickCount();; MsgWaitForMultipleObjects(0, nullptr, 0, 10, QS_ALLINPUT)) {
        PumpMessages();
        if (cond()) return true;
        if (GetTickCount() - start > timeoutMs) return cond();
    }
}

std::string BinDir() {
    char path[MAX_PATH];
    std::string s(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return s.substr(0, s.find_last_of('\\') + 1);
}

std::string ShippedDir() {
    std::string dir = std::string("Z:") + PELMORA_SHIPPED_DIR + "/"; // Wine's drive for /
    std::replace(dir.begin(), dir.end(), '/', '\\');
    return dir;
}

std::string MakeTempDir(const char* tag) {
    char base[MAX_PATH], dir[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (static unsigned n = 0;; ++n) {
        snprintf(dir, sizeof dir, "%spelmora-%s-%lu-%u\\", base, tag, GetCurrentProcessId(), n);
        if (CreateDirectoryA(dir, nullptr)) return dir;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return "";
    }
}

HANDLE StartProcess(const std::string& commandLine, DWORD* pid, const char* dir) {
    static HANDLE job = [] { // ends its processes when the test process ends
        HANDLE j = CreateJobObjectA(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(j, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return j;
    }();
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, dir,
                        &si, &pi))
        return nullptr;
    AssignProcessToJobObject(job, pi.hProcess);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    if (pid) *pid = pi.dwProcessId;
    return pi.hProcess;
}

HWND FindWindowOf(DWORD pid, const char* cls, const char* title, bool hidden) {
    DWORD owner = 0;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, cls, title));)
        if (GetWindowThreadProcessId(w, &owner) && owner == pid && (hidden || IsWindowVisible(w)))
            return w;
    return nullptr;
}

HWND WaitWindowOf(DWORD pid, const char* cls, const char* title, bool hidden) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindWindowOf(pid, cls, title, hidden)) != nullptr; }, 20000);
    return found;
}

bool ClickAt(int x, int y) {
    // Pressed once Wine sees the cursor there: on a busy machine a press sent
    // with the move could reach the window under the old position.
    POINT p;
    return Xdotool("mousemove " + std::to_string(x) + " " + std::to_string(y)) &&
           WaitUntil([&] { return GetCursorPos(&p) && p.x == x && p.y == y; }) &&
           Xdotool("click 1");
}

std::string LookAtMenu(HWND menu) {
    RECT r = {};
    GetWindowRect(menu, &r); // its frame too: tools/menu-look.py leaves it out
    std::string look, tool = "python3 " PELMORA_SOURCE_DIR "/tools/menu-look.py ";
    for (LONG n : {r.left, r.top, r.right - r.left, r.bottom - r.top})
        tool += std::to_string(n) + " ";
    WaitUntil([&] { return RunShell(tool, &look) && look.find("items 0 ") != 0; }); // drawn
    return look.substr(0, look.find('\n'));
}

std::string ReadFileText(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

bool WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary);
    return bool(f << text);
}

std::string MakeProgramCopy(const char* tag, const char* iniText) {
    std::string dir = MakeTempDir(tag);
    for (const char* file : {"pelmora.exe", "ravik.dll"})
        if (dir.empty() || !CopyFileA((ShippedDir() + file).c_str(), (dir + file).c_str(), FALSE))
            return "";
    return !iniText || WriteFileText(dir + "pelmora.ini", iniText) ? dir : "";
}

ProgramProcess::~ProgramProcess() {
    if (Running() && ExitThroughTrayMenu(10000) == STILL_ACTIVE) TerminateProcess(process_, 99);
    if (process_) CloseHandle(process_);
}

bool ProgramProcess::Start(const std::string& dir) {
    return (process_ = StartProcess("\"" + dir + "pelmora.exe\"", &pid_, dir.c_str())) != nullptr;
}

bool ProgramProcess::AttachRestarted(DWORD pid) {
    if (process_) CloseHandle(process_);
    return WaitUntil(
        [&] {
            for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "pelmora", nullptr));)
                if (GetWindowThreadProcessId(w, &pid_) && pid_ != pid)
                    return (process_ = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid_)) != nullptr;
            return false;
        },
        20000);
}

bool ProgramProcess::WaitExit(DWORD* code, DWORD timeoutMs) {
    return WaitUntil([&] { return !Running(); }, timeoutMs) && GetExitCodeProcess(process_, code);
}

bool ProgramProcess::Kill() {
    return TerminateProcess(process_, 9) && WaitForSingleObject(process_, 10000) == WAIT_OBJECT_0;
}

DWORD ProgramProcess::ExitThroughTrayMenu(DWORD timeoutMs) {
    PostMessageA(FindWindowOf(pid_, "pelmora", nullptr, true), WM_COMMAND, IDC_TRAY_EXIT, 0);
    DWORD code = STILL_ACTIVE;
    return WaitExit(&code, timeoutMs) ? code : STILL_ACTIVE;
}

bool RegisterTaskbarListServer(const std::string& dll) {
    const char* key =
        "Software\\Classes\\CLSID\\{56FDF344-FD6D-11D0-958A-006097C9A090}\\InprocServer32";
    return !RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, nullptr, REG_SZ, dll.c_str(),
                            dll.size() + 1) &&
           !RegSetKeyValueA(HKEY_LOCAL_MACHINE, key, "ThreadingModel", REG_SZ, "Both", 5);
}

bool StandinTaskbar::Start(const char* layout) {
    std::string reply;
    if (AskStandin("quit", &reply)) // one that a test which crashed left running
        WaitUntil([&] { return !AskStandin("state", &reply); });
    if (!RegisterTaskbarListServer(BinDir() + "tasklist_server.dll")) return false;
    process_ = StartProcess("\"" + BinDir() + "standin_taskbar.exe\" /layout " + layout);
    // Its loop runs only once it is set up: an answer means it is ready.
    return process_ && WaitUntil([&] { return AskStandin("state", &reply); });
}

void StandinTaskbar::Stop() {
    std::string reply;
    if (!process_) return;
    if (!AskStandin("quit", &reply) || WaitForSingleObject(process_, 5000))
        TerminateProcess(process_, 1);
    CloseHandle(process_);
    process_ = nullptr;
}

bool StandinTaskbar::Read(TaskbarState* state) const {
    *state = TaskbarState();
    if (!AskStandin("state", &state->text)) return false;
    std::istringstream lines(state->text);
    for (std::string line; std::getline(lines, line);) {
        std::string kind = line.substr(0, line.find(' '));
        RECT r = {};
        sscanf(Field(line, "rect").c_str(), "%ld,%ld,%ld,%ld", &r.left, &r.top, &r.right,
               &r.bottom);
        if (kind == "taskbar") state->tray = HandleField(line, "tray");
        // Test titles hold no backslash or line break, the characters the stand-in escapes.
        if (kind == "button")
            state->buttons.push_back({HandleField(line, "hwnd"),
                                      tool_ipc::Utf8ToAnsi(Field(line, "title")),
                                      Field(line, "flashing") == "1", r});
        if (kind == "tray")
            state->icons.push_back({HandleField(line, "owner"),
                                    (UINT)strtoul(Field(line, "id").c_str(), nullptr, 0),
                                    (UINT)strtoul(Field(line, "callback").c_str(), nullptr, 0)});
        if (kind == "call") state->calls.push_back({Field(line, "op"), HandleField(line, "hwnd")});
    }
    return true;
}

std::vector<TaskbarButton> StandinTaskbar::Buttons() const {
    TaskbarState state;
    Read(&state);
    return state.buttons;
}

std::string StandinTaskbar::Text() const {
    TaskbarState state;
    return Read(&state) ? state.text : "(the stand-in taskbar does not answer)\n";
}

std::string WindowRef(HWND hwnd) {
    return tool_ipc::HandleText(hwnd);
}

TestApp::~TestApp() {
    if (process_ && (Send("quit"), WaitForSingleObject(process_, 5000)))
        TerminateProcess(process_, 1);
    if (process_) CloseHandle(process_);
}

bool TestApp::Launch(const std::string& firstCommand, const std::string& exeName) {
    std::string exe = BinDir() + "testapp.exe";
    std::string copy = exeName.empty() ? exe : MakeTempDir("app") + exeName;
    if (copy != exe && !CopyFileA(exe.c_str(), copy.c_str(), FALSE)) return false;
    process_ = StartProcess("\"" + copy + "\" " + firstCommand, &pid_);
    return process_ && WaitUntil([this] { return ControlOf(pid_) != nullptr; });
}

std::string TestApp::Send(const std::string& command) const {
    std::string reply;
    if (!tool_ipc::Request(ControlOf(pid_), command, &reply, 10000)) return "error: no reply";
    return reply;
}

std::vector<HWND> TestApp::Open(const std::string& options) {
    return Handles(Send("open " + options));
}

std::vector<HWND> TestApp::Windows() const {
    return Handles(Send("list"));
}

} // namespace testing_support
