// The reader's place in the story: the paragraph that is their place, the
// paragraph on show, and whether they are reading at their place.  The
// story's rules read and write it (a restart point keeps the shown
// paragraph, the state record the place, a choice moves it); the
// application decides when a page is built for it.
#pragma once

#include <cstdint>

namespace tomelet {

enum goto_mode : int32_t {
    GOTO_FOLLOW = 0,   // take up while reading the current page, else look up
    GOTO_TAKE_UP = 1,  // always becomes the reader's place
    GOTO_LOOK_UP = 2,  // only shown; the place does not move
};

// Puts the place back to its value at start-up: paragraph 2, shown, and
// the reader at their place.
void place_reset();

// Moves to `paragraph` the way `mode` says: taken up, it becomes the place
// and is shown; looked up, it is only shown and the reader is off their
// place; followed, it is taken up while the reader is at their place and
// looked up otherwise.
void move_place(int16_t paragraph, int32_t mode);

}  // namespace tomelet
