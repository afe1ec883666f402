// Store apps (Windows 8 and later) as grouping sees them, free of the Windows
// API: which windows stand for an app, and the name of an app known only by
// its application id.
#pragma once

#include "core/pure/text.h"

// A Store app's top-level frame; the app's own window is a child of it.
constexpr char StoreFrameClass[] = "ApplicationFrameWindow";
// The app's own window, inside its frame; a top-level one is never a button.
constexpr char StoreAppWindowClass[] = "Windows.UI.Core.CoreWindow";
// The process that owns the frames of every Store app.
constexpr char FrameHostFile[] = "ApplicationFrameHost.exe";
// How the path of an app known only by its application id begins (the shell's
// own name for it: "shell:AppsFolder\Microsoft.WindowsCalculator_8wekyb3d8bbwe!App").
constexpr char AppIdPathPrefix[] = "shell:AppsFolder\\";

enum class WindowKind {
    Ordinary,   // grouped by its own executable
    StoreFrame, // grouped as the Store app inside it
    StorePart,  // takes no part: a top-level app window, or another window of the frames' host
};
// The kind of a top-level window of this class whose process runs this executable.
WindowKind KindOfWindow(const char* className, const char* path, LeadBytePredicate isLeadByte);

// Where the name of an app in an application-id path lies: the short name of
// its package (the last dotted part of the package name, which ends at "_" or
// "!"). False for any other path.
bool FindAppIdName(const char* path, DisplayNameSpan* span);
