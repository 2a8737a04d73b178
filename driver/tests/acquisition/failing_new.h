#pragma once
// Allocation failures on request: while armed, every allocation of exactly
// the armed size throws std::bad_alloc.
#include <cstddef>

namespace acqtest {

void FailAllocationsOf(size_t bytes);
// Disarms; the number of allocations that failed.
int StopFailingAllocations();

}  // namespace acqtest
