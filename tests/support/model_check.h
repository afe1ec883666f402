// Checks the model's invariants after any sequence of operations.
#pragma once

#include <string>

namespace testing_support {

// Empty when the model is sound, else a description of the first fault found:
// lists linked both ways, no empty group, every member indexed exactly once
// and findable by its window, no window in two groups, every proxy record
// linked to its group both ways and TabWndList holding exactly the groups'
// proxies, and no block of the allocator that the model does not hold (the
// index entries being one per member). Tests hold no other blocks while they
// check.
std::string ModelFault();

} // namespace testing_support
