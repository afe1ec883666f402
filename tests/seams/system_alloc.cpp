// The test build's SystemAlloc and SystemFree, in place of core/system_alloc.cpp: the system's
// blocks, counted, and a switch that refuses them (declared in tests/support/engine.h).
#include "core/scoped.h"
#include "core/state.h"
#include "core/system_alloc.h"

// Under AllocLock, which ObjAlloc and ObjFree hold when they call in here.
static int allocsBeforeFailure = -1, refusals = 0, liveBlocks = 0;

void* SystemAlloc(size_t size) {
    if (allocsBeforeFailure == 0) {
        ++refusals;
        return nullptr;
    }
    void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (block && allocsBeforeFailure > 0) --allocsBeforeFailure;
    liveBlocks += block ? 1 : 0;
    return block;
}

int SystemFree(void* block) {
    int ok = VirtualFree(block, 0, MEM_RELEASE) ? 1 : 0;
    liveBlocks -= ok;
    return ok;
}

void ObjAllocFailAfter(int successes) {
    ScopedLock lock(&AllocLock);
    allocsBeforeFailure = successes < 0 ? -1 : successes;
    refusals = 0;
}

int ObjAllocRefusals() {
    ScopedLock lock(&AllocLock);
    return refusals;
}

int ObjLiveBlocks() {
    ScopedLock lock(&AllocLock);
    return liveBlocks;
}
