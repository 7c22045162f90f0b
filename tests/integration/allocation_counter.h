// Counts heap allocations made while counting is on, through the program's
// replacement of the global allocation functions.
#pragma once

#include <cstdint>

namespace tomelet::testing {

void start_counting_allocations();
// Stops counting and returns the allocations made since the start.
int64_t stop_counting_allocations();

}  // namespace tomelet::testing
