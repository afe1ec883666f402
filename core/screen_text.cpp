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

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    wchar_t wideText[TextBufferSize];
    wchar_t wideCaption[256];
    WideProgramText(text, wideText, TextBufferSize);
    if (caption) WideProgramText(caption, wideCaption, 256);
    return MessageBoxW(owner, wideText, caption ? wideCaption : nullptr, type);
}
