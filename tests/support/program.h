// Running the real pelmora.exe from a test: a private copy of the program in a
// folder of its own (its pelmora.ini, rule.ini, errorlog.txt and its own shared
// hook area, since the library's shared data belongs to one file), its windows
// and message boxes, its exit code.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testing_support {

class StandinTaskbar;

// A copy of the shipped pelmora.exe and ravik.dll in a fresh folder, with the given
// pelmora.ini text (none when iniText is null).
std::string MakeProgramCopy(const char* tag, const char* iniText);

// One started program; ends it (tray command 206, else TerminateProcess) when
// it is still running at destruction.
class ProgramProcess {
public:
    ProgramProcess() = default;
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // Starts dir\pelmora.exe with dir as its current directory and extra
    // environment variables ("NAME=value"). False when it could not start.
    bool Start(const std::string& dir, const std::vector<std::string>& environment = {});
    // Takes charge of a program started by someone else (a restarted instance).
    bool Attach(DWORD pid);
    // Waits for the process to end; false on time-out. The code is then in *code.
    bool WaitExit(DWORD timeoutMs, DWORD* code);
    bool Running() const;
    DWORD Pid() const { return pid_; }
    HANDLE Process() const { return process_; }
    // The process's hidden main window (class "pelmora"), waiting for it.
    HWND WaitMainWindow(DWORD timeoutMs = 20000);
    // Sends the tray menu's exit command (206) to the main window and waits for
    // the end: the exit code, or STILL_ACTIVE when the program did not end.
    DWORD ExitThroughTrayMenu(DWORD timeoutMs = 20000);
    void Kill();

private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// The visible top-level windows of a process with the given class (any when
// null) and title (any when null).
std::vector<HWND> ProcessWindows(DWORD pid, const char* className, const char* title,
                                 bool visibleOnly = true);

// The process (other than `except`) whose main window of class "pelmora" runs
// the program from `exePath`, waiting for it; 0 on time-out.
DWORD WaitProgramFrom(const std::string& exePath, DWORD except, DWORD timeoutMs = 20000);

// The texts of the static controls of a dialog (a message box's text among them).
std::vector<std::string> StaticTexts(HWND dialog);

// The process's message box (a visible "#32770" dialog with an OK button) whose
// text is `text`, waiting for it; null on time-out.
HWND WaitMessageBox(DWORD pid, const char* text, DWORD timeoutMs = 20000);

// Presses OK on a message box.
void PressOk(HWND box);

// The stand-in taskbar shows exactly these windows' buttons, in any order.
bool ButtonsAreExactly(const StandinTaskbar& taskbar, std::vector<HWND> windows);

// The text of errorlog.txt in dir, with the line ends the C runtime's text mode
// wrote ("\r\n") read back as "\n".
std::string ReadErrorLog(const std::string& dir);

}  // namespace testing_support
