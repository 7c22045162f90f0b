// The story's state record: everything a reader changes while reading a
// book, kept apart from the book itself, which is read-only.  The engine
// object's `story` part (engine/engine.h); story/story_state.h has its
// operations.
#pragma once

#include <cstdint>

#include "book/book.h"

namespace tomelet {

struct story_state {
    variable_state variables[MAX_VARIABLES];
    restart_state restart_points[MAX_RESTART_POINTS];
    // restart_point_count snapshots, one after the other, of variable_count
    // (flag, value) pairs each: the layout of the state record's snapshots.
    uint8_t restart_snapshots[2 * MAX_VARIABLES * MAX_RESTART_POINTS];
    // The state record as read and to be written: state_record_size of the
    // book's counts.
    uint8_t state_record[state_record_size(MAX_VARIABLES, MAX_RESTART_POINTS)];
    // The control id of each variable's button on the inventory page; -1
    // for none.
    int16_t inventory_ids[MAX_VARIABLES];
};

}  // namespace tomelet
