// The allocation switch of the test build: its SystemAlloc and SystemFree
// (tests/seams/system_alloc.cpp) replace the program's, so that the model's
// allocations can be refused and its blocks counted.
#pragma once

// After `successes` more successful calls, ObjAlloc refuses every request
// (returns null as when the system refuses) until the switch is set again. A
// negative value lets every request through (the default).
void ObjAllocFailAfter(int successes);
int ObjAllocRefusals(); // requests refused by the switch since it was last set
int ObjLiveBlocks();    // blocks obtained and not yet given back
