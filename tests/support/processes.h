// Starting helper programs from tests: Windows programs from the build's bin
// folder, and Linux programs (xdotool, ImageMagick) through /bin/sh.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

// Starts a program with the given command line (sharing the test's console) and
// returns its process handle, or null. Every process started this way ends
// when the test process ends, even when the test crashes.
HANDLE StartProcess(const std::string& commandLine, DWORD* processId = nullptr);

// Runs a program to its end (at most timeoutMs) and collects what it writes
// to its standard output. Returns its exit code, or -1.
int RunProgram(const std::string& commandLine, std::string* output, DWORD timeoutMs = 15000);

// Runs a Linux shell command under /bin/sh and waits at most timeoutMs for it.
// Returns its exit status, or -1 when it could not be started or did not end.
int RunLinuxCommand(const std::string& command, DWORD timeoutMs = 15000);

// The Linux path of a Windows path (Z:\tmp\x -> /tmp/x), empty when there is none.
std::string LinuxPath(const std::string& windowsPath);

// Moves the mouse to the screen point and clicks the button (1 left, 3 right)
// `count` times with the X server's own input (xdotool). Returns 1 on success.
int ClickAt(int x, int y, int button = 1, int count = 1);

// Saves the screen area as a PNG file (ImageMagick's import). Returns 1 on success.
int SaveScreenshot(const RECT& area, const std::string& windowsPath);

} // namespace testing_support
