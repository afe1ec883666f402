// testapp.exe: a program that opens and drives windows when a test (or the
// demo script) tells it to. Started several times, or copied under other
// file names, it stands for several applications.
//
//   testapp.exe [/winevents] [/label NAME] [COMMAND]   runs; COMMAND (usually "open ...")
//        first. With /winevents its top-level windows raise (NotifyWinEvent) the
//        system events that Windows raises for them and Wine 8 does not: shown,
//        hidden, destroyed, retitled, made the foreground window, minimised and
//        restored from minimised, cloaked and uncloaked, and a window it puts
//        into another ("adopt") its parent change, each after the change, as
//        Windows raises them
//   testapp.exe /to PID|NAME COMMAND      sends COMMAND to a running testapp, prints the reply
//
// On the command line an argument with blanks counts as one word, as if in
// double quotes (from a shell: testapp.exe /to editor title '#0' 'two words').
//
// Commands (text in the ANSI code page; a value with blanks in double quotes;
// a window R is "#N", the N-th window this testapp opened from 0, or "0x..."):
//   open [count=N] [class=NAME] [title=TEXT] [hidden] [tool] [appwindow] [owned]
//        [owner=R] [disabled] [fixed] [askclose] [minimized] [maximized]
//        [x=N] [y=N] [w=N] [h=N]          -> the new windows' handles ("%d" in TEXT
//                                            becomes 1, 2, ... within the command)
//   list                                   -> the handles of its windows that exist
//   loaded MODULE.dll                      -> "yes" when the module is loaded in it
//                                             (pelmora's hook library once the hook ran)
//   hide R | show R | minimize R | maximize R | restore R | activate R
//   close R        asks the window to close (WM_CLOSE, as its close box does)
//   destroy R      destroys it at once
//   title R TEXT   retitles it
//   flash R        FlashWindow(R, TRUE)
//   enable R | disable R
//   icon R app|info|warning|error|question|none   sets its icons (WM_SETICON)
//                  -> the icon handle set
//   askclose R on|off   whether a close request first asks "変更を保存しますか?"
//   refuseclose R on|off   whether the window ignores close requests (WM_CLOSE
//                  and SC_CLOSE; still recorded in its events)
//   cloak R on|off   whether the window is cloaked, as Windows 8 and later cloak
//                  the windows of another virtual desktop: the property
//                  CloakProperty, which the test dwmapi.dll (tools/test_dwmapi)
//                  reports as DWMWA_CLOAKED, and the event
//   deletetab R    its own button goes: ITaskbarList::DeleteTab from this process
//   adopt 0xFRAME  a window of class "Windows.UI.Core.CoreWindow" put into that
//                  window of another process, as a Store app's window is put
//                  into its frame (made top-level, then SetParent) -> its handle
//   spin R on|off  whether the window retitles itself without pause ("TITLE 1",
//                  "TITLE 2", ...: one WM_SETTEXT whenever its thread has no other
//                  message to handle; "off" gives the title back)
//   answer R yes|no|cancel   answers that question (cancel keeps the window)
//   events R       -> what the window received, one per line: "activate N",
//                     "close", "question", "answer yes|no|cancel", "syscommand 0xN",
//                     "popupsystemmenu X Y", "destroy"
//   hang [MS]      its windows stop answering messages (for MS milliseconds, or
//                  until "unhang"): the UI thread that owns them blocks itself
//                  without reading its queue, so Wine deems them hung after 5 s
//                  (IsHungAppWindow; SMTO_ABORTIFHUNG then gives up at once).
//                  The reply comes at once; while hung only "unhang", "pid"
//                  and "quit" are answered, other commands fail
//   unhang | pid | quit
// Replies are "ok", a value, or "error: ..." when the command failed.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testapp {

constexpr char ControlClass[] = "PelmoraTestAppControl"; // message-only, title "testapp PID LABEL"
constexpr char DefaultWindowClass[] = "PelmoraTestWindow";
// The window property that says a window is cloaked (its value: the reason).
constexpr char CloakProperty[] = "PelmoraTestCloaked";

// ---- the windows (windows.cpp), UI thread ----
bool InitWindows(HINSTANCE instance);
void RaiseSystemEvents();                        // /winevents
std::string RunCommand(const std::string& line); // one command, its reply
void DestroyAllWindows();

// ---- the options of "open" (open_options.cpp) ----
struct OpenOptions {
    int count = 1;
    std::string className = DefaultWindowClass;
    std::string title = "Test window";             // "%d" becomes the window's number
    int x = -1, y = -1, width = 360, height = 240; // -1: cascaded
    bool visible = true, tool = false, appWindow = false, owned = false, disabled = false;
    bool fixed = false, askClose = false;
    int show = SW_SHOWNORMAL;
    std::string ownerRef; // owner=R as given
    HWND owner = nullptr;
};
// Reads words[1...] (words[0] is "open"); an error text, or empty.
std::string ParseOpenOptions(const std::vector<std::string>& words, OpenOptions* o);
std::string ReplaceNumber(const std::string& title, int number);

// ---- windows that retitle themselves (spin.cpp), UI thread ----
void StartSpin(HWND hwnd);
void StopSpin(HWND hwnd); // gives the title it had before back
bool AnyWindowSpins();
void SpinTitles(); // one new title for each spinning window

// ---- the control thread (control.cpp) ----
// Starts the control thread; commands reach dispatch (a window of the UI thread).
bool StartControl(HWND dispatch, const std::string& label);
// Called by the UI thread when it leaves its loop, so that the reply to
// "quit" is out before the process ends.
void WaitForQuitReply();

constexpr UINT RunCommandMessage = WM_APP + 1; // lParam: UiCommand*
constexpr UINT HangMessage = WM_APP + 2;       // wParam: milliseconds, 0 = until unhang
constexpr UINT QuitMessage = WM_APP + 3;

// A command handed from the control thread to the UI thread. Whichever
// thread finishes with it last frees it: the UI thread may get to it only
// after the control thread stopped waiting.
struct UiCommand {
    std::string text;
    std::string reply;
    LONG owners = 2;
};
void ReleaseCommand(UiCommand* command);

// Hang handling, shared by both threads.
void HangUiThread(DWORD ms); // on the UI thread
bool IsUiHung();

} // namespace testapp
