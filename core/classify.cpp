// Which windows take part in grouping, what they are, and which group they join.
#include "core/classify.h"

#include <string.h>
#include <tlhelp32.h>

#include "core/errorlog.h"
#include "core/state.h"
#include "core/pure/text.h"
#include "core/scoped.h"
#include "hook/window_calls.h"

namespace {

// The answer of a window to WM_GETICON, or null when it gives none in time.
// SMTO_ABORTIFHUNG: a window already known to be hung costs no wait at all.
// `refused` is set when the question could not be put at all: the call failed
// at once for a window that exists and is not hung (finding that out costs two
// more questions to the system, so a caller that does not need it passes null).
// Wine refuses WM_GETICON to every other process's window this way. `timedOut`
// is set when the window did not answer in time.
HICON AskIcon(HWND hwnd, WPARAM which, bool* refused, bool* timedOut) {
    DWORD_PTR answer = 0;
    SetLastError(0);
    if (!SendBounded(hwnd, WM_GETICON, which, 0, IconAnswerTimeoutMs, &answer)) {
        DWORD error = GetLastError();
        if (error == ERROR_TIMEOUT) *timedOut = true;
        if (refused && error != ERROR_TIMEOUT && IsWindow(hwnd) && !IsHungAppWindow(hwnd))
            *refused = true;
        return nullptr;
    }
    return reinterpret_cast<HICON>(answer);
}

HICON ClassIcon(HWND hwnd, int which) {
    return reinterpret_cast<HICON>(GetClassLongPtrA(hwnd, which));
}

// 1 when the rule's id is the text (hash first, then bytes).
int RuleMatches(const GroupRule* rule, const char* text, int textHash) {
    return text && rule->id && rule->idHash == textHash && strcmp(rule->id, text) == 0;
}

} // namespace

bool IsSystemLeadByte(unsigned char c) {
    return IsDBCSLeadByte(c) != 0;
}

int IsTaskbarCandidate(HWND hwnd) {
    if (GetParent(hwnd)) return 0;
    if (GetWindow(hwnd, GW_OWNER)) return 0;
    if (GetWindowLongA(hwnd, GWL_STYLE) & WS_DISABLED) return 0;
    if (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) return 0;
    return 1;
}

namespace {

// The four sources in turn; `refused`, unless null, tells whether both
// questions were refused. Only GetNewWndIcon needs to know: under Wine, where
// every other process's window refuses, the scan and each proxy's icon refresh
// would pay two more questions per refusal.
HICON WndIcon(HWND hwnd, bool* refused) {
    bool smallRefused = false, bigRefused = false, timedOut = false;
    bool* smallOut = refused ? &smallRefused : nullptr;
    bool* bigOut = refused ? &bigRefused : nullptr;
    if (HICON icon = AskIcon(hwnd, ICON_SMALL, smallOut, &timedOut)) return icon;
    if (HICON icon = ClassIcon(hwnd, GCLP_HICONSM)) return icon;
    // A window that let one question time out is not asked a second time.
    if (!timedOut) {
        if (HICON icon = AskIcon(hwnd, ICON_BIG, bigOut, &timedOut)) return icon;
    }
    HICON icon = ClassIcon(hwnd, GCLP_HICON);
    if (refused) *refused = !icon && smallRefused && bigRefused;
    return icon;
}

} // namespace

HICON GetWndIcon(HWND hwnd) {
    return WndIcon(hwnd, nullptr);
}

HICON GetNewWndIcon(HWND hwnd) {
    bool refused = false;
    if (HICON icon = WndIcon(hwnd, &refused)) return icon;
    // A window that cannot be asked is still an application's window: it is
    // shown with the system's application icon rather than ignored for good.
    return refused ? LoadIcon(nullptr, IDI_APPLICATION) : nullptr;
}

// Cloaking exists from Windows 8 (6.2) on. A program without a manifest that
// names later systems is told 6.2 by 8.1 to 11, which is still "8 or later".
bool Windows8OrLater() {
    static const bool later = [] {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
        if (!GetVersionExA(&version)) return false;
        return version.dwMajorVersion > 6 ||
               (version.dwMajorVersion == 6 && version.dwMinorVersion >= 2);
    }();
    return later;
}

int ProcessImagePathByPsapi(DWORD processId, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD);
    using GetModuleFileNameExAFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);

    // Loaded at every call and freed again: nothing is kept between windows.
    ScopedLibrary psapi(LoadLibraryA("PSAPI.DLL"));
    if (!psapi.get()) return 0;
    auto enumModules = ProcAs<EnumProcessModulesFn>(psapi.get(), "EnumProcessModules");
    auto moduleFileName = ProcAs<GetModuleFileNameExAFn>(psapi.get(), "GetModuleFileNameExA");
    if (!enumModules || !moduleFileName) return 0;

    ScopedHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process.valid()) return 0;
    // Room for one module handle: the first module is the executable.
    HMODULE first = nullptr;
    DWORD needed = 0;
    if (!enumModules(process.get(), &first, sizeof first, &needed)) return 0;
    DWORD length = moduleFileName(process.get(), first, buffer, (DWORD)size);
    // A path that fills the whole buffer may have been cut: no path then, rather
    // than the path of some other file.
    buffer[size - 1] = 0;
    return length != 0 && length + 1 < (DWORD)size ? 1 : 0;
}

