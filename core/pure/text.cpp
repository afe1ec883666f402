#include "core/pure/text.h"

int StrHash(const char* s) {
    int h = 0;
    for (const signed char* p = reinterpret_cast<const signed char*>(s); *p; ++p)
        h = (h * 256 + *p) % 10039;
    return h;
}
