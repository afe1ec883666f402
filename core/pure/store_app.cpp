#include "core/pure/store_app.h"

#include <string.h>

WindowKind KindOfWindow(const char* className, const char* path, LeadBytePredicate isLeadByte) {
    if (EqualIgnoringCase(className, StoreAppWindowClass)) return WindowKind::StorePart;
    if (EqualIgnoringCase(className, StoreFrameClass)) return WindowKind::StoreFrame;
    // The host's path never groups anything: all its frames would be one app.
    DisplayNameSpan file = FindDisplayName(path, isLeadByte);
    if (EqualIgnoringCase(path + file.start, FrameHostFile)) return WindowKind::StorePart;
    return WindowKind::Ordinary;
}

bool FindAppIdName(const char* path, DisplayNameSpan* span) {
    size_t prefix = sizeof AppIdPathPrefix - 1;
    if (strncmp(path, AppIdPathPrefix, prefix) != 0) return false;
    // Package names and ids are ASCII: no two-byte character to step over.
    size_t start = prefix, end = prefix;
    for (; path[end] && path[end] != '_' && path[end] != '!'; ++end)
        if (path[end] == '.') start = end + 1;
    *span = DisplayNameSpan{start, strlen(path + start), end - start};
    return true;
}
