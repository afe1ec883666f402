// Byte-string helpers that need no Windows API. Text is in the system's ANSI
// code page (Shift-JIS on a Japanese system), zero-terminated.
#pragma once

#include <stddef.h>

// Every fixed text buffer of the program (titles, paths, class names, file
// names, error texts) holds this many bytes.
constexpr int TextBufferSize = 1024;

// Says whether a byte begins a two-byte character in the code page in use.
using LeadBytePredicate = bool (*)(unsigned char byte);

// h = (h * 256 + c) rem 10039 over the bytes, each taken as a signed 8-bit
// value, rem truncating toward zero. Only ever compared for equality.
int StrHash(const char* s);

// Where the display name of a path lies: the file part after the last
// backslash that is not the second byte of a two-byte character, up to its
// last dot (or its end when it has no dot); for the path of a Store app known
// by its application id, the short name of its package (core/pure/store_app.h).
struct DisplayNameSpan {
    size_t start;      // offset of the file part in the path
    size_t tailLength; // bytes from start to the end of the path
    size_t nameLength; // bytes of the name itself, without the last extension
};
DisplayNameSpan FindDisplayName(const char* path, LeadBytePredicate isLeadByte);

// "A".."Z" folded to "a".."z"; every other byte (trail bytes of two-byte
// characters included) is taken as it is. Groups compare paths and class names
// this way.
constexpr unsigned char FoldAsciiCase(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// 1 when the strings have the same length and are equal byte for byte after
// FoldAsciiCase. A null string equals nothing.
int EqualIgnoringCase(const char* a, const char* b);

// Cuts a full executable path down to its directory with its trailing
// backslash: everything after the last backslash becomes zero bytes. A path
// without a backslash becomes the empty string. The second byte of a two-byte
// character (0x5C in "表" or "ソ" in Shift-JIS) is never taken for a backslash.
void CutToProgramDir(char* path, LeadBytePredicate isLeadByte);

// Ends a text that was cut to fit a buffer at most `limit` bytes from its
// start, at a character boundary: no lone lead byte is left at its end.
void CutAtCharBoundary(char* text, size_t limit, LeadBytePredicate isLeadByte);
