// The story's state: everything a reader changes while reading a book, kept
// apart from the book itself, which is read-only.  One record, the engine
// object's `story` part (story/story_record.h), in fixed tables sized for
// the largest book (MAX_VARIABLES variables and MAX_RESTART_POINTS restart
// points); only the first variable_count and
// restart_point_count entries of the book in use mean anything.
#pragma once

#include <cstdint>

#include "book/book.h"
#include "engine/engine.h"
#include "story/story_record.h"

namespace tomelet {

// Puts the story's state to the initial values of the book in use: every
// variable's value and flag 0, every restart point unset and leading to its
// book paragraph, snapshots and state record zero, and no inventory ids
// (-1).  Only the book's part of the tables is touched.
void story_state_reset();

// Makes `book` the book in use (book_select) and resets the story's state
// from it.
void book_use(const book_tables* book);

// The story's working state (the engine object's `play` part) as a new
// process finds it: the random numbers not yet seeded, no hotword records,
// the markup scanner, the tag reader and the evaluator at their start, the
// reader at paragraph 2, and no state file (forgotten, not closed).  The
// story's state above is the book's: book_use resets it.
void story_reset();

// The book in use's variables and restart points that the tables hold: the
// book's counts (0 without a book), never more than the tables' sizes.
// The compiler and the image loader refuse larger books; a book record
// made some other way is cut to the tables.
inline int32_t story_variable_count() {
    if (the_engine.book.tables == nullptr || the_engine.book.tables->variable_count < 0) return 0;
    return the_engine.book.tables->variable_count < MAX_VARIABLES ? the_engine.book.tables->variable_count : MAX_VARIABLES;
}

inline int32_t story_restart_point_count() {
    if (the_engine.book.tables == nullptr || the_engine.book.tables->restart_point_count < 0) return 0;
    return the_engine.book.tables->restart_point_count < MAX_RESTART_POINTS ? the_engine.book.tables->restart_point_count : MAX_RESTART_POINTS;
}

// Bounds-checked lookups of the live fields, by the catalogues' numbers;
// nullptr outside the book in use's tables.
variable_state* variable_state_at(int32_t n);
restart_state* restart_state_at(int32_t k);
// A variable's catalogue row and its live state, with one test of the
// number where the story keeps the variable (the catalogue then holds it
// too); past the story's variables the row alone, as variable_at finds it.
struct variable_entry {
    const variable_row* row;
    variable_state* live;
};

inline variable_entry variable_entry_at(int32_t n) {
    if (n >= 0 && n < story_variable_count()) {
        return {&the_engine.book.tables->variable_catalogue[n], &the_engine.story.variables[n]};
    }
    return {variable_at(n), nullptr};
}
// Snapshot k of the restart points: variable_count (flag, value) pairs.
uint8_t* restart_snapshot(int32_t k);

}  // namespace tomelet
