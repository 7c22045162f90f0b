// The pages the engine builds itself: the opening sequence, the
// instructions, About, Sounds, and the character-and-inventory page and
// reading guide that stand in for paragraphs 6 and 7 when the book has no
// text for them.
#pragma once

#include <cstdint>

namespace tomelet {

enum screen_number : int32_t {
    SCREEN_BOOK_DETAILS = 1,
    SCREEN_TITLE = 2,
    SCREEN_PRESENTS = 3,
    SCREEN_INSTRUCTIONS = 4,
    SCREEN_ABOUT = 6,
    SCREEN_SOUNDS = 7,
};

// The opening sequence's timer period.
constexpr int32_t OPENING_TIMER_MS = 2000;

// Builds the screen pending_screen names, then does what that screen does
// after it is built (links, the next screen and its timer, or no pending
// screen).
void build_screen();
void build_inventory();
void build_reading_guide();
// A hotword click on the inventory page.
void inventory_select(int32_t control_id);

}  // namespace tomelet
