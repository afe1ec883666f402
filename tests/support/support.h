// Helpers shared by the Windows test executables.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace testing_support {

// Polls cond, pumping this thread's messages between polls, until it holds or
// timeoutMs has passed. Returns the last value of cond. Tests wait with this,
// never with a fixed sleep.
bool WaitUntil(const std::function<bool()>& cond, DWORD timeoutMs = 10000);

// Dispatches every message waiting in this thread's queue.
void PumpMessages();

// Directory of the running test executable, with its trailing backslash: the
// build's bin folder, where the test tools are (and a copy of the shipped
// ravik.dll, which the tests load).
std::string BinDir();

// The folder of the shipped pelmora.exe and ravik.dll that the tests run (the
// dist folder of the build that ships them), with its trailing backslash.
std::string ShippedDir();

// A fresh, empty directory for this test (removed by the caller when wanted).
std::string MakeTempDir(const char* tag);

// Windows path of the artifacts folder under the build folder (screenshots and
// other files a person may want to look at), created on demand.
std::string ArtifactsDir();

} // namespace testing_support
