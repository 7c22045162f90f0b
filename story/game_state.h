// Game state operations: the random numbers, restart points, answers and the
// resolution of the reader's choice.
#pragma once

#include <cstdint>

#include "story/story_state.h"

namespace tomelet {

// 0 to 32767; seeds itself at its first use from the clock the
// application handed it last (story_note_clock).
int32_t story_random();
// The clock now, in milliseconds (of any fixed start): the application
// hands it to the story before anything that may draw a number while the
// generator is not seeded.  Nothing else reads it.
void story_note_clock(uint32_t ticks);
// Sets the generator so that the next story_random() returns value (taken
// modulo 32768), seeded: for tests and tools that fix a roll.  The state it
// picks is the one whose successor yields value, so the numbers after it go
// on as the generator's own.
void story_set_next_random(int32_t value);
// Saves restart point k: set, the shown paragraph as its target, and a
// snapshot of every variable's flag and value.
void take_restart_snapshot(int32_t k);
void clear_story_variables();
void clear_restart_points();
// 0 when a and b are equal once blanks are left out and lower-case letters
// are taken as capitals; otherwise the difference of the first differing
// characters.  1 when b is null.
int32_t compare_answer(const char* a, const char* b);
// Where a choice leads: paragraph `paragraph`, reached the way `mode` (a
// goto_mode) says; nowhere when `leads` is false.
struct choice_result {
    bool leads;
    int16_t paragraph;
    int32_t mode;
};

// Carries out the choice of the page's hotword record with control id key
// (its roll, its variable, the restart point it restores) and returns where
// it leads; the application takes the reader there.  No record with that
// key leads nowhere.
choice_result resolve_choice(int16_t key, const char* typed_text);

}  // namespace tomelet
