// Byte-string helpers that need no Windows API.
#pragma once

// h = (h * 256 + c) rem 10039 over the bytes, each taken as a signed 8-bit
// value, rem truncating toward zero. Only ever compared for equality.
int StrHash(const char* s);
