// A choice taken as a reader's click takes it: resolved, and the reader's
// place moved where it leads (the application also builds the new page).
#pragma once

#include <cstdint>

#include "story/game_state.h"
#include "story/place.h"

namespace tomelet::testing {

// Set when a choice leads somewhere: the application then asks for the new
// page to be built.
inline int32_t rebuild_asked = 0;

inline void choose(int16_t key, const char* typed_text) {
    const choice_result where = resolve_choice(key, typed_text);
    if (!where.leads) return;
    move_place(where.paragraph, where.mode);
    rebuild_asked = 1;
}

}  // namespace tomelet::testing
