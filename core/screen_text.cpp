#include "core/screen_text.h"

#include "core/pure/text.h"

void WideProgramText(const char* text, wchar_t* out, int room) {
    if (MultiByteToWideChar(ProgramTextCodePage, 0, text, -1, out, room) > 0) return;
    // A Windows 2000 or XP without the East Asian languages has no code page
    // 932: the text reads as the ...A functions would read it there.
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, out, room) > 0) return;
    if (room > 0) out[0] = 0;
}

void SetProgramText(HWND window, const char* text) {
    wchar_t wide[TextBufferSize];
    WideProgramText(text, wide, TextBufferSize);
    SetWindowTextW(window, wide);
}

void ShowFailureBox(HWND owner, const char* text, DWORD code) {
    wchar_t wide[2 * TextBufferSize];
    WideProgramText(text, wide, TextBufferSize);
    int length = lstrlenW(wide);
    lstrcpyW(wide + length, L"\r\n");
    length += 2;
    DWORD room = (DWORD)(sizeof wide / sizeof wide[0]) - length;
    if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), wide + length, room, nullptr))
        wsprintfW(wide + length, L"error %lu", (unsigned long)code);
    MessageBoxW(owner, wide, nullptr, MB_OK);
}

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    wchar_t wideText[TextBufferSize];
    wchar_t wideCaption[256];
    WideProgramText(text, wideText, TextBufferSize);
    if (caption) WideProgramText(caption, wideCaption, 256);
    return MessageBoxW(owner, wideText, caption ? wideCaption : nullptr, type);
}
