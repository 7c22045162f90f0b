// The state file: the reader's place, the variables, the restart points and
// the sound switch, kept between runs in one fixed record, and held open
// exclusively for the whole run so that a second copy cannot start.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace tomelet {

constexpr uint32_t STATE_MAGIC = 1344;
// Field offsets of the state record.
constexpr int32_t STATE_PLACE = 0;
constexpr int32_t STATE_SOUND_SWITCH = 2;
constexpr int32_t STATE_MAGIC_OFFSET = 28;
constexpr int32_t STATE_SLOTS = 32;
constexpr int32_t STATE_SLOT_SIZE = 16;
constexpr int32_t STATE_SLOT_VALUE = 4;
constexpr int32_t STATE_SLOT_FLAG = 5;

// "VBQ2CorvinAshby.dat": the window class name followed by ".dat".
extern const char state_file_name[];
extern plat_file state_file;

// Opens or creates the state file exclusively; false on failure.
bool open_state_file();
// Reads the record into the game state; returns the paragraph to start at
// (2 when there is no usable record).
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

// The outcome of take_state_record.
enum take_result : int32_t {
    TAKE_OK = 0,
    TAKE_WRONG_SIZE = 1,   // not the record's size
    TAKE_WRONG_MAGIC = 2,  // not a state record
    TAKE_BAD_PLACE = 3,    // a place that is no paragraph of the book
};
// Takes a whole state record from elsewhere (a saved place the reader
// opens) into the game state, checked as the state file is when loaded,
// and also refused when its place is no paragraph of the book.  Anything
// refused leaves the record and the game state as they were.  *place is
// the record's place when it is taken.
take_result take_state_record(const uint8_t* bytes, int32_t size, int16_t* place);
// The sound switch of the record in memory: 0 off, anything else on.
uint8_t sound_switch();
void set_sound_switch(uint8_t on);

}  // namespace tomelet
