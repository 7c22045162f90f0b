#include "story/game_state.h"

#include "book/book.h"
#include "engine/engine.h"
#include "story/hotwords.h"
#include "story/place.h"

namespace tomelet {

namespace {

// The generator: state = state * 214013 + 2531011 (mod 2^32), giving bits
// 16 to 30 of the new state.
constexpr uint32_t RANDOM_MULTIPLIER = 214013u;
constexpr uint32_t RANDOM_INCREMENT = 2531011u;
// The clock (milliseconds) is divided by this before it seeds the generator.
constexpr uint32_t RANDOM_SEED_DIVISOR = 60u;

constexpr int32_t LUCK_SIDES = 20;     // L: a roll of 1 to 20
constexpr int32_t PERCENT_SIDES = 100; // d: a roll of 1 to 100

// A target is the paragraph number minus one; following it adds the one.
// Worked out in 32 bits and cut to 16 so that the largest target wraps
// instead of overflowing; such a paragraph does not exist and the page
// build says so.
int16_t paragraph_of(int32_t target) {
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(target + 1)));
}

choice_result follow(int16_t target, int32_t mode) { return choice_result{true, paragraph_of(target), mode}; }

constexpr choice_result NOWHERE{false, 0, GOTO_FOLLOW};

char as_capital(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

int32_t signed_byte(char c) { return static_cast<int32_t>(static_cast<int8_t>(c)); }

// compare_answer over texts that may fill their whole buffer without a NUL:
// reaching a limit counts as the end of that text.  A null text is empty.
int32_t compare_bounded(const char* a, int32_t a_limit, const char* b, int32_t b_limit) {
    int32_t i = 0;
    int32_t j = 0;
    for (;;) {
        while (i < a_limit && a[i] == ' ') ++i;
        while (j < b_limit && b[j] == ' ') ++j;
        const char ca = i < a_limit ? a[i] : '\0';
        const char cb = j < b_limit ? b[j] : '\0';
        if (ca == '\0' || cb == '\0') return signed_byte(ca) - signed_byte(cb);
        const char ua = as_capital(ca);
        const char ub = as_capital(cb);
        if (ua != ub) return signed_byte(ua) - signed_byte(ub);
        ++i;
        ++j;
    }
}

constexpr int32_t NO_LIMIT = INT32_MAX;

// The typed text against one accepted answer (answer first).  Answers sit
// in fixed fields, so the comparison stops at the field's end whatever the
// field holds.
bool answer_matches(const char (&answer)[ANSWER_SIZE], const char* typed) {
    if (typed == nullptr) return false;
    return compare_bounded(answer, ANSWER_SIZE, typed, NO_LIMIT) == 0;
}

void restore_restart_point(int32_t k) {
    const uint8_t* snapshot = restart_snapshot(k);
    if (snapshot == nullptr) return;
    const int32_t count = story_variable_count();
    for (int32_t i = 0; i < count; ++i) {
        the_engine.story.variables[i].flag = snapshot[2 * i];
        the_engine.story.variables[i].value = snapshot[2 * i + 1];
    }
}

choice_result resolve_luck(const hotword& h) {
    const int32_t roll = story_random() % LUCK_SIDES + 1;
    const int32_t chance = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(h.value)));
    return follow(roll <= chance ? h.target1 : h.default_target, GOTO_FOLLOW);
}

choice_result resolve_percent(const hotword& h) {
    const int32_t roll = story_random() % PERCENT_SIDES + 1;
    const int32_t chance1 = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(h.value)));
    // The bands are running sums; a band the tag does not give holds 0 and
    // so never matches.
    int16_t target = h.default_target;
    if (roll <= chance1) {
        target = h.target1;
    } else if (roll <= h.chance2) {
        target = h.target2;
    } else if (roll <= h.chance3) {
        target = h.target3;
    }
    return follow(target, GOTO_FOLLOW);
}

choice_result resolve_answer(const hotword& h, const char* typed) {
    // An empty or blank commit (or no text at all) never matches an answer.
    if (typed == nullptr || compare_answer(typed, " ") == 0) {
        return follow(h.default_target, GOTO_FOLLOW);
    }
    int16_t target = h.default_target;
    if (answer_matches(h.answer1, typed)) {
        target = h.target1;
    } else if (answer_matches(h.answer2, typed)) {
        target = h.target2;
    } else if (answer_matches(h.answer3, typed)) {
        target = h.target3;
    }
    return follow(target, GOTO_FOLLOW);
}

}  // namespace

