// What the Windows tests share: waiting, processes and their windows, files, the
// mouse, and the real program, the stand-in taskbar (tools/standin_taskbar) and
// the test application (tools/testapp) as tests drive them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "res/resource.h" // the program's commands and the settings dialog's controls

namespace testing_support {

// Polls cond, dispatching this thread's messages, until it holds or timeoutMs
// passed; the last value of cond. Tests wait with this, never with a fixed sleep.
bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs = 10000);
void PumpMessages();
std::string BinDir();                     // the build's bin folder, with its backslash
std::string MakeTempDir(const char* tag); // a fresh folder, with its backslash
// The folder of the shipped pelmora.exe and ravik.dll that the tests run (the
// dist folder of the build that ships them), with its backslash.
std::string ShippedDir();
// Starts a program (in `dir` when given) that ends with the test process, even
// when the test crashes; its process handle, or null.
HANDLE StartProcess(const std::string& commandLine, DWORD* pid = nullptr,
                    const char* dir = nullptr);
// The process's first top-level window of this class (and title), a visible one
// unless `hidden` allows any; WaitWindowOf waits for it.
HWND FindWindowOf(DWORD pid, const char* cls, const char* title = nullptr, bool hidden = false);
HWND WaitWindowOf(DWORD pid, const char* cls, const char* title = nullptr, bool hidden = false);
bool ClickAt(int x, int y); // a left click at the screen point, through the X server
// An open menu as the screen shows it (tools/menu-look.py): "items 18 high,
// icons 15x14" (the icon's visible pixels), once it is drawn.
std::string LookAtMenu(HWND menu);
std::string ReadFileText(const std::string& path); // "" when it cannot be read
bool WriteFileText(const std::string& path, const std::string& text);

// A copy of the shipped pelmora.exe and ravik.dll in a fresh folder (so its files
// and its library's shared area are its own), with this pelmora.ini (none when null).
std::string MakeProgramCopy(const char* tag, const char* iniText);

// One running program, ended through its tray menu (else by force) when it
// still runs at destruction.
class ProgramProcess {
  public:
    ~ProgramProcess();
    bool Start(const std::string& dir); // dir's pelmora.exe, in dir
    // Takes charge of another instance than `pid`, the program started again.
    bool AttachRestarted(DWORD pid);
    bool WaitExit(DWORD* code, DWORD timeoutMs = 20000);
    bool Kill(); // ends it at once, as a kill does, and waits until it has ended
    bool Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }
    DWORD Pid() const { return pid_; }
    HWND WaitMainWindow() const { return WaitWindowOf(pid_, "pelmora", nullptr, true); }
    // The tray menu's exit command; the exit code, STILL_ACTIVE when it did not end.
    DWORD ExitThroughTrayMenu(DWORD timeoutMs = 20000);

  private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

struct TaskbarButton {
    HWND hwnd;
    std::string title; // in the ANSI code page
    bool flashing;
    RECT rect; // on the screen
};

struct TaskbarNotifyIcon {
    HWND owner;
    UINT id, callbackMessage;
};

struct TaskbarState {
    HWND tray = nullptr;                // "Shell_TrayWnd"
    std::vector<TaskbarButton> buttons; // left to right
    std::vector<TaskbarNotifyIcon> icons;
    std::vector<std::pair<std::string, HWND>> calls; // ("AddTab", window)..., oldest first
    std::string text;                                // as the stand-in printed it (UTF-8)
};

class StandinTaskbar {
  public:
    ~StandinTaskbar() { Stop(); }
    // Ends one that an earlier test left, registers the taskbar-list server,
    // starts the stand-in with the class tree of this shell ("2000", "xp" or
    // "win7") and waits until it answers.
    bool Start(const char* layout = "2000");
    void Stop();
    bool Read(TaskbarState* state) const; // false when it does not answer
    std::vector<TaskbarButton> Buttons() const;
    std::string Text() const; // the whole state, for failure messages

  private:
    HANDLE process_ = nullptr;
};

// Registers this DLL for CLSID_TaskbarList in the prefix (HKLM, where Wine's
// COM looks), as tools/wine-env.sh registers the taskbar-list server.
bool RegisterTaskbarListServer(const std::string& dll);

// One running testapp.exe, copied as exeName ("editor.exe") when it stands for
// another application. Its commands are listed in tools/testapp/testapp.h.
class TestApp {
  public:
    ~TestApp();
    // Starts it with a first command ("open count=2") and waits until it answers.
    bool Launch(const std::string& firstCommand = "", const std::string& exeName = "");
    std::string Send(const std::string& command) const;      // the reply, "error: ..." on failure
    std::vector<HWND> Open(const std::string& options = ""); // the new windows
    std::vector<HWND> Windows() const; // those that exist, in the order they were opened

  private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

std::string WindowRef(HWND hwnd); // a window as the test application's commands name it

} // namespace testing_support
