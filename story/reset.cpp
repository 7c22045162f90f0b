// The story's working state put back as a new process finds it.
#include <cstring>

#include "story/evaluator.h"
#include "story/game_state.h"
#include "story/hotwords.h"
#include "story/markup.h"
#include "story/story_state.h"
#include "story/tag_reader.h"

namespace tomelet {

void story_reset() {
    random_state = 1;
    random_seeded = 0;
    std::memset(hotwords, 0, sizeof hotwords);
    hotword_count = 0;
    scan_state = SCAN_GAP;
    scan_position = 0;
    std::memset(pending_words, 0, sizeof pending_words);
    pending_length = 0;
    hold_words = 0;
    last_condition = 1;
    std::memset(tag_buffer, 0, sizeof tag_buffer);
    tag_length = 0;
    tag_cursor = 0;
    evaluator_reset();
}

}  // namespace tomelet
