// Portable pieces of the application shell.
#pragma once

// Tells whether a byte starts a two-byte character in the system's code page.
typedef int (*LeadByteTest)(unsigned char byte);

// Cuts a full executable path down to its directory with its trailing backslash:
// everything after the last backslash becomes zero bytes. A path without a
// backslash becomes the empty string. The second byte of a two-byte character
// (0x5C in "表" or "ソ" in Shift-JIS) is never taken for a backslash.
void CutToProgramDir(char* path, LeadByteTest isLeadByte);

// How long the wait loop pauses, in milliseconds, before its next wait after
// `failures` waits in a row have failed: nothing after the first, then a delay
// that doubles up to WaitRetryDelayMax, so that a wait that keeps failing never
// spins a processor.
unsigned WaitRetryDelay(unsigned failures);

constexpr unsigned WaitRetryDelayMax = 500;