int ProcessImagePathByToolhelp(DWORD processId, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    using SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
    using Process32Fn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);

    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel) return 0;
    auto snapshot = ProcAs<SnapshotFn>(kernel, "CreateToolhelp32Snapshot");
    auto first = ProcAs<Process32Fn>(kernel, "Process32First");
    auto next = ProcAs<Process32Fn>(kernel, "Process32Next");
    if (!snapshot || !first || !next) return 0;

    ScopedHandle snap(snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snap.valid()) return 0;
    PROCESSENTRY32 entry;
    entry.dwSize = sizeof entry;
    if (!first(snap.get(), &entry)) return 0;
    while (entry.th32ProcessID != processId)
        if (!next(snap.get(), &entry)) return 0;
    // The caller's buffer may be smaller than the entry's: a path that does not
    // fit is no path.
    if (lstrlenA(entry.szExeFile) >= size) return 0;
    lstrcpynA(buffer, entry.szExeFile, size);
    return 1;
}

int ProcessImagePathByQuery(DWORD processId, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    using QueryImageNameFn = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
    static const auto query =
        ProcAs<QueryImageNameFn>(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA");
    if (!query) return 0;
    // The limited right is granted for processes of higher integrity too, and
    // the name is read without looking into the process's modules, which a
    // 32-bit process cannot do for a 64-bit one.
    ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.valid()) return 0;
    DWORD length = (DWORD)size; // a path that does not fit fails: no path then
    return query(process.get(), 0, buffer, &length) && length > 0 ? 1 : 0;
}

int GetProcessImagePath(HWND hwnd, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    DWORD processId = 0;
    GetWindowThreadProcessId(hwnd, &processId);
    // A window that is gone has no process. Id 0 is the idle process, which a
    // Toolhelp walk would otherwise report as the owner.
    if (processId == 0) return 0;

    OSVERSIONINFOA version;
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    switch (version.dwPlatformId) {
    case VER_PLATFORM_WIN32_NT:
        // Vista and later name every process; PSAPI is for 2000 and XP, and
        // for a process the system did not name.
        return ProcessImagePathByQuery(processId, buffer, size) ||
               ProcessImagePathByPsapi(processId, buffer, size);
    case VER_PLATFORM_WIN32_WINDOWS:
        return ProcessImagePathByToolhelp(processId, buffer, size);
    default:
        return 0;
    }
}

char* MakeDisplayName(const char* path) {
    if (!path) return nullptr;
    DisplayNameSpan span = FindDisplayName(path, IsSystemLeadByte);
    char* name = static_cast<char*>(ObjAlloc(span.tailLength + 1));
    if (!name) {
        LogAllocFailure();
        return nullptr;
    }
    memcpy(name, path + span.start, span.tailLength + 1);
    name[span.nameLength] = 0; // everything from the last dot on goes
    return name;
}

GroupRule* FindRule(const char* path, const char* className) {
    int pathHash = path ? StrHash(path) : 0;
    int classHash = className ? StrHash(className) : 0;
    for (GroupRule* rule = RuleList; rule; rule = rule->next) {
        if (!RuleInForce(rule)) continue;
        if (rule->type == RuleTypePath && RuleMatches(rule, path, pathHash)) return rule;
        if (rule->type == RuleTypeClass && RuleMatches(rule, className, classHash)) return rule;
    }
    return nullptr;
}

WndGroup* FindGroupFor(const char* path, const char* className) {
    if (GroupRule* rule = FindRule(path, className)) {
        // A window that a rule matches joins only the group of that rule.
        for (WndGroup* g = GroupList; g; g = g->next)
            if (g->rule == rule) return g;
        return nullptr;
    }
    // With no criterion in force every window founds a group of its own,
    // rather than joining whichever group is first.
    GroupCriteria c = CriteriaInForce(Settings);
    if (!c.byPath && !c.byClass) return nullptr;
    for (WndGroup* g = GroupList; g; g = g->next) {
        bool pathEqual = c.byPath && EqualIgnoringCase(path, g->path);
        bool classEqual = c.byClass && EqualIgnoringCase(className, g->className);
        bool passes = c.all ? (!c.byPath || pathEqual) && (!c.byClass || classEqual)
                            : pathEqual || classEqual;
        if (passes) return g;
    }
    return nullptr;
}
