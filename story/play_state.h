// The story's working state: the random numbers, the page's hotword
// records, the markup scanner, the tag reader, the evaluator's stacks, the
// reader's place and the state file.  A part of the engine object
// (engine/engine.h), beside the story's state record; the initial values
// below are those of a new process, and the tables start zero.
#pragma once

#include <cstdint>

#include "book/book.h"
#include "story/evaluator.h"
#include "story/hotwords.h"
#include "story/markup.h"
#include "story/state_file.h"
#include "story/tag_reader.h"

namespace tomelet {

// One level of the evaluator's stacks (story/evaluator.cpp).
struct evaluator_operand {
    int16_t value;
    uint8_t kind;
};

struct evaluator_operator {
    char op;
    int16_t depth;
};

struct play_state {
    // The generator (story/game_state.h): its state, whether it has been
    // seeded, and the state it was last seeded with from the clock (its
    // state before its first number), so that the numbers drawn since can
    // be drawn again.
    uint32_t random_state = 1;
    uint8_t random_seeded = 0;
    uint32_t random_seed = 0;
    // The clock as the application last handed it (story_note_clock), in
    // milliseconds: a generator not yet seeded seeds itself from it.
    uint32_t clock_ticks = 0;

    // The page's hotword records (story/hotwords.h).
    hotword hotwords[HOTWORDS_SIZE];
    int16_t hotword_count = 0;

    // The markup scanner (story/markup.h).
    int32_t scan_state = SCAN_GAP;
    int16_t scan_position = 0;
    // The running text not yet emitted: at most 299 characters are kept,
    // but pending_length counts every character that arrived (up to
    // 32767), so a run past the limit reports the length it has reached.
    char pending_words[PENDING_WORDS_SIZE];
    int16_t pending_length = 0;
    uint8_t hold_words = 0;
    uint8_t last_condition = 1;
    // Set at every tag, cleared when a hotword record is made: the next
    // free record is cleared at the end of the text.
    bool clearing_owed = false;

    // The tag reader (story/tag_reader.h): the tag being collected or run,
    // NUL-terminated, without `<` and `>`.  It keeps 399 characters;
    // tag_length counts every character of the tag, also those past the
    // 399 that are not kept.  tag_cursor: the read position while a tag
    // runs.
    char tag_buffer[TAG_BUFFER_SIZE];
    int16_t tag_length = 0;
    int16_t tag_cursor = 0;

    // The evaluator's stacks: level 0 of the operands is the bottom slot;
    // level 0 of the operators is unused.
    evaluator_operand operands[EVALUATOR_LEVELS + 1];
    evaluator_operator operators[EVALUATOR_LEVELS + 1];

    // The reader's place (story/place.h).
    int16_t shown_paragraph = 2;
    int16_t current_paragraph = 2;
    // 1 while the shown paragraph is the reader's place.
    int32_t on_current_page = 1;

    // The state file's name (story/state_file.h).
    char state_file_name_text[BOOK_ID_MAX + sizeof ".dat"];
    // The paragraph whose arrival the record holds; 0 for none.
    int16_t arrival_paragraph = 0;
    // The generator as it stood when the arrival's build began.
    uint32_t random_before = 0;
    uint8_t seeded_before = 0;
    // Set aside during a revisit: what the record's fields do not carry.
    int16_t set_aside_paragraphs[STATE_ARRIVAL_MAX_RESTART_POINTS];
    uint32_t set_aside_random = 0;
    uint8_t set_aside_seeded = 0;
};

}  // namespace tomelet
