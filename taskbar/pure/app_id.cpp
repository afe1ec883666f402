#include "taskbar/pure/app_id.h"

#include <stdint.h>

#include "core/pure/text.h"

namespace {

// 64-bit FNV-1a: fixed constants, no seed.
constexpr uint64_t HashStart = 14695981039346656037ull;
constexpr uint64_t HashPrime = 1099511628211ull;

uint64_t HashByte(uint64_t h, unsigned char c) {
    return (h ^ c) * HashPrime;
}

// A tag, the folded bytes and a zero: a path and a class of the same spelling,
// or a text moved from one part into the other, hash apart.
uint64_t HashPart(uint64_t h, char tag, const char* text) {
    if (!text) return h;
    h = HashByte(h, static_cast<unsigned char>(tag));
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        h = HashByte(h, FoldAsciiCase(*p));
    return HashByte(h, 0);
}

} // namespace

void MakeProxyAppId(const char* path, const char* className, char* id) {
    uint64_t h = HashPart(HashPart(HashStart, 'p', path), 'c', className);
    static const char prefix[] = "pelmora.";
    static const char digits[] = "0123456789abcdef";
    int n = 0;
    for (const char* p = prefix; *p; ++p)
        id[n++] = *p;
    for (int shift = 60; shift >= 0; shift -= 4)
        id[n++] = digits[(h >> shift) & 0xF];
    id[n] = '\0';
}
