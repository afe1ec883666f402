#include "core/pure/rule_id.h"

#include <string.h>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Neither byte can be the second byte of a two-byte Shift-JIS character, so the
// text is cut byte by byte.
void TrimBlanks(char* text) {
    size_t n = strlen(text);
    while (n > 0 && IsBlank(text[n - 1]))
        --n;
    size_t start = 0;
    while (start < n && IsBlank(text[start]))
        ++start;
    memmove(text, text + start, n - start);
    text[n - start] = '\0';
}

} // namespace

void TrimRuleId(char* text) {
    TrimBlanks(text);
    size_t n = strlen(text);
    if (n < 2 || (text[0] != '"' && text[0] != '\'') || text[n - 1] != text[0]) return;
    // One pair of matching quotes goes, as the file would drop it on reading,
    // and so do the blanks it held, which the file would drop once the id is
    // written without them.
    memmove(text, text + 1, n - 2);
    text[n - 2] = '\0';
    TrimBlanks(text);
}
