// null_hook.dll: a global WH_CALLWNDPROC hook that does nothing but pass the
// message on, the floor against which ravik's hook is measured.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    NullHookProc(int code, WPARAM wParam, LPARAM lParam) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
