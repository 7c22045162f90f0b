// What the fuzz targets share: the engine put back as it is when a program
// starts, so that every input runs from the same state and any finding
// reproduces from its own input alone; and a folder of their own to work in.
#pragma once

namespace tomelet::fuzzing {

// Resets the engine (app_reset_engine: every piece of state a start-up, a
// page build, a paint or a choice leaves behind) and the headless back
// end.  The book in use is left as it is (book_use resets the story's
// state).
void reset_engine_state();

// Makes a new empty folder for the target's files and makes it the current
// directory; aborts when it cannot.  It lies in /dev/shm when there is one:
// in memory, the state file's flush at every save costs nothing.  Only the
// first call makes the folder: a target calls it at every input.
void enter_scratch_folder();

}  // namespace tomelet::fuzzing
