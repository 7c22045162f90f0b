// The page's choices: one hotword record per hotword button, chance button
// or answer field, found by control id when the reader takes the choice.
#pragma once

#include <cstdint>

#include "story/tag_reader.h"

namespace tomelet {

constexpr int32_t HOTWORDS_SIZE = 100;

struct hotword {
    char kind;  // M g m N Q R L d S u
    int16_t index;   // N, Q, R: the variable; u: the restart point
    int32_t value;   // R: the value to assign; L, d: the first chance
    int8_t chance2;  // d: a + b (8-bit); 0 without a second chance
    int8_t chance3;  // d: a + b + c; 0 without a third chance
    char answer1[ANSWER_SIZE];
    char answer2[ANSWER_SIZE];
    char answer3[ANSWER_SIZE];
    int16_t control_id;
    int16_t target1;
    int16_t default_target;
    int16_t target2;
    int16_t target3;
};

// The builders fill the record at hotword_count from a parsed tag and have
// its control made; the calling tag counts the record.  The tag has stored
// the kind (and for N, Q, R and u the index and value) before.
void make_hotword(const tag_arguments& tag);
void make_chance_button(const tag_arguments& tag);
void make_answer_field(const tag_arguments& tag);

}  // namespace tomelet
