// pelmora's own texts on the screen. The code holds them as CP932 byte strings
// (the compiler makes them so), and the log keeps those bytes; on the screen
// they go through the wide functions, so that they read right whatever the
// system's code page is.
#pragma once

#include <windows.h>

// The code page of the texts in pelmora's code.
constexpr UINT ProgramTextCodePage = 932;

// A text of pelmora's code as UTF-16, into room characters (room must hold it).
void WideProgramText(const char* text, wchar_t* out, int room);

// SetWindowTextW of a text of pelmora's code (a control's caption, say).
void SetProgramText(HWND window, const char* text);

// MessageBoxW, with no caption of its own and OK, of a text of pelmora's code
// followed on a line of its own by the system's text for an error code (in the
// system's language, read as wide text, so it shows right on any code page).
void ShowFailureBox(HWND owner, const char* text, DWORD code);

// MessageBoxW of a text and caption of pelmora's code (a null caption: the
// system's own); the button chosen.
int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);
