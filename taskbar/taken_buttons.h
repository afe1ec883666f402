// The windows whose own taskbar buttons this program took away. The list is
// kept in memory and in a file beside the program, written once per burst of
// changes, so that a run that was killed or crashed leaves it to the next run,
// which gives the buttons back: no process need keep the hook library's shared
// data alive for it, and the taskbar is not asked to wait for anything.
#pragma once

#include <windows.h>

// Records of two 32-bit values: the window handle and its process id.
constexpr char TakenButtonsFile[] = "takenbuttons.dat";

// Its button is deleted (or about to be); true when the list changed.
bool NoteButtonTaken(HWND hwnd);
void NoteButtonBack(HWND hwnd); // its button was added again
// Whether this program took the window's button (and has not given it back).
bool IsButtonTaken(HWND hwnd);

// Reads the list an earlier run left beside the program (nothing when there is
// none) in place of the list in memory: at most a few thousand records, each
// once.
void LoadTakenButtons();

// Gives every listed window its button back (AddTab) when it still exists, is
// shown, is a taskbar candidate and belongs to the process it belonged to (a
// window handle may have been given to another window since); windows that
// are gone are dropped, hidden ones stay listed until they are shown again.
// While the shell does not answer, the list stays as it is.
void GiveBackTakenButtons();
// The same for the listed windows that no proxy stands for: a button that
// could not be given back when its group's proxy went (the shell did not
// answer then) comes back with the next pass.
void GiveBackStrayButtons();

// Writes the list when it changed since it was last written or read, replacing
// the file in one step; an empty list leaves no file.
void SaveTakenButtons();
