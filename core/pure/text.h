// Byte-string helpers that need no Windows API.
#pragma once

#include <stddef.h>

// h = (h * 256 + c) rem 10039 over the bytes, each taken as a signed 8-bit
// value, rem truncating toward zero. Only ever compared for equality.
int StrHash(const char* s);

// Says whether a byte begins a two-byte character in the code page in use.
using LeadBytePredicate = bool (*)(unsigned char byte);

// Where the display name of a path lies: the file part after the last
// backslash that is not the second byte of a two-byte character, up to its
// last dot (or its end when it has no dot).
struct DisplayNameSpan {
    size_t start;      // offset of the file part in the path
    size_t tailLength; // bytes from start to the end of the path
    size_t nameLength; // bytes of the name itself, without the last extension
};
DisplayNameSpan FindDisplayName(const char* path, LeadBytePredicate isLeadByte);

// 1 when the strings have the same length and are equal byte for byte after
// folding "A".."Z" to "a".."z"; every other byte (trail bytes of two-byte
// characters included) is taken as it is. A null string equals nothing.
int EqualIgnoringCase(const char* a, const char* b);
