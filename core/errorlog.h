// The error log "errorlog.txt" in the current directory.
#pragma once

#include <windows.h>

#include "core/pure/text.h"

// Appends text to errorlog.txt, opening and closing the file for each call.
void ErrorLog(const char* text);

// The system's message text for an error code, into a buffer of TextBufferSize bytes.
void FormatErrorText(DWORD code, char* buffer);

// Appends text and then, as a second entry, the system's text for GetLastError().
// The error code is taken before anything else runs.
void ErrorLogWithLastError(const char* text);

// The allocation-failure entry.
void LogAllocFailure();
