// pelmora_command.exe ID: gives the running pelmora a command of its tray menu,
// as the menu itself would (WM_COMMAND to the main window of class "pelmora"):
// 206 ends it, 208 opens the about box, 209 removes the icon. For the demo.
// Exit code 0 when a running pelmora got the command, 1 otherwise.
#include <windows.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 2) return 1;
    HWND main = FindWindowA("pelmora", nullptr);
    if (!main) return 1;
    return PostMessageA(main, WM_COMMAND, (WPARAM)atoi(argv[1]), 0) ? 0 : 1;
}
