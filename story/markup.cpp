#include "story/markup.h"

#include <bit>
#include <cstdio>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "book/assemble.h"
#include "book/book.h"
#include "engine/engine.h"
#include "page/display_list.h"
#include "page/links.h"
#include "book/short_copy.h"
#include "story/evaluator.h"
#include "story/game_state.h"
#include "story/hotwords.h"
#include "story/state_file.h"
#include "story/story_state.h"
#include "story/tag_reader.h"

namespace tomelet {

// Limits.  pending_words keeps at most 299 characters and tag_buffer 399;
// what arrives beyond them is counted but not stored (the tag is read as
// the 399 characters it kept).  pending_length and tag_length count every
// character that arrived, so the messages show the length the text has
// reached:
// - every character of the running text (and of a tag) that arrives while
//   the run is 300 characters or more (the tag 400 or more) shows
//   "%d is Too many letters in word" ("... in command") with the new
//   length: a 305-character run shows 300, 301, ... 305;
// - the value name of `l` and the restart point's name of `u` are added in
//   one piece and show the message once, with the new length, when it is
//   300 or more; under a held title three names of 250 characters show
//   500 and then 750;
// - the space of `a` under a held title adds its length and shows nothing.
// The counts stop at 32767 (a title held through a long chain of names
// could otherwise pass the 16-bit count); a paragraph never comes near.
// A hotword tag met when all 100 records are in use makes neither a record
// nor a control (its other effects, such as a restart point's name after
// its button, still happen), and the tag still ends with "Hotwords
// structure array overflow".

namespace {

constexpr int32_t PENDING_KEPT = PENDING_WORDS_SIZE - 1;
constexpr int32_t TAG_KEPT = TAG_BUFFER_SIZE - 1;

// Messages are rare: kept out of line, so that the paths that may show one
// stay small.
[[gnu::noinline, gnu::cold]] void show_number_message(const char* format, int32_t number) {
    char message[100];
    std::snprintf(message, sizeof message, format, static_cast<int>(number));
    show_error(message);
}

void empty_pending() {
    the_engine.play.pending_words[0] = '\0';
    the_engine.play.pending_length = 0;
}

int16_t counted(int32_t length) { return static_cast<int16_t>(length < INT16_MAX ? length : INT16_MAX); }

// Adds `count` characters to a buffer that keeps `kept` of them: what still
// fits is stored behind the `length` characters counted so far, and the
// buffer stays NUL-terminated.  Returns the new count.
int16_t add_to_buffer(char* buffer, int32_t kept, int16_t length, const char* text, int32_t count) {
    const int32_t stored = length < kept ? length : kept;
    const int32_t room = kept - stored;
    const int32_t copied = count < room ? count : room;
    if (copied > 0) {
        copy_short(buffer + stored, text, copied);
        buffer[stored + copied] = '\0';
    }
    return counted(length + count);
}

// The rule for the characters the scanner reads into the run or the tag:
// one message for every character that arrives while the count is at or
// above `limit`, with the count it has reached.
[[gnu::noinline, gnu::cold]] void report_each(const char* format, int32_t limit, int32_t before, int32_t count) {
    for (int32_t i = 1; i <= count; ++i) {
        const int32_t length = counted(before + i);
        if (length >= limit) show_number_message(format, length);
    }
}

// Characters of the running text, as the scanner reads them.
void append_text(const char* text, int32_t count) {
    const int16_t before = the_engine.play.pending_length;
    the_engine.play.pending_length = add_to_buffer(the_engine.play.pending_words, PENDING_KEPT, before, text, count);
    if (before + count >= PENDING_WORDS_SIZE) {
        report_each("%d is Too many letters in word", PENDING_WORDS_SIZE, before, count);
    }
}

// A name added by `l` or `u`: one message for the whole piece.
void append_name(const char* name) {
    the_engine.play.pending_length = add_to_buffer(the_engine.play.pending_words, PENDING_KEPT, the_engine.play.pending_length, name,
                                   static_cast<int32_t>(std::strlen(name)));
}

void report_name_length() {
    if (the_engine.play.pending_length >= PENDING_WORDS_SIZE) show_number_message("%d is Too many letters in word", the_engine.play.pending_length);
}

// The run is emitted when a tag begins (begin_tag, below: the run is mostly
// empty there, so that is tested first; the tag's text is then stored by
// the scanner) and early at a space (take_text).  The run's stored length
// is known: what pending_words keeps is the count, up to PENDING_KEPT
// (nothing the scanner adds holds a NUL), so the run (and a held title)
// goes to the page without being measured, and the whole buffer may be
// read for its block copy.
int32_t stored_pending_length() {
    const int32_t count = the_engine.play.pending_length;
    return count < PENDING_KEPT ? count : PENDING_KEPT;
}

// Kept out of line: inlined, the copy's loop would be written out in the
// scanner's own loop.
[[gnu::noinline]] void flush_pending() {
    page_text_run(the_engine.play.pending_words, stored_pending_length(), PENDING_WORDS_SIZE);
    empty_pending();
}

// A stretch of running text, read in one step.  "Check the run": a run
// longer than 150 characters that has just taken a space is emitted early
// (with its trailing space), so the stretch is taken up to that space, the
// run emitted, and the rest taken the same way.  The display list joins
// consecutive text pieces, so the page is the same.  While a title is held
// nothing is emitted early.
void take_text(const char* text, int32_t count) {
    while (count > 0) {
        int32_t taken = count;
        bool emit = false;
        if (the_engine.play.hold_words == 0 && the_engine.play.pending_length + count > PENDING_FLUSH_LENGTH) {
            // Only a space that makes the run at least 151 characters long.
            const int32_t from = the_engine.play.pending_length < PENDING_FLUSH_LENGTH ? PENDING_FLUSH_LENGTH - the_engine.play.pending_length : 0;
            const void* space = std::memchr(text + from, ' ', static_cast<size_t>(count - from));
            if (space != nullptr) {
                taken = static_cast<int32_t>(static_cast<const char*>(space) - text) + 1;
                emit = true;
            }
        }
        append_text(text, taken);
        if (emit) flush_pending();
        text += taken;
        count -= taken;
    }
}

void begin_tag() {
    if (the_engine.play.pending_length != 0 && the_engine.play.hold_words == 0) flush_pending();
}

void append_tag(const char* text, int32_t count) {
    const int16_t before = the_engine.play.tag_length;
    the_engine.play.tag_length = add_to_buffer(the_engine.play.tag_buffer, TAG_KEPT, before, text, count);
    if (before + count >= TAG_BUFFER_SIZE) {
        report_each("%d is Too many letters in command", TAG_BUFFER_SIZE, before, count);
    }
}

int32_t value_count_of(const variable_row* row) { return row != nullptr ? row->value_count : 0; }
int32_t value_of(const variable_state* live) { return live != nullptr ? live->value : 0; }

// The value an R or r tag assigns, worked out when the page is built.
// Clamped to the variable's values: at most count - 1 and, where the
// arithmetic would give less, 0.  So a negative plain number stores 0, and
// a variable with no values (or a number outside the catalogue) gets 0.
int32_t assignment_value(const tag_arguments& tag, const variable_row* row, const variable_state* live) {
    const int32_t count = value_count_of(row);
    int32_t x = 0;
    if (tag.value_form == VALUE_VARIABLE) {
        x = value_of(variable_state_at(tag.value_number));
    } else if (tag.value_form == VALUE_RANDOM) {
        x = story_random();
        if (count != 0) x %= count;
    } else {
        x = static_cast<int16_t>(tag.value_number);
        if (tag.letter == 'r') {
            x += value_of(live);
            if (x < 0) x = 0;
        }
    }
    if (x > count - 1) x = count - 1;
    if (x < 0) x = 0;
    return x;
}

// The record at hotword_count exists: fewer than 100 are in use.
bool record_free() { return the_engine.play.hotword_count >= 0 && the_engine.play.hotword_count < HOTWORDS_SIZE; }

hotword& next_record() { return the_engine.play.hotwords[the_engine.play.hotword_count]; }

// Every tag begins by clearing the control id and the first target of the
// next free record (when there is one).  Only a builder or what follows the
// page can see that record, so the scanner does it there rather than at
// every tag: a record is cleared just before its builder fills it, and at
// the end of the text the next free record is cleared when a tag has run
// since the last record was made (play_state's `clearing_owed`, set by the scanner at
// every tag and cleared by add_hotword).  run_tag, which runs one tag on
// its own, clears it at once.

void clear_next_record() {
    if (record_free()) {
        next_record().control_id = 0;
        next_record().target1 = 0;
    }
}

// Starts the next record with its kind (and index) and has the builder
// fill it; the tag counts it.  Nothing when every record is in use.
void add_hotword(const tag_arguments& tag, char kind, int32_t index, void (*build)(const tag_arguments&)) {
    if (!record_free()) return;
    hotword& record = next_record();
    record.control_id = 0;
    record.target1 = 0;
    record.kind = kind;
    record.index = static_cast<int16_t>(index);
    build(tag);
    ++the_engine.play.hotword_count;
    the_engine.play.clearing_owed = false;
}

// A variable outside the catalogue is not changed; as a hotword the tag
// still leads to its target (the click skips the change).
void set_held_flag(int32_t v, uint8_t flag) {
    if (variable_state* live = variable_state_at(v)) live->flag = flag;
}

// N and Q: the held flag at once, or a hotword that sets it when clicked.
void run_flag_tag(const tag_arguments& tag, uint8_t flag) {
    if (tag.immediate) {
        set_held_flag(tag.number, flag);
    } else {
        add_hotword(tag, tag.letter, tag.number, make_hotword);
    }
}

void run_assignment(const tag_arguments& tag) {
    const auto [row, live] = variable_entry_at(tag.number);
    const int32_t x = assignment_value(tag, row, live);
    if (tag.immediate) {
        // x lies in 0 .. count - 1, so it fits the 8-bit value.
        if (live != nullptr) live->value = static_cast<uint8_t>(x);
        return;
    }
    if (!record_free()) return;
    next_record().value = x;
    add_hotword(tag, 'R', tag.number, make_hotword);
}

// u: a button for a restart point that has been saved, followed by the
// point's name.  False (skip the block) when it has not been saved, or
// when there is no such point.
bool run_restart_use(const tag_arguments& tag) {
    const restart_point* point = restart_point_at(tag.number);
    const restart_state* live = restart_state_at(tag.number);
    if (point == nullptr || live == nullptr || live->set == 0) return false;
    add_hotword(tag, 'u', tag.number, make_hotword);
    append_name(point->name != nullptr ? point->name : "");
    append_name(word_separator);
    report_name_length();
    return true;
}

// l: the name of the variable's current value, kept in the title while one
// is held, otherwise shown at once.  A variable outside the catalogue, or a
// value at or above its count (a loaded file may hold any byte), shows
// nothing.
void run_value_name(const tag_arguments& tag) {
    const auto [row, live] = variable_entry_at(tag.number);
    if (row == nullptr || live == nullptr) return;
    const char* name = value_name(row, live->value);
    if (name == nullptr) return;
    if (the_engine.play.hold_words != 0) {
        append_name(name);
        report_name_length();
    } else {
        page_text_item(name);
    }
}

// a: a space; a held title takes it without a check of its length.
void run_space() {
    if (the_engine.play.hold_words != 0) {
        append_name(word_separator);
    } else {
        page_text_run(word_separator, 1, 1);
    }
}

void set_link(page_link& link, int32_t target) { link = page_link{LINK_PARAGRAPH, static_cast<int16_t>(target)}; }

}  // namespace

// A sound number outside the catalogue plays nothing.  The page keeps its
// sounds; the application plays them once the page is painted.
void play_sound(int32_t n) {
    if (sound_switch() == 0) return;
    const char* name = sound_name(n);
    if (name != nullptr) page_play_sound(name);
}

void stop_sound() { page_stop_sound(); }

namespace {

// The body of run_tag but for the clearing of the next free record (see
// clear_next_record), inlined where the scanner runs a tag; `letter` is
// tag_buffer[0], which the scanner takes from the text.
//
// Only the tags that take arguments are read; every reading (parse_tag,
// the assignment's and the value name's, the condition's) sets the cursor
// where it stops.  For the others reading would change nothing but the
// cursor, which would stay on 1: those set it so themselves (one store
// fewer for every tag that is read).
[[gnu::always_inline]] inline void no_arguments() { the_engine.play.tag_cursor = 1; }

// What a tag leaves: a skip to the next `}`, or the text goes on; and
// whether every hotword record is then in use, which every tag from then
// on reports with "Hotwords structure array overflow".  Only the tags that
// may make a record can fill the table, so where the scanner runs a tag
// (`Scanning`), and it runs one only while records are free, the others
// need not look.  Once the table is full the scanner leaves its tags to
// the rules, which run them with run_tag.
enum tag_outcome : int32_t { TAG_SKIP = 0, TAG_DONE = 1, TAG_FULL = 2 };

constexpr char HOTWORDS_OVERFLOW[] = "Hotwords structure array overflow";

template <bool Scanning>
[[gnu::always_inline]] inline tag_outcome run_tag_here(char letter) {
    tag_arguments tag;
    bool may_fill = false;  // the tag may have made a record

    // The commonest tags (M, a and P, about 60 % of a page's) are told apart
    // by tests of their own before the table jump of the switch: that jump's
    // target changes from tag to tag and is often mispredicted, and the
    // interpretation measured about 2.5 % faster with them.
    if (letter == 'M') {
        parse_hotword_tag(&tag);
        add_hotword(tag, letter, 0, make_hotword);
        may_fill = true;
    } else if (letter == 'a') {
        no_arguments();
        run_space();
    } else if (letter == 'P') {
        no_arguments();
        page_paragraph_break();
    } else switch (letter) {
        case 'A':
            parse_tag(&tag);
            play_sound(tag.number);
            break;
        case 'B':
            no_arguments();
            page_bold_on();
            break;
        case 'C':
            no_arguments();
            stop_sound();
            break;
        case 'D':
            no_arguments();
            page_bold_off();
            break;
        case 'E':
            no_arguments();
            return the_engine.play.last_condition == 0 ? TAG_DONE : TAG_SKIP;
        case 'H':
            no_arguments();
            the_engine.play.hold_words = 1;
            break;
        case 'J':
            no_arguments();
            the_engine.play.hold_words = 0;
            page_title_run(the_engine.play.pending_words, stored_pending_length());
            empty_pending();
            break;
        case 'L':
        case 'd':
            parse_tag(&tag);
            add_hotword(tag, letter, 0, make_chance_button);
            may_fill = true;
            break;
        case 'g':
        case 'm':
            parse_hotword_tag(&tag);
            add_hotword(tag, letter, 0, make_hotword);
            may_fill = true;
            break;
        case 'N':
            parse_tag(&tag);
            run_flag_tag(tag, 1);
            may_fill = true;
            break;
        case 'Q':
            parse_tag(&tag);
            run_flag_tag(tag, 0);
            may_fill = true;
            break;
        case 'o':
            if (the_engine.play.last_condition != 0) {
                no_arguments();
                return TAG_SKIP;
            }
            [[fallthrough]];
        case 'O':
            the_engine.play.last_condition = evaluate_condition();
            return the_engine.play.last_condition != 0 ? TAG_DONE : TAG_SKIP;
        case 'R':
        case 'r':
            parse_assignment_tag(&tag);
            run_assignment(tag);
            may_fill = true;
            break;
        case 'S':
            parse_tag(&tag);
            add_hotword(tag, 'S', 0, make_answer_field);
            may_fill = true;
            break;
        case 'T':
            no_arguments();
            page_tab();
            break;
        case 'U':
            no_arguments();
            page_line_break();
            break;
        case 'V':
            parse_tag(&tag);
            page_picture(tag.number, 0);
            break;
        case 'v':
            parse_tag(&tag);
            page_picture(tag.number, 1);
            break;
        case 'W':
            parse_tag(&tag);
            page_align(tag.number);
            break;
        case 'l':
            parse_value_name_tag(&tag);
            run_value_name(tag);
            break;
        case 'n':
            parse_tag(&tag);
            set_link(the_engine.page.next_link, tag.number);
            break;
        case 'p':
            parse_tag(&tag);
            set_link(the_engine.page.prev_link, tag.number);
            break;
        case 's':
            parse_tag(&tag);
            // A restart point outside the table is not saved.
            if (restart_point_at(tag.number) != nullptr) take_restart_snapshot(tag.number);
            break;
        case 'u':
            parse_tag(&tag);
            if (!run_restart_use(tag)) return TAG_SKIP;
            may_fill = true;
            break;
        default:
            // G, F, I, K, Y, other characters and the empty tag: nothing.
            no_arguments();
            break;
    }

    if ((may_fill || !Scanning) && the_engine.play.hotword_count >= HOTWORDS_SIZE) {
        show_error(HOTWORDS_OVERFLOW);
        return TAG_FULL;
    }
    return TAG_DONE;
}

}  // namespace

bool run_tag() {
    clear_next_record();
    return run_tag_here<false>(the_engine.play.tag_buffer[0]) != TAG_SKIP;
}

namespace {

// The last index of a text that is read: the scanner's position is 16 bits.
constexpr int32_t LAST_READ = INT16_MAX;

// A stretch of plain text (or of a tag) runs up to the first character the
// scanner acts on: `<`, `>`, `{` or `}`, or the end of what is read.  The
// text is tested 16 characters at a time where the target has SSE2 (every
// x86-64), else 8 at a time in a 64-bit word, and the last few characters
// one by one: a block is only ever loaded when all of it lies before
// `limit`, so nothing past the end of what is read is touched, wherever
// the text ends and whatever buffer holds it.
//
// In the word: a byte of `word ^ repeated(c)` is zero where the text holds
// c, and the lowest flag of has_zero_byte marks the first such byte exactly
// (flags above it may be false).
constexpr uint64_t repeated(unsigned char c) { return 0x0101010101010101ull * c; }

constexpr uint64_t has_zero_byte(uint64_t word) {
    return (word - repeated(0x01)) & ~word & repeated(0x80);
}

// `<` and `>` differ only in bit 1, so setting it tests both at once.
constexpr uint64_t stop_flags(uint64_t word) {
    return has_zero_byte((word | repeated(0x02)) ^ repeated('>')) | has_zero_byte(word ^ repeated('{')) |
           has_zero_byte(word ^ repeated('}'));
}

constexpr bool is_stop(char c) { return c == '<' || c == '>' || c == '{' || c == '}'; }

#if defined(__SSE2__)
// The stops among 16 characters: bit k of the mask is set where character
// k is one.  One more than a stop, with bit 1 set, is 0x3f for `<` and `>`
// and 0x7e for `{` and `}`, and for no other byte: two comparisons (and
// no copy of the block, which a comparison overwrites) rather than three.
[[gnu::always_inline]] inline unsigned stop_mask(__m128i block) {
    const __m128i key = _mm_or_si128(_mm_add_epi8(block, _mm_set1_epi8(1)), _mm_set1_epi8(0x02));
    const __m128i hits =
        _mm_or_si128(_mm_cmpeq_epi8(key, _mm_set1_epi8(0x3f)), _mm_cmpeq_epi8(key, _mm_set1_epi8(0x7e)));
    return static_cast<unsigned>(_mm_movemask_epi8(hits));
}

__m128i load_block(const char* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
#endif

// The end of the stretch that starts at `from` (exclusive); `limit` is the
// end of what is read.
[[gnu::always_inline]] inline int32_t stretch_end(const char* text, int32_t from, int32_t limit) {
    int32_t end = from;
#if defined(__SSE2__)
    for (; end + 16 <= limit; end += 16) {
        if (const unsigned mask = stop_mask(load_block(text + end)); mask != 0) {
            return end + std::countr_zero(mask);
        }
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        for (; end + 8 <= limit; end += 8) {
            uint64_t word;
            std::memcpy(&word, text + end, sizeof word);
            if (const uint64_t flags = stop_flags(word); flags != 0) return end + std::countr_zero(flags) / 8;
        }
    }
    while (end < limit && !is_stop(text[end])) ++end;
    return end;
}

// The `}` that ends a skipped block, or the end of what is read.
// Skipped blocks are mostly short: where the target has SSE2 they are
// searched 16 characters at a time (only blocks that lie before `limit`),
// and what is left before `limit` by the library.
int32_t skip_end(const char* text, int32_t from, int32_t limit) {
    int32_t end = from;
#if defined(__SSE2__)
    const __m128i brace = _mm_set1_epi8('}');
    for (; end + 16 <= limit; end += 16) {
        if (const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(load_block(text + end), brace)); mask != 0) {
            return end + std::countr_zero(static_cast<unsigned>(mask));
        }
    }
#endif
    const void* close = std::memchr(text + end, '}', static_cast<size_t>(limit - end));
    return close != nullptr ? static_cast<int32_t>(static_cast<const char*>(close) - text) : limit;
}

// Most tags and stretches of text are short: one that fits in BLOCK
// characters is copied as a whole block, without a test of its length,
// where the text holds BLOCK characters from its start on (before the end
// of what is read, so nothing past it is read) and the buffer has room
// for all of them.  What the block brings past the stretch lies behind the
// NUL that ends the buffer's text, which is all that is read of it.
constexpr int32_t BLOCK = 32;

void copy_block(char* to, const char* from) { std::memcpy(to, from, BLOCK); }

// The stretch of a short tag: the text of the tag that starts at `from`,
// up to its first stop, when that lies within BLOCK characters and the
// text holds BLOCK characters from `from` on.  The blocks searched are
// stored into tag_buffer as they are searched (where the target has SSE2;
// elsewhere the stretch is found first and the whole block copied), so
// that the tag is in place when its end is found; the caller ends it with
// its NUL.  Returns the length of the stretch, or -1 when the tag is longer
// or lies too near the end of what is read.
[[gnu::always_inline]] inline int32_t short_tag_length(const char* text, int32_t from, int32_t limit) {
    if (from + BLOCK > limit) return -1;
#if defined(__SSE2__)
    static_assert(BLOCK % 16 == 0 && BLOCK <= TAG_BUFFER_SIZE);
    for (int32_t at = 0; at < BLOCK; at += 16) {
        const __m128i block = load_block(text + from + at);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(the_engine.play.tag_buffer + at), block);
        if (const unsigned mask = stop_mask(block); mask != 0) return at + std::countr_zero(mask);
    }
    return -1;
#else
    const int32_t end = stretch_end(text, from, from + BLOCK);
    if (end == from + BLOCK) return -1;
    copy_block(the_engine.play.tag_buffer, text + from);
    return end - from;
#endif
}

// The spaces right after a tag (or a `}`), which are dropped: the index of
// the first character from `at` on that is not one of them, or `end`, the
// end of what is read.  text[end] may be read: it is the text's NUL or, in
// a text longer than what is read, one of its characters.  (In indices, as
// the scanner keeps its position: going to a pointer and back cost a few
// instructions a tag.)
[[gnu::always_inline]] inline int32_t gap_end(const char* text, int32_t at, int32_t end) {
    while (text[at] == ' ' && at < end) ++at;
    return at;
}

// A stretch of running text from `at` (not a stop), up to the next stop or
// the end of what is read, whose index it returns: taken into the run,
// or, when it stands alone before a tag, sent to the page at once.
[[gnu::always_inline]] inline int32_t take_run(const char* text, int32_t at, int32_t limit) {
    const int32_t end = stretch_end(text, at, limit);
    const int32_t count = end - at;
    if (end < limit && text[end] == '<' && the_engine.play.pending_length == 0 && the_engine.play.hold_words == 0 &&
        count <= PENDING_FLUSH_LENGTH) {
        // A whole run before a tag: the tag would emit it as it stands (too
        // short for an early emission), so it goes to the page at once.
        page_text_run(text + at, count, limit - at);
    } else if (count <= BLOCK && at + BLOCK <= limit && the_engine.play.pending_length + BLOCK <= PENDING_KEPT &&
        (the_engine.play.hold_words != 0 || the_engine.play.pending_length + count <= PENDING_FLUSH_LENGTH)) {
        // Far from the limits and from an early emission.
        copy_block(the_engine.play.pending_words + the_engine.play.pending_length, text + at);
        the_engine.play.pending_words[the_engine.play.pending_length + count] = '\0';
        the_engine.play.pending_length = static_cast<int16_t>(the_engine.play.pending_length + count);
    } else {
        take_text(text + at, count);
    }
    return end;
}

}  // namespace

