#include "core/pure/text.h"

#include <string.h>

#include "core/pure/store_app.h"

int StrHash(const char* s) {
    int h = 0;
    for (const signed char* p = reinterpret_cast<const signed char*>(s); *p; ++p)
        h = (h * 256 + *p) % 10039;
    return h;
}

namespace {

// Length of the character at p: 2 for a lead byte followed by a second byte,
// else 1. A lead byte right before the terminator stands alone, so a scan
// never steps over the end of the string.
size_t CharLength(const unsigned char* p, LeadBytePredicate isLeadByte) {
    return (isLeadByte(*p) && p[1] != 0) ? 2 : 1;
}

} // namespace

DisplayNameSpan FindDisplayName(const char* path, LeadBytePredicate isLeadByte) {
    DisplayNameSpan appName;
    if (FindAppIdName(path, &appName)) return appName;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(path);
    size_t start = 0;
    size_t i = 0;
    while (bytes[i]) {
        if (bytes[i] == '\\') start = i + 1;
        i += CharLength(bytes + i, isLeadByte);
    }
    size_t end = i;
    for (size_t j = start; bytes[j]; j += CharLength(bytes + j, isLeadByte)) {
        if (bytes[j] == '.') end = j;
    }
    return DisplayNameSpan{start, i - start, end - start};
}

int EqualIgnoringCase(const char* a, const char* b) {
    if (!a || !b) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
    for (;; ++p, ++q) {
        unsigned char x = FoldAsciiCase(*p);
        unsigned char y = FoldAsciiCase(*q);
        if (x != y) return 0;
        if (x == 0) return 1;
    }
}

void CutToProgramDir(char* path, LeadBytePredicate isLeadByte) {
    unsigned char* bytes = reinterpret_cast<unsigned char*>(path);
    size_t cut = 0;
    for (size_t i = 0; bytes[i]; i += CharLength(bytes + i, isLeadByte)) {
        if (bytes[i] == '\\') cut = i + 1;
    }
    memset(path + cut, 0, strlen(path + cut));
}

void CutAtCharBoundary(char* text, size_t limit, LeadBytePredicate isLeadByte) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (bytes[i]) {
        // A lead byte whose second byte was already cut away goes too.
        size_t step = isLeadByte(bytes[i]) ? 2 : 1;
        if (i + step > limit || (step == 2 && !bytes[i + 1])) break;
        i += step;
    }
    text[i] = '\0';
}
