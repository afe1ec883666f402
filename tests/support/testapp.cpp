#include "tests/support/testapp.h"

#include <sstream>

#include "tests/support/processes.h"
#include "tests/support/support.h"
#include "tools/common/ipc.h"

namespace testing_support {
namespace {

constexpr char ControlClass[] = "PelmoraTestAppControl";

std::vector<HWND> ParseHandles(const std::string& reply) {
    std::vector<HWND> handles;
    if (reply.compare(0, 6, "error:") == 0) return handles;
    std::istringstream words(reply);
    std::string word;
    while (words >> word)
        if (HWND hwnd = tool_ipc::ParseHandle(word)) handles.push_back(hwnd);
    return handles;
}

} // namespace

std::string WindowRef(HWND hwnd) {
    return tool_ipc::HandleText(hwnd);
}

HWND TestApp::Control() const {
    HWND hwnd = nullptr;
    while ((hwnd = FindWindowExA(HWND_MESSAGE, hwnd, ControlClass, nullptr))) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        if (pid == pid_) return hwnd;
    }
    return nullptr;
}

bool TestApp::Launch(const std::string& firstCommand, const std::string& exeName) {
    exePath_ = BinDir() + "testapp.exe";
    if (!exeName.empty()) {
        std::string dir = MakeTempDir("app");
        if (dir.empty()) return false;
        std::string copy = dir + exeName;
        copyDir_ = dir;
        if (!CopyFileA(exePath_.c_str(), copy.c_str(), FALSE)) return false;
        exePath_ = copy;
    }
    process_ = StartProcess("\"" + exePath_ + "\" " + firstCommand, &pid_);
    if (!process_) return false;
    return WaitUntil([this] { return Control() != nullptr; });
}

std::string TestApp::Send(const std::string& command) const {
    std::string reply;
    if (!tool_ipc::Request(Control(), command, &reply, 10000))
        return "error: the test application does not answer";
    return reply;
}

std::vector<HWND> TestApp::Open(const std::string& options) {
    return ParseHandles(Send("open " + options));
}

std::vector<HWND> TestApp::Windows() const {
    return ParseHandles(Send("list"));
}

std::vector<std::string> TestApp::Events(HWND hwnd) const {
    std::vector<std::string> events;
    std::string reply = Send("events " + WindowRef(hwnd));
    if (reply.compare(0, 6, "error:") == 0) return events;
    std::istringstream lines(reply);
    std::string line;
    while (std::getline(lines, line))
        if (!line.empty()) events.push_back(line);
    return events;
}

bool TestApp::Quit() {
    if (!process_) return true;
    Send("quit");
    bool ended = WaitForSingleObject(process_, 5000) == WAIT_OBJECT_0;
    if (!ended) TerminateProcess(process_, 1);
    CloseHandle(process_);
    process_ = nullptr;
    if (!copyDir_.empty()) {
        DeleteFileA(exePath_.c_str());
        RemoveDirectoryA(copyDir_.c_str());
        copyDir_.clear();
    }
    return ended;
}

} // namespace testing_support
