// The story's working state put back as a new process finds it.
#include <cstring>

#include "story/evaluator.h"
#include "engine/engine.h"
#include "story/game_state.h"
#include "story/hotwords.h"
#include "story/markup.h"
#include "story/story_state.h"
#include "story/tag_reader.h"

namespace tomelet {

void story_reset() {
    the_engine.play.random_state = 1;
    the_engine.play.random_seeded = 0;
    std::memset(the_engine.play.hotwords, 0, sizeof the_engine.play.hotwords);
    the_engine.play.hotword_count = 0;
    the_engine.play.scan_state = SCAN_GAP;
    the_engine.play.scan_position = 0;
    std::memset(the_engine.play.pending_words, 0, sizeof the_engine.play.pending_words);
    the_engine.play.pending_length = 0;
    the_engine.play.hold_words = 0;
    the_engine.play.last_condition = 1;
    std::memset(the_engine.play.tag_buffer, 0, sizeof the_engine.play.tag_buffer);
    the_engine.play.tag_length = 0;
    the_engine.play.tag_cursor = 0;
    evaluator_reset();
}

}  // namespace tomelet
