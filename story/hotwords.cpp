#include "story/hotwords.h"

#include <cstring>

#include "engine/engine.h"
#include "page/controls.h"

namespace tomelet {

namespace {

// The record the builders fill: the one at hotword_count.  None when the
// array is full; the interpreter never calls a builder then, but nothing
// here relies on it.
hotword* next_record() {
    if (the_engine.play.hotword_count < 0 || the_engine.play.hotword_count >= HOTWORDS_SIZE) return nullptr;
    return &the_engine.play.hotwords[the_engine.play.hotword_count];
}

// Copies a stored answer (at most ANSWER_SIZE - 1 characters, NUL-terminated
// by the tag reader) into a record's answer field.
void set_answer(char (&field)[ANSWER_SIZE], const char* answer) {
    size_t length = std::strlen(answer);
    if (length > ANSWER_SIZE - 1) length = ANSWER_SIZE - 1;
    std::memcpy(field, answer, length);
    field[length] = '\0';
}

// A picture hotword, out of line: it is rare, and measuring its picture
// should cost the labelled hotword, the usual kind, nothing.
[[gnu::noinline]] int32_t picture_hotword(int32_t picture) { return make_hotword_picture(picture); }

// Two signed 8-bit chances added in 8 bits: the sum wraps past 127.
int8_t add_chances(int8_t a, int8_t b) {
    return static_cast<int8_t>(static_cast<uint8_t>(static_cast<uint8_t>(a) + static_cast<uint8_t>(b)));
}

}  // namespace

void make_hotword(const tag_arguments& tag) {
    hotword* record = next_record();
    if (record == nullptr) return;
    const int32_t id =
        tag.labelled ? make_hotword_button(tag.label, tag.label_length) : picture_hotword(tag.picture);
    record->control_id = static_cast<int16_t>(id);
    record->target1 = tag.target1;
}

// The chances are kept as running sums: value holds the first chance,
// chance2 the first two added, chance3 all three, each in 8 bits.  A band
// the tag does not give keeps 0 (and target 0), so it never matches a roll.
void make_chance_button(const tag_arguments& tag) {
    hotword* record = next_record();
    if (record == nullptr) return;
    record->control_id = static_cast<int16_t>(make_hotword_button(tag.label, tag.label_length));
    const int8_t a = tag.chances[0];
    record->value = a;
    record->chance2 = tag.bands >= 2 ? add_chances(a, tag.chances[1]) : 0;
    record->chance3 = tag.bands >= 3 ? add_chances(record->chance2, tag.chances[2]) : 0;
    record->target1 = tag.target1;
    record->target2 = tag.target2;
    record->target3 = tag.target3;
    record->default_target = tag.default_target;
}

// The box is made after the whole tag has been read, so that it takes as
// many characters as the longest accepted answer holds.
void make_answer_field(const tag_arguments& tag) {
    hotword* record = next_record();
    if (record == nullptr) return;
    set_answer(record->answer1, tag.answers[0]);
    set_answer(record->answer2, tag.bands >= 2 ? tag.answers[1] : "");
    set_answer(record->answer3, tag.bands >= 3 ? tag.answers[2] : "");
    record->target1 = tag.target1;
    record->target2 = tag.target2;
    record->target3 = tag.target3;
    record->default_target = tag.default_target;
    record->control_id = static_cast<int16_t>(make_edit_box(tag.longest));
}

}  // namespace tomelet