void build_paragraph(int32_t n) {
    char problem[ASSEMBLY_MESSAGE_SIZE];
    int32_t length = 0;
    if (!assemble_paragraph(n, the_engine.book.paragraph_text, problem, &length)) show_error(problem);
    const paragraph_row* row = paragraph_at(n);
    if (row != nullptr && row->chunk >= 0 && row->chunk < the_engine.book.tables->chunk_count) {
        run_paragraph(the_engine.book.paragraph_text, length);
    }
}

// The plain form measures the text.  A text longer than what is read goes
// on with the length that is read: the scanner then finds one of the
// text's characters at text[limit] rather than its NUL, which gap_end
// allows for.
void run_paragraph(const char* text) {
    const size_t length = std::strlen(text);
    run_paragraph(text, length <= LAST_READ ? static_cast<int32_t>(length) : LAST_READ + 1);
}

// The scanner.  Text outside tags collects in pending_words and is emitted
// when a tag begins (or, at a space, once the run is longer than 150
// characters); spaces right after a tag or a `}` are dropped; a false
// condition skips everything up to the next `}`.  Text after the last tag
// is never emitted.  Plain text and the text of a tag are read a stretch at
// a time: everything up to the next `<`, `>`, `{` or `}` is taken in one
// step, with the limits and messages the characters one by one would give.
// A tag whose text runs straight to its `>` (nearly every tag) is read,
// run, and the spaces after it passed over in one step, and a tag that
// follows at once, or after a stretch of text, is read the same way
// without going back to the loop's top; anything else in a tag (`{`, `}`,
// another `<`, the end of the text) goes back to the character-by-character
// rules.  The state and the
// position are kept in locals while the text is read (nothing that a tag
// runs reads them) and stored when it ends.  Only the first 32768
// characters of a text are read (up to index 32767; a paragraph holds at
// most 3316).  Once every hotword record is in use, the tags that
// follow are read by the character rules (see run_tag_here).
void run_paragraph(const char* text, int32_t length) {
    the_engine.play.hotword_count = 0;
    empty_pending();
    the_engine.play.last_condition = 1;
    int32_t state = SCAN_GAP;
    the_engine.play.clearing_owed = false;

    const int32_t limit = length < 0 ? 0 : length <= LAST_READ ? length : LAST_READ + 1;
    int32_t i = 0;
    while (i < limit) {
        const char c = text[i];
        if (c == '<' && state != SCAN_SKIP && the_engine.play.hotword_count >= HOTWORDS_SIZE) [[unlikely]] {
            // Every record in use: the tag is read by the rules below.
            begin_tag();
            state = SCAN_TAG;
            the_engine.play.tag_buffer[0] = '\0';
            the_engine.play.tag_length = 0;
            ++i;
        } else if (c == '<' && state != SCAN_SKIP) [[likely]] {
            // Tags, one after the other for as long as one follows at once
            // and records are free.
            for (;;) {
                begin_tag();
                state = SCAN_TAG;
                const int32_t from = i + 1;
                if (const int32_t count = short_tag_length(text, from, limit); count >= 0) [[likely]] {
                    the_engine.play.tag_buffer[count] = '\0';
                    the_engine.play.tag_length = static_cast<int16_t>(count);
                    i = from + count;
                } else {
                    i = stretch_end(text, from, limit);
                    the_engine.play.tag_buffer[0] = '\0';
                    the_engine.play.tag_length = 0;
                    append_tag(text + from, i - from);
                    if (i == limit) break;
                }
                if (text[i] != '>') break;
                // The tag's first character is its letter (an empty tag's is
                // read as its `>`, which, like the NUL the buffer then holds,
                // names no tag).
                the_engine.play.clearing_owed = true;
                if (const tag_outcome outcome = run_tag_here<true>(text[from]); outcome != TAG_DONE) {
                    if (outcome == TAG_FULL) {
                        state = SCAN_GAP;
                        ++i;
                        break;
                    }
                    // The skipped block, up to its `}`, which is then
                    // passed with the blanks after it, as the rules do.
                    state = SCAN_SKIP;
                    i = skip_end(text, i + 1, limit);
                    if (i == limit) break;
                }
                state = SCAN_GAP;
                i = gap_end(text, i + 1, limit);
                if (i == limit) break;
                if (text[i] != '<') {
                    // Text after the blanks (nearly always) is taken here,
                    // and a tag that ends it read without going back to the
                    // loop's top; a stop goes back to the rules.
                    if (is_stop(text[i])) break;
                    state = SCAN_TEXT;
                    i = take_run(text, i, limit);
                    if (i == limit || text[i] != '<') break;
                }
            }
        } else if (c == '}') {
            state = SCAN_GAP;
            i = gap_end(text, i + 1, limit);
        } else if (c == '{') {
            ++i;  // dropped wherever it stands
        } else if (state == SCAN_SKIP) {
            i = skip_end(text, i, limit);  // everything up to the next `}`
        } else if (state == SCAN_TAG) {
            if (c == '>') {
                the_engine.play.clearing_owed = true;
                state = run_tag() ? SCAN_GAP : SCAN_SKIP;
                ++i;
            } else {
                const int32_t end = stretch_end(text, i, limit);
                append_tag(text + i, end - i);
                i = end;
            }
        } else if (c == '>' || (c == ' ' && state == SCAN_GAP)) {
            ++i;  // a `>` outside a tag, and spaces after a tag or a `}`
        } else {
            state = SCAN_TEXT;
            i = take_run(text, i, limit);
        }
    }
    if (the_engine.play.clearing_owed) clear_next_record();
    the_engine.play.scan_state = state;
    the_engine.play.scan_position = static_cast<int16_t>(i <= LAST_READ ? i : LAST_READ);
}

}  // namespace tomelet
