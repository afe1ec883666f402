#include "core/store_apps.h"

#include <stdio.h>
#include <string.h>

#include "core/classify.h"
#include "core/pure/store_app.h"
#include "core/scoped.h"

const PROPERTYKEY AppUserModelIdKey = {
    {0x9F4C2855, 0x9F79, 0x4B39, {0xA8, 0xD0, 0xE1, 0xD4, 0x2D, 0xE1, 0xD5, 0xF3}}, 5};
const IID PropertyStoreIid = {
    0x886D8EEB, 0x8CF2, 0x4446, {0x8D, 0x02, 0xCD, 0xBA, 0x1D, 0xBD, 0xCF, 0x99}};

namespace {

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

// The apps of the frames whose app window was seen, while the frames live. A
// frame's handle and process name it: a recycled handle is another window's.
// Few Store apps are open at once; past that the oldest entry makes room.
struct KeptFrame {
    HWND frame;
    DWORD process;
    char path[TextBufferSize];
};
constexpr int KeptFrameSlots = 16;
KeptFrame KeptFrames[KeptFrameSlots];
int NextKeptSlot = 0;

KeptFrame* FindKept(HWND frame, DWORD process) {
    for (KeptFrame& k : KeptFrames)
        if (k.frame == frame && k.process == process) return &k;
    return nullptr;
}

void Keep(HWND frame, DWORD process, const char* path) {
    KeptFrame* slot = FindKept(frame, process);
    for (KeptFrame& k : KeptFrames) // else one that is free or whose frame is gone
        if (!slot && (!k.frame || ProcessOf(k.frame) != k.process)) slot = &k;
    if (!slot) {
        slot = &KeptFrames[NextKeptSlot];
        NextKeptSlot = (NextKeptSlot + 1) % KeptFrameSlots;
    }
    *slot = KeptFrame{frame, process, {}};
    lstrcpynA(slot->path, path, TextBufferSize);
}

// "shell:AppsFolder\ID" from the window's application id; 0 without one.
int AppIdPath(HWND frame, char* path) {
    WindowStoreFn getStore = WindowPropertyStore();
    ScopedComPtr<IPropertyStore> store;
    if (!getStore || FAILED(getStore(frame, PropertyStoreIid, store.Out())) || !store.get())
        return 0;
    PROPVARIANT value;
    memset(&value, 0, sizeof value);
    if (FAILED(store->GetValue(AppUserModelIdKey, &value))) return 0;
    char id[TextBufferSize] = "";
    // An id that does not fit is no id. The window's program chose it, and a
    // conversion that ran out of room leaves what it wrote unterminated.
    if (value.vt == VT_LPWSTR && value.pwszVal &&
        !WideCharToMultiByte(CP_ACP, 0, value.pwszVal, -1, id, sizeof id, nullptr, nullptr))
        id[0] = 0;
    PropVariantClear(&value);
    int n = snprintf(path, TextBufferSize, "%s%s", AppIdPathPrefix, id);
    return id[0] && n < TextBufferSize ? 1 : 0;
}

// The app of a Store frame: that of the process whose window is inside it.
int FrameApplicationPath(HWND frame, char* path) {
    DWORD host = ProcessOf(frame);
    HWND app = FindWindowExA(frame, nullptr, StoreAppWindowClass, nullptr);
    DWORD appProcess = app ? ProcessOf(app) : 0;
    if (appProcess && appProcess != host && GetProcessImagePath(app, path, TextBufferSize)) {
        Keep(frame, host, path);
        return 1;
    }
    if (const KeptFrame* k = FindKept(frame, host)) {
        memcpy(path, k->path, TextBufferSize);
        return 1;
    }
    return AppIdPath(frame, path);
}

} // namespace

WindowStoreFn WindowPropertyStore() {
    static const WindowStoreFn function = [] {
        HMODULE shell = GetModuleHandleA("shell32.dll");
        return shell ? ProcAs<WindowStoreFn>(shell, "SHGetPropertyStoreForWindow") : nullptr;
    }();
    return function;
}

bool IsStoreFrame(HWND hwnd) {
    char className[TextBufferSize];
    return GetClassNameA(hwnd, className, sizeof className) &&
           EqualIgnoringCase(className, StoreFrameClass);
}

int ApplicationPath(HWND hwnd, const char* className, char* path) {
    switch (KindOfWindow(className, path, IsSystemLeadByte)) {
    case WindowKind::Ordinary:
        return 1;
    case WindowKind::StoreFrame:
        return FrameApplicationPath(hwnd, path);
    case WindowKind::StorePart:
        break;
    }
    return 0;
}

int GetApplicationPath(HWND hwnd, char* path) {
    char className[TextBufferSize];
    return GetProcessImagePath(hwnd, path, TextBufferSize) &&
           GetClassNameA(hwnd, className, sizeof className) &&
           ApplicationPath(hwnd, className, path);
}

void ForgetStoreFrame(HWND frame) {
    for (KeptFrame& k : KeptFrames)
        if (k.frame == frame) k = KeptFrame{};
}
