// The test build's SystemAlloc and SystemFree: the system's blocks, counted,
// and a switch that refuses them. Linked into the test build's core layer in
// place of core/system_alloc.cpp; the files that ship never contain it.
#include "core/system_alloc.h"

#include "core/scoped.h"
#include "core/state.h"
#include "tests/seams/alloc_switch.h"

namespace {

// Under AllocLock, which ObjAlloc and ObjFree hold when they call in here.
int allocsBeforeFailure = -1;
int refusals = 0;
int liveBlocks = 0;

} // namespace

void* SystemAlloc(size_t size) {
    if (allocsBeforeFailure == 0) {
        ++refusals;
        return nullptr;
    }
    void* block = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (block) {
        ++liveBlocks;
        if (allocsBeforeFailure > 0) --allocsBeforeFailure;
    }
    return block;
}

int SystemFree(void* block) {
    int ok = VirtualFree(block, 0, MEM_RELEASE) ? 1 : 0;
    if (ok) --liveBlocks;
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
