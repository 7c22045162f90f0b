// The state record: the reader's place, the variables, the restart points
// and the sound switch, kept between runs in one fixed record.  The story
// reads the record's bytes into its state and writes its state into them;
// the application keeps them in the state file (app/state_file.h), which
// it holds open exclusively for the whole run so that a second copy cannot
// start.
#pragma once

#include <cstdint>

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

// The arrival: the story's state as it stood when the reader arrived at
// their place, before that page's own assignments, flags and restart-point
// saves ran, kept in the record beside the state as the reader left it.
// In the bytes between the sound switch and the magic:
//   3..6   check: FNV-1a (32 bits) of the place and the arrival's other
//          bytes, never 0; 0, or any other value that does not match,
//          means the record holds no arrival for its place;
//   7..10  the generator's state before the page's first random number
//          (0 when the page drew none);
//   11     bit 0: the page drew random numbers;
//   12..27 bit k (byte 12 + k / 8, bit k % 8): restart point k was set
//          (books of up to 128 restart points; a book with more holds no
//          arrival);
// and in each variable's slot, byte 6 its value and byte 7 its flag.
constexpr int32_t STATE_ARRIVAL_CHECK = 3;
constexpr int32_t STATE_ARRIVAL_RANDOM = 7;
constexpr int32_t STATE_ARRIVAL_DREW = 11;
constexpr int32_t STATE_ARRIVAL_SET = 12;
constexpr int32_t STATE_ARRIVAL_SET_SIZE = 16;
constexpr int32_t STATE_ARRIVAL_MAX_RESTART_POINTS = 8 * STATE_ARRIVAL_SET_SIZE;
constexpr int32_t STATE_SLOT_ARRIVAL_VALUE = 6;
constexpr int32_t STATE_SLOT_ARRIVAL_FLAG = 7;

// The state file's name: the book's id followed by ".dat" (for the demo
// book "VBQ2CorvinAshby.dat").  The text stays valid until the next call.
const char* state_file_name();

// The record's size in bytes for the book in use (0 without a book).
int32_t state_record_length();
// A load, in two steps around the reading of the file.  First the record
// is emptied and returned, for at most state_record_length() bytes of the
// file to be read into it (null without a book).
uint8_t* begin_state_load();
// What finish_state_load takes when there were no bytes to read: the file
// was created new, or could not be opened.
constexpr int32_t STATE_FILE_NEW = -2;
// What finish_state_load returns when the file could not be read (an
// input/output error): the start is refused and the file left as it is.
constexpr int16_t LOAD_FAILED = -1;
// Then the bytes read are taken into the game state: `got` is how many were
// read (fewer than the record at the end of the file), -1 for a failed
// read, or STATE_FILE_NEW.  Returns the paragraph to start at (2 when
// there is no usable record), or LOAD_FAILED.
int16_t finish_state_load(int32_t got);
// Writes the game state into the record and returns the record
// (state_record_length() bytes) for the file; null without a book.
const uint8_t* fill_state_record();

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
// ---- A page's effects apply once per arrival ----------------------------
// The page of the reader's place is built as an arrival when the reader
// comes to it by a choice or a command: its assignments, flags, restart-
// point saves and random numbers then change the story, once.  Every other
// build of it (the way back from a side page, a start on a saved place, a
// saved place opened) is a revisit: the page is built from the arrival's
// state, with the arrival's random numbers, so that it shows the same text
// and controls, and the story's state is then put back as the reader left
// it.  A revisit is possible while the record holds the arrival of the
// place; the application forgets it at every arrival (forget_arrival), so
// a page come to again by a choice is an arrival again.

// Before the place's page is built as an arrival: notes the state it is
// built from in the record's arrival bytes.
void begin_arrival();
// After that build: the arrival is the one of `paragraph`.
void end_arrival(int16_t paragraph);
// The held arrival no longer counts: the next build of the place is an
// arrival.
void forget_arrival();
// Variable n as if it had held `value` and `flag` when the reader arrived
// at their place, for a value set from outside the story (a preview's
// panel): a revisit then builds the page with it.  Nothing for a number
// outside the book's variables.
void set_arrival_variable(int32_t n, uint8_t value, uint8_t flag);
// Whether the record holds the arrival of `paragraph`.
bool holds_arrival(int16_t paragraph);
// Around a revisit's build: the live state is set aside and the arrival's
// put in its place (begin), then the live state is put back (end).  Only
// while holds_arrival.
void begin_revisit();
void end_revisit();

// The sound switch of the record in memory: 0 off, anything else on.
uint8_t sound_switch();
void set_sound_switch(uint8_t on);

}  // namespace tomelet
