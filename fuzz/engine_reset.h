// Puts the engine's global state back as it is when a program starts, so
// that a fuzz target runs every input from the same state and any finding
// reproduces from its own input alone.
#pragma once

namespace tomelet::fuzzing {

// Resets the headless back end and every piece of engine state a start-up,
// a page build, a paint or a choice leaves behind: the display list, the
// control tables, the hotword records, the markup scanner, the tag reader,
// the evaluator, the painter's layout state, the navigation state, the
// window-wide values and the random numbers.  The book in use is left as
// it is (book_use resets its live tables).
void reset_engine_state();

}  // namespace tomelet::fuzzing
