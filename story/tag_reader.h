// The tag being run and the readers of its arguments.
//
// A tag is the text between `<` and `>`: its letter, then its arguments.
// Everything that reads a tag's arguments (the interpreter, the hotword
// builders, the evaluator and the book compiler) reads them here, with
// `tag_cursor`, `read_number` and `skip_to`, so they can never disagree
// about what a tag means.
#pragma once

#include <cstdint>

namespace tomelet {

constexpr int32_t TAG_BUFFER_SIZE = 400;
constexpr int32_t LABEL_SIZE = 100;   // a hotword or chance label: 99 characters
constexpr int32_t ANSWER_SIZE = 20;   // an accepted answer: 19 characters
constexpr int32_t MAX_BANDS = 3;      // chances of L/d, answers of S

// Loads `text` (cut to 399 characters) into tag_buffer and sets the cursor
// to 1.  For tools and tests; the interpreter collects tags itself.
void tag_load(const char* text);

// Reads a number at tag_cursor: digits accumulate, `+` is passed over, `-`
// is passed over and makes the result negative; any other character (or the
// end of the tag) ends the number with the cursor on it.  At the end of the
// tag it returns 0.  The value wraps modulo 2^32 rather than overflowing.
int32_t read_number();

// Moves tag_cursor just past the next `ch`; stops on the terminating NUL
// when there is none (it never moves past the end of the tag).
void skip_to(char ch);

// Copies the characters from tag_cursor up to `close` into dest (size
// bytes, so at most size - 1 characters are kept; the rest are passed over)
// and leaves the cursor just past `close`, or on the NUL when the tag ends
// first.  Returns the number of characters stored; *source_length (when
// given) receives the number of characters the tag held before `close`.
int32_t copy_until(char close, char* dest, int32_t size, int32_t* source_length = nullptr);

// What a tag says, read without acting on it.
enum tag_value_form : int32_t {
    VALUE_NUMBER = 0,    // R, r: a number
    VALUE_VARIABLE = 1,  // R: `%m`, the value of variable m
    VALUE_RANDOM = 2,    // R: `z`, a random value
};

struct tag_arguments {
    char letter;
    // A, V, v, W: the number; n, p: the target; N, Q, R, r, l: the variable;
    // s, u: the restart point.  Like every number of a tag (but the
    // chances), it is kept as the low 16 bits of what was written, signed.
    int32_t number;
    // N, Q, R, r: true when the tag ends after its value, so it acts at
    // once instead of making a hotword.
    bool immediate;
    // R, r: the value's form and its number (the literal, 16-bit signed, or
    // the variable m).
    tag_value_form value_form;
    int32_t value_number;
    // The hotword: a label between double quotes (the text `label`, below),
    // or a picture number.
    bool makes_hotword;
    bool labelled;
    int32_t label_length;    // characters stored (at most 99)
    int32_t label_source_length;  // characters between the quotes in the tag
    int32_t picture;
    // Targets as written (paragraph number minus one), low 16 bits:
    // target1, target2, target3 and, for L, d and S, default_target.
    int16_t target1;
    int16_t target2;
    int16_t target3;
    int16_t default_target;
    // L, d: the chances as read, each taken as a signed 8-bit number;
    // S: the answers.  bands: how many the tag gives (1 to 3).
    int32_t bands;
    int8_t chances[MAX_BANDS];
    int32_t answer_source_lengths[MAX_BANDS];  // characters between ( and ) in the tag
    int32_t longest;  // S: the longest stored answer
    // The texts stand last, so that the numbers before them are cleared in
    // one piece.
    char label[LABEL_SIZE];
    char answers[MAX_BANDS][ANSWER_SIZE];
};

// Reads the tag in tag_buffer from its letter on, exactly as running it
// would, and leaves tag_cursor where running it would leave it.  Changes
// nothing else.  Every field the tag does not give is 0 or an empty text
// (the bytes past a text's NUL are not cleared: they are left as they were,
// or hold characters of the tag).
void parse_tag(tag_arguments* out);

// parse_tag for a tag the caller has told apart by its letter already: R
// or r, and l (and M, g and m, below).  The same reading, to the same effect, without choosing it
// again by the letter.
void parse_assignment_tag(tag_arguments* out);
void parse_value_name_tag(tag_arguments* out);
// The same for the hotwords M, g and m.
void parse_hotword_tag(tag_arguments* out);

}  // namespace tomelet
