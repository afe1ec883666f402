// The control window: a message-only window that answers the requests of
// tests and scripts (tools/common/ipc.h, request words in protocol.h),
// receives the hook library's window events, and runs the poll.
#include "tools/standin_taskbar/standin.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>

#include "tools/common/ipc.h"
#include "tools/standin_taskbar/protocol.h"

namespace {

constexpr UINT_PTR PollTimer = 1;
constexpr UINT PollIntervalMs = 100;
constexpr UINT_PTR IconTimer = 2;
constexpr UINT IconIntervalMs = 1000;
constexpr UINT HangMessage = WM_APP + 100; // wParam: milliseconds, 0 = for ever

const char* LayoutName() {
    switch (Standin.layout) {
    case TaskbarLayout::Xp:
        return "xp";
    case TaskbarLayout::Win7:
        return "win7";
    default:
        return "2000";
    }
}

// The poll and the icon refresh are the stand-in's own safety nets, which the
// Windows taskbar does not have. Run in the middle of a burst of taskbar-list
// calls or window events, they would keep the program under test waiting for
// the stand-in; so they wait until the events have been quiet for QuietMs, but
// never longer than MaxDelayMs.
constexpr DWORD QuietMs = 50;
constexpr DWORD MaxDelayMs = 1000;
DWORD LastActivity = 0;

struct SafetyNet {
    bool waiting = false;
    DWORD waitingSince = 0;

    bool MayRun() {
        DWORD now = GetTickCount();
        if (now - LastActivity >= QuietMs || (waiting && now - waitingSince >= MaxDelayMs)) {
            waiting = false;
            return true;
        }
        if (!waiting) waitingSince = now;
        waiting = true;
        return false;
    }
};
SafetyNet Poll, IconRefresh;

std::string Escaped(const std::wstring& text) {
    std::string utf8 = tool_ipc::WideToUtf8(text), out;
    for (char c : utf8) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c != '\r')
            out += c;
    }
    return out;
}

std::string RectText(const RECT& rc) {
    char text[64];
    snprintf(text, sizeof text, "%ld,%ld,%ld,%ld", rc.left, rc.top, rc.right, rc.bottom);
    return text;
}

std::string StateText() {
    using tool_ipc::HandleText;
    std::string out;
    RECT tray;
    GetWindowRect(Standin.tray, &tray);
    HWND tab = Standin.layout == TaskbarLayout::Win2000 ? Standin.buttonStrip : nullptr;
    out += "taskbar tray=" + HandleText(Standin.tray) + " tasks=" + HandleText(Standin.taskSwitch) +
           " tab=" + HandleText(tab) + " notify=" + HandleText(Standin.notifyArea) +
           " rect=" + RectText(tray) + " layout=" + LayoutName() +
           " rebar=" + HandleText(Standin.rebar) + " buttons=" + HandleText(Standin.buttonStrip) +
           "\n";
    HWND foreground = GetForegroundWindow();
    const std::vector<TaskButton>& buttons = Buttons();
    for (size_t i = 0; i < buttons.size(); ++i) {
        const TaskButton& b = buttons[i];
        out += "button index=" + std::to_string(i) + " hwnd=" + HandleText(b.hwnd) +
               " flashing=" + (b.flashing ? "1" : "0") +
               " active=" + (b.hwnd == foreground ? "1" : "0") + " icon=" + HandleText(b.icon) +
               " rect=" + RectText(ButtonScreenRect(i)) + " title=" + Escaped(b.title) + "\n";
    }
    const std::vector<NotifyIcon>& icons = NotifyIcons();
    for (size_t i = 0; i < icons.size(); ++i) {
        const NotifyIcon& n = icons[i];
        char numbers[96];
        snprintf(numbers, sizeof numbers, " id=%u callback=0x%x flags=0x%x", n.id,
                 n.callbackMessage, n.flags);
        out += "tray owner=" + HandleText(n.owner) + numbers +
               " rect=" + RectText(NotifyIconScreenRect(i)) + " tip=" + Escaped(n.tip) + "\n";
    }
    for (const TaskbarListCall& call : TaskbarListLog()) {
        out += "call seq=" + std::to_string(call.seq) + " op=" + call.op +
               " hwnd=" + HandleText(call.hwnd) + "\n";
    }
    return out;
}

void BroadcastTaskbarCreated() {
    // Not waited for: a hung window must not stop the taskbar.
    SendNotifyMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
}

LRESULT OnRequest(WPARAM wParam, LPARAM lParam) {
    std::string request;
    HWND replyTo = nullptr;
    if (!tool_ipc::ReadRequest(wParam, lParam, &request, &replyTo)) return FALSE;
    // What a test looks at next may be the screen.
    FlushButtonPaint();
    if (request == "state") {
        tool_ipc::SendReply(replyTo, StateText());
    } else if (request == "clearlog") {
        ClearTaskbarListLog();
        tool_ipc::SendReply(replyTo, "ok");
    } else if (request == "taskbarcreated") {
        BroadcastTaskbarCreated();
        tool_ipc::SendReply(replyTo, "ok");
    } else if (request == "quit") {
        tool_ipc::SendReply(replyTo, "ok");
        PostQuitMessage(0);
    } else if (request.compare(0, 5, "hang ") == 0 && isdigit(request[5] & 0xFF)) {
        // Posted: the caller has its reply before the taskbar stops answering.
        tool_ipc::SendReply(replyTo, "ok");
        PostMessageW(Standin.control, HangMessage, strtoul(request.c_str() + 5, nullptr, 10), 0);
    } else {
        tool_ipc::SendReply(replyTo, "error: unknown request \"" + request + "\"");
    }
    return TRUE;
}

LRESULT CALLBACK ControlWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SetTimer(hwnd, PollTimer, PollIntervalMs, nullptr);
        SetTimer(hwnd, IconTimer, IconIntervalMs, nullptr);
        return 0;
    case WM_TIMER:
        if (wParam == PollTimer && Poll.MayRun()) {
            PollWindows();
            RemoveDeadNotifyIcons();
        } else if (wParam == IconTimer && IconRefresh.MayRun()) {
            RequestAllButtonIcons();
        }
        return 0;
    case standin::WindowEventMessage:
        NoteTaskbarActivity();
        OnWindowEvent(reinterpret_cast<HWND>(wParam), lParam);
        return 0;
    case WM_COPYDATA:
        return OnRequest(wParam, lParam);
    case HangMessage:
        // The whole taskbar stops answering: every window of the stand-in
        // belongs to this thread, and Sleep handles no sent message.
        Sleep(wParam ? static_cast<DWORD>(wParam) : INFINITE);
        return 0;
    case WM_DESTROY:
        KillTimer(hwnd, PollTimer);
        KillTimer(hwnd, IconTimer);
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

void NoteTaskbarActivity() {
    LastActivity = GetTickCount();
}

bool RegisterControlClass() {
    return RegisterStandinClass(standin::ControlClass, ControlWndProc, 0, nullptr);
}

HWND CreateControlWindow() {
    return CreateWindowExA(0, standin::ControlClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           Standin.instance, nullptr);
}
