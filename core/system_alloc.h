// Where the model's blocks come from. ObjAlloc and ObjFree call these with
// AllocLock held. The test build links its own definitions in place of
// core/system_alloc.cpp (tests/seams/system_alloc.cpp), which count the blocks
// and can refuse: the switch never ships.
#pragma once

#include <stddef.h>

void* SystemAlloc(size_t size); // a zero-filled block of its own, or null
int SystemFree(void* block);    // non-zero on success
