#include "tests/support/standin.h"

#include <stdio.h>
#include <stdlib.h>

#include <sstream>

#include "tests/support/processes.h"
#include "tests/support/support.h"
#include "tools/common/ipc.h"
#include "tools/standin_taskbar/protocol.h"

namespace testing_support {
namespace {

HWND FindControl() {
    return FindWindowExA(HWND_MESSAGE, nullptr, standin::ControlClass, nullptr);
}

// "key=value" fields of a state line; the last field (title=, tip=) runs to the end.
std::string Field(const std::string& line, const std::string& key) {
    std::string marker = " " + key + "=";
    size_t at = line.find(marker);
    if (at == std::string::npos) return std::string();
    at += marker.size();
    if (key == "title" || key == "tip") return line.substr(at);
    size_t end = line.find(' ', at);
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

std::string Unescaped(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            ++i;
            out += text[i] == 'n' ? '\n' : text[i];
        } else {
            out += text[i];
        }
    }
    return tool_ipc::Utf8ToAnsi(out);
}

RECT ParseRect(const std::string& text) {
    RECT rc = {};
    sscanf(text.c_str(), "%ld,%ld,%ld,%ld", &rc.left, &rc.top, &rc.right, &rc.bottom);
    return rc;
}

void Parse(const std::string& text, TaskbarState* state) {
    *state = TaskbarState();
    state->text = text;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::string kind = line.substr(0, line.find(' '));
        if (kind == "taskbar") {
            state->tray = tool_ipc::ParseHandle(Field(line, "tray"));
            state->taskSwitch = tool_ipc::ParseHandle(Field(line, "tasks"));
            state->tabCtrl = tool_ipc::ParseHandle(Field(line, "tab"));
            state->rect = ParseRect(Field(line, "rect"));
        } else if (kind == "button") {
            TaskbarButton b;
            b.hwnd = tool_ipc::ParseHandle(Field(line, "hwnd"));
            b.title = Unescaped(Field(line, "title"));
            b.flashing = Field(line, "flashing") == "1";
            b.active = Field(line, "active") == "1";
            b.icon = reinterpret_cast<HICON>(tool_ipc::ParseHandle(Field(line, "icon")));
            b.rect = ParseRect(Field(line, "rect"));
            state->buttons.push_back(b);
        } else if (kind == "tray") {
            state->icons.push_back(
                {tool_ipc::ParseHandle(Field(line, "owner")),
                 static_cast<UINT>(strtoul(Field(line, "id").c_str(), nullptr, 0)),
                 static_cast<UINT>(strtoul(Field(line, "callback").c_str(), nullptr, 0)),
                 Unescaped(Field(line, "tip")), ParseRect(Field(line, "rect"))});
        } else if (kind == "call") {
            state->calls.push_back(
                {static_cast<unsigned>(strtoul(Field(line, "seq").c_str(), nullptr, 10)),
                 Field(line, "op"), tool_ipc::ParseHandle(Field(line, "hwnd"))});
        }
    }
}

bool WaitForExit(HANDLE process, HWND control, DWORD timeoutMs) {
    if (process) return WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    return WaitUntil([&] { return !IsWindow(control); }, timeoutMs);
}

} // namespace

bool RegisterTaskbarListServer() {
    std::string dll = BinDir() + "tasklist_server.dll";
    const char* key =
        "Software\\Classes\\CLSID\\{56FDF344-FD6D-11D0-958A-006097C9A090}\\InprocServer32";
    HKEY hkey = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hkey,
                        nullptr) != ERROR_SUCCESS)
        return false;
    bool ok = RegSetValueExA(hkey, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                             static_cast<DWORD>(dll.size() + 1)) == ERROR_SUCCESS &&
              RegSetValueExA(hkey, "ThreadingModel", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>("Both"), 5) == ERROR_SUCCESS;
    RegCloseKey(hkey);
    return ok;
}

bool StandinTaskbar::Start(const char* layout) {
    // A stand-in left over by a test that crashed would refuse a second one.
    if (HWND old = FindControl()) {
        std::string reply;
        tool_ipc::Request(old, "quit", &reply, 2000);
        WaitForExit(nullptr, old, 5000);
    }
    if (!RegisterTaskbarListServer()) return false;
    process_ = StartProcess("\"" + BinDir() + "standin_taskbar.exe\" /layout " + layout);
    if (!process_) return false;
    // Answering a request means it is ready: its loop runs only after it is set up.
    return WaitUntil([] {
        std::string reply;
        return tool_ipc::Request(FindControl(), "state", &reply, 1000) != 0;
    });
}

bool StandinTaskbar::Stop() {
    if (!process_) return true;
    std::string reply;
    tool_ipc::Request(FindControl(), "quit", &reply, 2000);
    bool ended = WaitForSingleObject(process_, 5000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process_, 1);
    CloseHandle(process_);
    process_ = nullptr;
    return ended;
}

bool StandinTaskbar::Read(TaskbarState* state) const {
    std::string text;
    if (!tool_ipc::Request(FindControl(), "state", &text)) return false;
    Parse(text, state);
    return true;
}

std::vector<TaskbarButton> StandinTaskbar::Buttons() const {
    TaskbarState state;
    Read(&state);
    return state.buttons;
}

std::vector<HWND> StandinTaskbar::ButtonWindows() const {
    std::vector<HWND> windows;
    for (const TaskbarButton& b : Buttons())
        windows.push_back(b.hwnd);
    return windows;
}

std::vector<TaskbarNotifyIcon> StandinTaskbar::NotifyIcons() const {
    TaskbarState state;
    Read(&state);
    return state.icons;
}

std::vector<TaskbarListCall> StandinTaskbar::Calls() const {
    TaskbarState state;
    Read(&state);
    return state.calls;
}

bool StandinTaskbar::WaitForButtons(const std::vector<HWND>& expected, DWORD timeoutMs) const {
    return WaitUntil([&] { return ButtonWindows() == expected; }, timeoutMs);
}

bool StandinTaskbar::FindButton(HWND hwnd, TaskbarButton* button) const {
    for (const TaskbarButton& b : Buttons()) {
        if (b.hwnd != hwnd) continue;
        if (button) *button = b;
        return true;
    }
    return false;
}

bool StandinTaskbar::ClearCalls() const {
    std::string reply;
    return tool_ipc::Request(FindControl(), "clearlog", &reply) && reply == "ok";
}

std::string StandinTaskbar::Text() const {
    std::string text;
    if (!tool_ipc::Request(FindControl(), "state", &text))
        return "(the stand-in taskbar does not answer)\n";
    return text;
}

} // namespace testing_support
