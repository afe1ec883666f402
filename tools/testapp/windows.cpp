// The test application's windows and the commands that drive them. Runs on
// the UI thread only.
#include "tools/testapp/testapp.h"

#include <shobjidl.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <set>
#include <vector>

#include "tools/common/ipc.h"

namespace testapp {
namespace {

struct AppWindow {
    HWND hwnd;
    bool askClose;
    std::vector<std::string> events;
    bool refuseClose;
    bool minimized; // for the minimise events
};

HINSTANCE Instance = nullptr;
bool RaiseEvents = false;       // /winevents
std::vector<AppWindow> Windows; // in creation order; destroyed ones keep their place
std::set<std::string> RegisteredClasses;
int Cascade = 0;

AppWindow* Find(HWND hwnd) {
    for (AppWindow& w : Windows)
        if (w.hwnd == hwnd) return &w;
    return nullptr;
}

void Log(HWND hwnd, const std::string& event) {
    if (AppWindow* w = Find(hwnd)) w->events.push_back(event);
}

std::string Hex(unsigned long long value) {
    char text[32];
    snprintf(text, sizeof text, "0x%llx", value);
    return text;
}

// Asks "save changes?" and closes unless the answer is cancel.
void OnClose(HWND hwnd) {
    Log(hwnd, "close");
    AppWindow* w = Find(hwnd);
    if (w && w->refuseClose) return;
    if (w && w->askClose) {
        Log(hwnd, "question");
        char title[256];
        GetWindowTextA(hwnd, title, sizeof title);
        int answer =
            MessageBoxA(hwnd, "変更を保存しますか?", title, MB_YESNOCANCEL | MB_ICONQUESTION);
        const char* word = answer == IDYES ? "yes" : answer == IDNO ? "no" : "cancel";
        Log(hwnd, std::string("answer ") + word);
        if (answer != IDYES && answer != IDNO) return;
    }
    DestroyWindow(hwnd);
}

// The system events that Windows raises for a top-level window and Wine 8
// does not (it raises EVENT_OBJECT_CREATE itself), raised where Windows
// raises them: after the change.
void Raise(DWORD event, HWND hwnd) {
    if (RaiseEvents) NotifyWinEvent(event, hwnd, OBJID_WINDOW, CHILDID_SELF);
}

void RaiseForPosition(HWND hwnd, const WINDOWPOS& pos) {
    if (pos.flags & SWP_SHOWWINDOW) Raise(EVENT_OBJECT_SHOW, hwnd);
    if (pos.flags & SWP_HIDEWINDOW) Raise(EVENT_OBJECT_HIDE, hwnd);
    AppWindow* w = Find(hwnd);
    bool minimized = IsIconic(hwnd) != 0;
    if (!w || w->minimized == minimized) return;
    w->minimized = minimized;
    Raise(minimized ? EVENT_SYSTEM_MINIMIZESTART : EVENT_SYSTEM_MINIMIZEEND, hwnd);
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
    char title[512];
    int n = GetWindowTextA(hwnd, title, sizeof title);
    InflateRect(&rc, -8, -8);
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, title, n, &rc, DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ACTIVATE:
        Log(hwnd, "activate " + std::to_string(LOWORD(wParam)));
        if (LOWORD(wParam) != WA_INACTIVE && GetForegroundWindow() == hwnd)
            Raise(EVENT_SYSTEM_FOREGROUND, hwnd);
        break;
    case WM_WINDOWPOSCHANGED:
        RaiseForPosition(hwnd, *reinterpret_cast<const WINDOWPOS*>(lParam));
        break;
    case WM_NCDESTROY:
        Raise(EVENT_OBJECT_DESTROY, hwnd);
        break;
    case WM_CLOSE:
        OnClose(hwnd);
        return 0;
    case WM_SYSCOMMAND: {
        Log(hwnd, "syscommand " + Hex(wParam & 0xFFF0));
        AppWindow* w = Find(hwnd);
        if ((wParam & 0xFFF0) == SC_CLOSE && w && w->refuseClose) return 0;
        break;
    }
    case 0x0313: // WM_POPUPSYSTEMMENU: x and y of the screen point in lParam
        Log(hwnd, "popupsystemmenu " + std::to_string(static_cast<short>(LOWORD(lParam))) + " " +
                      std::to_string(static_cast<short>(HIWORD(lParam))));
        break;
    case WM_PAINT:
        Paint(hwnd);
        return 0;
    case WM_SETTEXT: {
        LRESULT r = DefWindowProcA(hwnd, message, wParam, lParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        Raise(EVENT_OBJECT_NAMECHANGE, hwnd);
        return r;
    }
    case WM_DESTROY:
        Log(hwnd, "destroy");
        break;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

bool EnsureClass(const std::string& name) {
    if (RegisteredClasses.count(name)) return true;
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = Instance;
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = name.c_str();
    if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    RegisteredClasses.insert(name);
    return true;
}

// Splits a command into words; "..." groups blanks into one word (also after
// "key="). Shift-JIS second bytes are never a blank or a quote.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (any) words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(word);
    return words;
}

HWND ParseWindow(const std::string& text) {
    if (text.size() > 1 && text[0] == '#') {
        char* end = nullptr;
        long index = strtol(text.c_str() + 1, &end, 10);
        if (*end || index < 0 || index >= static_cast<long>(Windows.size())) return nullptr;
        return Windows[index].hwnd;
    }
    HWND hwnd = tool_ipc::ParseHandle(text);
    return Find(hwnd) ? hwnd : nullptr;
}

HWND FirstLiveWindow() {
    for (const AppWindow& w : Windows)
        if (IsWindow(w.hwnd)) return w.hwnd;
    return nullptr;
}

std::string Open(const std::vector<std::string>& words) {
    OpenOptions o;
    std::string error = ParseOpenOptions(words, &o);
    if (!error.empty()) return error;
    if (!o.ownerRef.empty() && !(o.owner = ParseWindow(o.ownerRef)))
        return "error: no window " + o.ownerRef;
    if (o.count < 1 || o.count > 100) return "error: count must be 1 to 100";
    if (o.owned && !o.owner && !(o.owner = FirstLiveWindow())) return "error: no window to own it";
    if (!EnsureClass(o.className)) return "error: cannot register " + o.className;
    DWORD style =
        o.fixed ? WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX : WS_OVERLAPPEDWINDOW;
    if (o.disabled) style |= WS_DISABLED;
    DWORD exStyle = (o.tool ? WS_EX_TOOLWINDOW : 0) | (o.appWindow ? WS_EX_APPWINDOW : 0);
    std::string reply;
    for (int n = 1; n <= o.count; ++n) {
        int offset = 40 + (Cascade++ % 12) * 28;
        HWND hwnd = CreateWindowExA(exStyle, o.className.c_str(), ReplaceNumber(o.title, n).c_str(),
                                    style, o.x >= 0 ? o.x : offset, o.y >= 0 ? o.y : offset,
                                    o.width, o.height, o.owner, nullptr, Instance, nullptr);
        if (!hwnd) return "error: CreateWindowEx: " + tool_ipc::LastErrorText();
        Windows.push_back({hwnd, o.askClose, {}, false, false});
        if (o.visible) ShowWindow(hwnd, o.show);
        if (!reply.empty()) reply += ' ';
        reply += tool_ipc::HandleText(hwnd);
    }
    return reply;
}

std::string List() {
    std::string reply;
    for (const AppWindow& w : Windows) {
        if (!IsWindow(w.hwnd)) continue;
        if (!reply.empty()) reply += ' ';
        reply += tool_ipc::HandleText(w.hwnd);
    }
    return reply;
}

HICON StockIcon(const std::string& kind, bool* known) {
    *known = true;
    if (kind == "app") return LoadIcon(nullptr, IDI_APPLICATION);
    if (kind == "info") return LoadIcon(nullptr, IDI_INFORMATION);
    if (kind == "warning") return LoadIcon(nullptr, IDI_WARNING);
    if (kind == "error") return LoadIcon(nullptr, IDI_ERROR);
    if (kind == "question") return LoadIcon(nullptr, IDI_QUESTION);
    *known = kind == "none";
    return nullptr;
}

// The "save changes?" box that a window's close request opened, if any.
HWND QuestionOf(HWND owner) {
    struct Search {
        HWND owner;
        HWND found;
    } search = {owner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            char cls[16];
            if (GetWindow(hwnd, GW_OWNER) == s->owner && GetClassNameA(hwnd, cls, sizeof cls) &&
                !strcmp(cls, "#32770")) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Cloaked as Windows 8 and later cloak the windows of another virtual desktop
// (DWM_CLOAKED_SHELL, 2): they keep WS_VISIBLE.
void Cloak(HWND hwnd, bool on) {
    if (on)
        SetPropA(hwnd, CloakProperty, reinterpret_cast<HANDLE>(2));
    else
        RemovePropA(hwnd, CloakProperty);
    Raise(on ? 0x8017 : 0x8018, hwnd); // EVENT_OBJECT_CLOAKED, EVENT_OBJECT_UNCLOAKED
}

// Its own button goes, as a program removes it through the taskbar list.
std::string DeleteOwnTab(HWND hwnd) {
    ITaskbarList* list = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList,
                                reinterpret_cast<void**>(&list))))
        return "error: no taskbar list";
    HRESULT hr = list->HrInit();
    if (SUCCEEDED(hr)) hr = list->DeleteTab(hwnd);
    list->Release();
    return SUCCEEDED(hr) ? "ok" : "error: DeleteTab failed";
}

// A Store app's window in its frame, a window of another process.
std::string Adopt(const std::vector<std::string>& words) {
    HWND frame = words.size() == 2 ? tool_ipc::ParseHandle(words[1]) : nullptr;
    if (!frame || !IsWindow(frame)) return "error: adopt needs a window";
    const char* appClass = "Windows.UI.Core.CoreWindow";
    if (!EnsureClass(appClass)) return "error: cannot register " + std::string(appClass);
    HWND app = CreateWindowExA(0, appClass, "app", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                               Instance, nullptr);
    if (!app) return "error: CreateWindowEx: " + tool_ipc::LastErrorText();
    Windows.push_back({app, false, {}, false, false});
    SetWindowLongA(app, GWL_STYLE, (GetWindowLongA(app, GWL_STYLE) & ~WS_POPUP) | WS_CHILD);
    if (!SetParent(app, frame)) return "error: SetParent: " + tool_ipc::LastErrorText();
    ShowWindow(app, SW_SHOWNA);
    Raise(EVENT_OBJECT_PARENTCHANGE, app);
    return tool_ipc::HandleText(app);
}

// The switches of one window: "askclose|refuseclose|spin|cloak R on|off".
std::string Switch(const std::string& verb, HWND hwnd, const std::string& argument) {
    if (argument != "on" && argument != "off") return "error: " + verb + " needs on or off";
    bool on = argument == "on";
    if (verb == "askclose")
        Find(hwnd)->askClose = on;
    else if (verb == "refuseclose")
        Find(hwnd)->refuseClose = on;
    else if (verb == "cloak")
        Cloak(hwnd, on);
    else if (on)
        StartSpin(hwnd);
    else
        StopSpin(hwnd);
    return "ok";
}

// Commands that act on one window: "verb R [argument]".
std::string OnWindow(const std::vector<std::string>& words) {
    const std::string& verb = words[0];
    if (words.size() < 2) return "error: " + verb + " needs a window";
    HWND hwnd = ParseWindow(words[1]);
    if (!hwnd) return "error: no window " + words[1];
    std::string argument = words.size() > 2 ? words[2] : "";
    if (verb == "events") {
        std::string reply;
        for (const std::string& e : Find(hwnd)->events)
            reply += e + "\n";
        return reply;
    }
    if (!IsWindow(hwnd)) return "error: window " + words[1] + " no longer exists";
    if (verb == "hide")
        ShowWindow(hwnd, SW_HIDE);
    else if (verb == "show")
        ShowWindow(hwnd, SW_SHOW);
    else if (verb == "minimize")
        ShowWindow(hwnd, SW_MINIMIZE);
    else if (verb == "maximize")
        ShowWindow(hwnd, SW_MAXIMIZE);
    else if (verb == "restore")
        ShowWindow(hwnd, SW_RESTORE);
    else if (verb == "activate")
        SetForegroundWindow(hwnd);
    else if (verb == "close")
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    else if (verb == "destroy")
        DestroyWindow(hwnd);
    else if (verb == "flash")
        FlashWindow(hwnd, TRUE);
    else if (verb == "enable")
        EnableWindow(hwnd, TRUE);
    else if (verb == "disable")
        EnableWindow(hwnd, FALSE);
    else if (verb == "title") {
        if (words.size() < 3) return "error: title needs a text";
        SetWindowTextA(hwnd, argument.c_str());
    } else if (verb == "icon") {
        bool known = false;
        HICON icon = StockIcon(argument, &known);
        if (!known) return "error: unknown icon " + argument;
        SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        return tool_ipc::HandleText(icon);
    } else if (verb == "askclose" || verb == "refuseclose" || verb == "spin" || verb == "cloak") {
        return Switch(verb, hwnd, argument);
    } else if (verb == "deletetab") {
        return DeleteOwnTab(hwnd);
    } else if (verb == "answer") {
        int id = argument == "yes"      ? IDYES
                 : argument == "no"     ? IDNO
                 : argument == "cancel" ? IDCANCEL
                                        : 0;
        if (!id) return "error: answer needs yes, no or cancel";
        HWND box = QuestionOf(hwnd);
        if (!box) return "error: no question is open";
        PostMessageA(box, WM_COMMAND, id, 0);
    } else {
        return "error: unknown command " + verb;
    }
    return "ok";
}

} // namespace

bool InitWindows(HINSTANCE instance) {
    Instance = instance;
    CoInitialize(nullptr); // for the taskbar list ("deletetab")
    return EnsureClass(DefaultWindowClass);
}

std::string RunCommand(const std::string& line) {
    std::vector<std::string> words = Words(line);
    if (words.empty()) return "error: empty command";
    if (words[0] == "open") return Open(words);
    if (words[0] == "adopt") return Adopt(words);
    if (words[0] == "list") return List();
    if (words[0] == "loaded" && words.size() == 2) // asked on this thread, which the hook enters
        return GetModuleHandleA(words[1].c_str()) ? "yes" : "no";
    return OnWindow(words);
}

void RaiseSystemEvents() {
    RaiseEvents = true;
}

void DestroyAllWindows() {
    for (auto it = Windows.rbegin(); it != Windows.rend(); ++it)
        if (IsWindow(it->hwnd)) DestroyWindow(it->hwnd);
}

} // namespace testapp
