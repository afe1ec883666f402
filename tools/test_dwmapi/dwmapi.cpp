// dwmapi.dll for the tests: Wine's own answers E_NOTIMPL when asked whether a
// window is cloaked. Placed beside a copy of pelmora.exe, it is loaded there in
// place of Wine's, and answers DWMWA_CLOAKED as Windows 8 and later do, from
// the property that the test application sets on a window it cloaks ("cloak").
// It exports what pelmora looks up (DwmGetWindowAttribute); nothing of Wine's
// imports dwmapi.dll, so no other name is asked for. Other attributes go to
// the system's own dwmapi.dll.
#include <windows.h>

#include "tools/testapp/testapp.h"

namespace {

constexpr DWORD CloakedAttribute = 14; // DWMWA_CLOAKED

using AttributeFn = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);

// The system's DwmGetWindowAttribute, from its own folder; null when the
// loader gives back this library instead.
AttributeFn SystemQuery() {
    static const AttributeFn query = []() -> AttributeFn {
        char path[MAX_PATH];
        UINT n = GetSystemDirectoryA(path, MAX_PATH - 12);
        if (n == 0 || n >= MAX_PATH - 12) return nullptr;
        lstrcatA(path, "\\dwmapi.dll");
        HMODULE system = LoadLibraryA(path);
        HMODULE self = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&SystemQuery), &self);
        if (!system || system == self) return nullptr;
        return reinterpret_cast<AttributeFn>(
            reinterpret_cast<void*>(GetProcAddress(system, "DwmGetWindowAttribute")));
    }();
    return query;
}

} // namespace

extern "C" HRESULT WINAPI DwmGetWindowAttribute(HWND hwnd, DWORD attribute, PVOID value,
                                                DWORD size) {
    if (attribute != CloakedAttribute) {
        AttributeFn system = SystemQuery();
        return system ? system(hwnd, attribute, value, size) : E_NOTIMPL;
    }
    if (!IsWindow(hwnd)) return E_HANDLE;
    if (!value || size != sizeof(DWORD)) return E_INVALIDARG;
    // The reason the test application gave (DWM_CLOAKED_SHELL: another
    // virtual desktop), 0 for a window it did not cloak.
    *static_cast<DWORD*>(value) =
        static_cast<DWORD>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, testapp::CloakProperty)));
    return S_OK;
}