void story_note_clock(uint32_t ticks) { the_engine.play.clock_ticks = ticks; }

int32_t story_random() {
    if (the_engine.play.random_seeded == 0) {
        the_engine.play.random_state = the_engine.play.clock_ticks / RANDOM_SEED_DIVISOR;
        the_engine.play.random_seed = the_engine.play.random_state;
        the_engine.play.random_seeded = 1;
    }
    the_engine.play.random_state = the_engine.play.random_state * RANDOM_MULTIPLIER + RANDOM_INCREMENT;
    return static_cast<int32_t>((the_engine.play.random_state >> 16) & 0x7FFFu);
}

void story_set_next_random(int32_t value) {
    // The multiplier is odd, so it has an inverse modulo 2^32 (five Newton
    // steps double the correct low bits from 3 to past 32).
    uint32_t inverse = RANDOM_MULTIPLIER;
    for (int i = 0; i < 5; ++i) inverse *= 2u - RANDOM_MULTIPLIER * inverse;
    const uint32_t next = (static_cast<uint32_t>(value) & 0x7FFFu) << 16;
    the_engine.play.random_state = (next - RANDOM_INCREMENT) * inverse;
    the_engine.play.random_seeded = 1;
}

void take_restart_snapshot(int32_t k) {
    restart_state* point = restart_state_at(k);
    uint8_t* snapshot = restart_snapshot(k);
    // A restart point outside the book's table is ignored.
    if (point == nullptr || snapshot == nullptr) return;
    point->set = 1;
    point->paragraph = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(the_engine.play.shown_paragraph - 1)));
    const int32_t count = story_variable_count();
    for (int32_t i = 0; i < count; ++i) {
        snapshot[2 * i] = the_engine.story.variables[i].flag;
        snapshot[2 * i + 1] = the_engine.story.variables[i].value;
    }
}

void clear_story_variables() {
    const int32_t count = story_variable_count();
    for (int32_t i = 0; i < count; ++i) the_engine.story.variables[i] = variable_state{0, 0};
}

void clear_restart_points() {
    // Only the set fields: the paragraphs and snapshots stay until a point
    // is saved again.
    const int32_t count = story_restart_point_count();
    for (int32_t k = 0; k < count; ++k) the_engine.story.restart_points[k].set = 0;
}

int32_t compare_answer(const char* a, const char* b) {
    if (b == nullptr) return 1;
    // A null a is taken as an empty text.
    if (a == nullptr) a = "";
    return compare_bounded(a, NO_LIMIT, b, NO_LIMIT);
}

choice_result resolve_choice(int16_t key, const char* typed_text) {
    int32_t count = the_engine.play.hotword_count;
    if (count > HOTWORDS_SIZE) count = HOTWORDS_SIZE;
    const hotword* found = nullptr;
    for (int32_t r = 0; r < count; ++r) {
        if (the_engine.play.hotwords[r].control_id == key) {
            found = &the_engine.play.hotwords[r];
            break;
        }
    }
    if (found == nullptr) return NOWHERE;
    const hotword& h = *found;

    // N, Q and R name a variable and u a restart point.  An index outside
    // the book's tables (no book makes one) changes nothing: for N, Q and R
    // the target is still followed; a u without its restart point has no
    // paragraph to lead to, so the choice then leads nowhere, like a key
    // without a record.
    switch (h.kind) {
        case 'L':
            return resolve_luck(h);
        case 'd':
            return resolve_percent(h);
        case 'S':
            return resolve_answer(h, typed_text);
        case 'N':
        case 'Q':
        case 'R': {
            variable_state* variable = variable_state_at(h.index);
            if (variable != nullptr) {
                if (h.kind == 'N') {
                    variable->flag = 1;
                } else if (h.kind == 'Q') {
                    variable->flag = 0;
                } else {
                    variable->value = static_cast<uint8_t>(static_cast<uint32_t>(h.value));
                }
            }
            return follow(h.target1, GOTO_FOLLOW);
        }
        case 'g':
            return follow(h.target1, GOTO_LOOK_UP);
        case 'm':
            return follow(h.target1, GOTO_TAKE_UP);
        case 'u': {
            const restart_state* point = restart_state_at(h.index);
            if (point == nullptr) return NOWHERE;
            restore_restart_point(h.index);
            return follow(point->paragraph, GOTO_TAKE_UP);
        }
        default:
            return follow(h.target1, GOTO_FOLLOW);
    }
}

}  // namespace tomelet
