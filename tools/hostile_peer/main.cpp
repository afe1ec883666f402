// hostile_peer.exe: a process on the desktop that loaded a copy of the hook
// library (as every process the global hook reaches has) and writes what any
// such process can write into its shared section, for the tests.
//
//   hostile_peer.exe DLL owner HWND        hookActive set, the owner fields naming
//                                          the window's process and its creation
//                                          time
//   hostile_peer.exe DLL tab HWND          tabCtrl names the window HWND ("0x..."),
//                                          savedTabProc claims a subclass
//   hostile_peer.exe DLL entry HWND CODE   one ring entry {HWND, CODE, 0, 0},
//                                          published and signalled as the hooks
//                                          do; returns once the reader took it
//   hostile_peer.exe DLL list HWND MB      takenbuttons.dat beside DLL: MB
//                                          megabytes whose first record names
//                                          HWND and its process, zeros after
//
// Exit code 0 when it was written (and, for an entry, taken within 10 s).
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include <string>

#include "hook/shared_area.h"
#include "tools/common/ipc.h"

namespace {

// The library's shared section ".sharedd", found through its section table.
SharedHookArea* SharedAreaOf(HMODULE module) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (int i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
        if (strncmp(reinterpret_cast<char*>(section->Name), ".sharedd", 8) == 0)
            return reinterpret_cast<SharedHookArea*>(base + section->VirtualAddress);
    return nullptr;
}

int ForgeOwner(SharedHookArea* area, HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    FILETIME created = {0, 0}, exited, kernel, user;
    if (!process || !GetProcessTimes(process, &created, &exited, &kernel, &user)) return 1;
    CloseHandle(process);
    area->ownerProcess = pid;
    area->ownerCreated = created;
    InterlockedExchange(&area->hookActive, 1);
    return 0;
}

int ForgeEntry(SharedHookArea* area, HWND hwnd, UINT code) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, RingMutexName);
    HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, RingEventName);
    if (!mutex || !event || WaitForSingleObject(mutex, 5000) != WAIT_OBJECT_0) return 1;
    LONG slot = area->writeIndex;
    area->ring[slot] = WndMes{HandleToUlong(hwnd), code, 0, 0};
    InterlockedExchange(&area->writeIndex, (slot + 1) % RingSize);
    SetEvent(event);
    ReleaseMutex(mutex);
    // Taken once the reader is past the slot and not past the writers.
    auto after = [slot](LONG index) { return (index - slot + RingSize) % RingSize; };
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(10)) {
        LONG read = after(area->readIndex);
        if (read != 0 && read <= after(area->writeIndex)) return 0;
    }
    return 1;
}

int WriteList(const char* dll, HWND hwnd, LONGLONG megabytes) {
    std::string name = dll;
    name = name.substr(0, name.find_last_of('\\') + 1) + "takenbuttons.dat";
    DWORD record[2] = {HandleToUlong(hwnd), 0}, written = 0;
    GetWindowThreadProcessId(hwnd, &record[1]);
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = megabytes << 20;
    bool done = WriteFile(file, record, sizeof record, &written, nullptr) &&
                SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return done ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    HMODULE library = argc >= 4 ? LoadLibraryA(argv[1]) : nullptr;
    SharedHookArea* area = library ? SharedAreaOf(library) : nullptr;
    if (!area) return 2;
    if (strcmp(argv[2], "owner") == 0) return ForgeOwner(area, tool_ipc::ParseHandle(argv[3]));
    if (strcmp(argv[2], "tab") == 0) {
        area->tabCtrl = tool_ipc::ParseHandle(argv[3]);
        area->savedTabProc = reinterpret_cast<WNDPROC>(DefWindowProcA);
        return 0;
    }
    if (strcmp(argv[2], "list") == 0 && argc >= 5)
        return WriteList(argv[1], tool_ipc::ParseHandle(argv[3]), atoll(argv[4]));
    if (strcmp(argv[2], "entry") == 0 && argc >= 5)
        return ForgeEntry(area, tool_ipc::ParseHandle(argv[3]), strtoul(argv[4], nullptr, 0));
    return 2;
}
