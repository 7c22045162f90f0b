// The state file: the story's record (story/state_file.h) kept between
// runs, in the file named by state_file_name, held open exclusively for the
// whole run so that a second copy cannot start.
#pragma once

#include <cstdint>

namespace tomelet {

// Opens or creates the state file exclusively; false on failure.
bool open_state_file();
// Reads the record into the game state; returns the paragraph to start at
// (2 when there is no usable record), or LOAD_FAILED (the file could not
// be read).
int16_t load_state();
// Writes the game state into the record and the record to the file, then
// closes it.  False when the record could not be written whole and flushed
// (the reader's place is then not saved); true when it was, and when there
// was no file to write (never opened, or already saved and closed).
bool save_state();
// Writes the game state into the record and the record to the file, which
// stays open (a reader that may be ended at any moment keeps its place as
// it goes).  False when there is no file or the write fails.
bool write_state();

}  // namespace tomelet
