#include "core/system_alloc.h"

#include <windows.h>

// Every block is a region of its own; the system hands it out zero-filled and
// refuses a size of 0.
void* SystemAlloc(size_t size) {
    return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

int SystemFree(void* block) {
    return VirtualFree(block, 0, MEM_RELEASE) ? 1 : 0;
}
