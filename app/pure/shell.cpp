#include "app/pure/shell.h"

#include <string.h>

void CutToProgramDir(char* path, LeadByteTest isLeadByte) {
    // Walk forward so that trail bytes are known as such, remembering the last
    // real backslash; a lead byte before the terminating zero stands alone.
    char* cut = path;
    for (char* p = path; *p; ++p) {
        if (*p == '\\') {
            cut = p + 1;
        } else if (isLeadByte((unsigned char)*p) && p[1]) {
            ++p;
        }
    }
    memset(cut, 0, strlen(cut));
}

unsigned WaitRetryDelay(unsigned failures) {
    if (failures <= 1) return 0;
    unsigned delay = 10;
    for (unsigned i = 2; i < failures && delay < WaitRetryDelayMax; ++i) delay *= 2;
    return delay < WaitRetryDelayMax ? delay : WaitRetryDelayMax;
}
