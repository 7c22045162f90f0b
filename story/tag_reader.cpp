#include "story/tag_reader.h"

#include <bit>
#include <cstddef>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "book/short_copy.h"
#include "engine/engine.h"

namespace tomelet {

namespace {

// A reading of the tag: its position, kept in a register while a tag is
// read (the readers are written out where they are used) and stored in
// tag_cursor when the reading stops.  Nothing here trusts the position: a
// position outside the buffer reads as the end of the tag.
//
// `Terminated`: the buffer's last byte is known to be a NUL (as it is for
// every tag the interpreter collects or tag_load stores, which keep at most
// 399 characters).  Every reading stops on a NUL and the position starts
// inside the buffer, so it can never pass that last byte, and the readers
// then leave out the test of the position at every character.  A buffer
// filled to its end with no NUL is read with those tests.
template <bool Terminated>
struct basic_reader {
    int32_t at;

    // Whether `at` lies inside the buffer: always, for a terminated one.
    bool inside() const { return Terminated || (at >= 0 && at < TAG_BUFFER_SIZE); }

    char here() const { return inside() ? the_engine.play.tag_buffer[at] : '\0'; }

    void pass_over(char c) {
        if (here() == c) ++at;
    }

    bool at_end() const { return here() == '\0'; }

    // Digits accumulate, `+` is passed over, `-` is passed over and makes
    // the result negative; any other character (or the end of the tag)
    // ends the number with the position on it.  Wraps modulo 2^32.
    // Written out where it is used: a call would take the reader's address
    // and keep its position in memory for the whole tag.  The books' numbers
    // are a few digits with no sign: those are read first, by a loop that
    // tests nothing else; a sign after them goes on with the whole rule.
    [[gnu::always_inline]] int32_t number() {
        uint32_t value = 0;
        if constexpr (Terminated) {
            for (;;) {
                const auto digit = static_cast<unsigned char>(the_engine.play.tag_buffer[at] - '0');
                if (digit > 9) break;
                value = value * 10u + digit;
                ++at;
            }
            // A sign ('+' or '-', 0x2b or 0x2d) is the only other character
            // that goes on with the number.
            if (((static_cast<unsigned char>(the_engine.play.tag_buffer[at]) - '+') & ~2u) != 0) {
                return static_cast<int32_t>(value);
            }
        }
        bool negative = false;
        while (inside()) {
            const char c = the_engine.play.tag_buffer[at];
            if (c >= '0' && c <= '9') {
                value = value * 10u + static_cast<uint32_t>(c - '0');
            } else if (c == '-') {
                negative = true;
            } else if (c != '+') {
                break;  // the end of the number, or of the tag
            }
            ++at;
        }
        if (negative) value = 0u - value;
        return static_cast<int32_t>(value);
    }

    void skip_to(char ch) {
        while (inside()) {
            const char c = the_engine.play.tag_buffer[at];
            if (c == '\0') break;
            ++at;
            if (c == ch) break;
        }
    }

    // The characters up to `close` or the end of the tag (its NUL, or the
    // end of the buffer), found first and then copied in one piece.
    inline int32_t copy_until(char close, char* dest, int32_t size, int32_t* source_length);

    // A label up to its closing quote, into a field of LABEL_SIZE bytes: as
    // copy_until ('"'), and in one step when it ends within the next 32
    // characters.
    inline int32_t copy_label(char* dest, int32_t* source_length);

    // "Skip a space": only the character right after the tag letter counts.
    void skip_space_after_letter() { at = the_engine.play.tag_buffer[1] == ' ' ? 2 : 1; }

    // skip_to from just after the letter (the position on 1), for a `ch`
    // other than a space: the books write the letter, a space and `ch`
    // (`R %12 3`, `u *2`), which is passed in one step.
    void skip_to_after_letter(char ch) {
        if (the_engine.play.tag_buffer[1] == ' ' && the_engine.play.tag_buffer[2] == ch) {
            at = 3;
        } else {
            skip_to(ch);
        }
    }
};

using reader = basic_reader<false>;

// Whether the tag buffer's last byte is a NUL (see basic_reader).
bool buffer_terminated() { return the_engine.play.tag_buffer[TAG_BUFFER_SIZE - 1] == '\0'; }

// How many characters from tag_buffer[from] on come before the first
// `close` or NUL, or before the end of the buffer when there is neither.
// The buffer is searched in blocks of 16 bytes where the target has SSE2,
// else of 8 in a 64-bit word (a byte of `word ^ repeated(c)` is zero where
// the buffer holds c).  The blocks lie at multiples of their size from the
// buffer's start (its size is a multiple of both), so none reaches past its
// end; the bytes of the first block before `from` are masked off.  (The
// interpreter has just stored the tag in blocks at the same places: a load
// that matches a store is served from it at once.)  Bytes after the tag's
// NUL may be read but never decide anything, since the NUL comes first.
static_assert(TAG_BUFFER_SIZE % 16 == 0);

#if !defined(__SSE2__)
constexpr uint64_t repeated(unsigned char c) { return 0x0101010101010101ull * c; }

// The high bit of every byte of `word` that is zero, and of no other: exact
// in every byte, so flags may be masked off anywhere.
constexpr uint64_t zero_bytes(uint64_t word) {
    return ~(((word & repeated(0x7f)) + repeated(0x7f)) | word | repeated(0x7f));
}
#endif

int32_t span_until(int32_t from, char close) {
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(close);
    const __m128i nul = _mm_setzero_si128();
    int32_t at = from & ~15;
    unsigned skipped = ~0u << (from - at);
    for (; at < TAG_BUFFER_SIZE; at += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(the_engine.play.tag_buffer + at));
        const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(block, wanted), _mm_cmpeq_epi8(block, nul));
        if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits)) & skipped; mask != 0) {
            return at + std::countr_zero(mask) - from;
        }
        skipped = ~0u;
    }
    return TAG_BUFFER_SIZE - from;
#else
    if constexpr (std::endian::native == std::endian::little) {
        const uint64_t wanted = repeated(static_cast<unsigned char>(close));
        int32_t at = from & ~7;
        uint64_t skipped = ~0ull << (8 * (from - at));
        for (; at < TAG_BUFFER_SIZE; at += 8) {
            uint64_t word;
            std::memcpy(&word, the_engine.play.tag_buffer + at, sizeof word);
            const uint64_t flags = (zero_bytes(word) | zero_bytes(word ^ wanted)) & skipped;
            if (flags != 0) return at + std::countr_zero(flags) / 8 - from;
            skipped = ~0ull;
        }
        return TAG_BUFFER_SIZE - from;
    }
    int32_t at = from;
    while (at < TAG_BUFFER_SIZE && the_engine.play.tag_buffer[at] != close && the_engine.play.tag_buffer[at] != '\0') ++at;
    return at - from;
#endif
}

// What copy_until did: the characters stored and those the tag held before
// `close`, and the position after the reading.
struct copied_text {
    int32_t stored;
    int32_t source;
    int32_t next;
};

// copy_until from position `at`, out of line (the reader's position stays
// in a register: its address is never taken).
copied_text copy_text_until(int32_t at, char close, char* dest, int32_t size) {
    int32_t source = 0;
    bool closed = false;
    if (at >= 0 && at < TAG_BUFFER_SIZE) {
        source = span_until(at, close);
        closed = close != '\0' && at + source < TAG_BUFFER_SIZE && the_engine.play.tag_buffer[at + source] == close;
    }
    const int32_t stored = source < size - 1 ? source : size - 1;
    if (stored > 0) copy_short(dest, the_engine.play.tag_buffer + at, stored);
    dest[stored] = '\0';
    return copied_text{stored, source, at + source + (closed ? 1 : 0)};
}

template <bool Terminated>
int32_t basic_reader<Terminated>::copy_until(char close, char* dest, int32_t size, int32_t* source_length) {
    const copied_text copied = copy_text_until(at, close, dest, size);
    at = copied.next;
    if (source_length != nullptr) *source_length = copied.source;
    return copied.stored;
}

// Nearly every label ends within 32 characters of its opening quote: when
// those 32 lie inside the buffer they are loaded once, searched for the
// quote or the NUL and stored whole into the field (which holds 100), the
// NUL then written over the character that ended the label.  The field's
// bytes past that NUL hold the tag's own characters.
template <bool Terminated>
int32_t basic_reader<Terminated>::copy_label(char* dest, int32_t* source_length) {
    static_assert(LABEL_SIZE > 32);
#if defined(__SSE2__)
    if (at >= 0 && at <= TAG_BUFFER_SIZE - 32) {
        const __m128i quote = _mm_set1_epi8('"');
        const __m128i nul = _mm_setzero_si128();
        const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(the_engine.play.tag_buffer + at));
        const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(the_engine.play.tag_buffer + at + 16));
        const auto ends = [&](__m128i block) {
            return static_cast<uint32_t>(
                _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, quote), _mm_cmpeq_epi8(block, nul))));
        };
        if (const uint32_t mask = ends(low) | ends(high) << 16; mask != 0) {
            const int32_t n = std::countr_zero(mask);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dest), low);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dest + 16), high);
            dest[n] = '\0';
            at += n + (the_engine.play.tag_buffer[at + n] == '"' ? 1 : 0);
            *source_length = n;
            return n;
        }
    }
#endif
    return copy_until('"', dest, LABEL_SIZE, source_length);
}

// A hotword's label (position just past the opening quote) or picture,
// then its target.
template <bool Terminated>
inline void read_hotword(basic_reader<Terminated>& r, tag_arguments* t, bool labelled) {
    t->makes_hotword = true;
    t->labelled = labelled;
    if (labelled) {
        t->label_length = r.copy_label(t->label, &t->label_source_length);
    } else {
        r.pass_over('$');
        t->picture = static_cast<int16_t>(r.number());
    }
    r.pass_over(' ');
    t->target1 = static_cast<int16_t>(r.number());
}

// The chances and targets of L and d from `at`, just past the label's
// opening quote; returns the position after them.
int32_t read_chances(int32_t at, tag_arguments* t) {
    reader r{at};
    t->makes_hotword = true;
    t->labelled = true;
    t->label_length = r.copy_label(t->label, &t->label_source_length);
    r.skip_to('(');
    t->chances[0] = static_cast<int8_t>(r.number());
    t->bands = 1;
    r.pass_over(')');
    r.pass_over(' ');
    t->target1 = static_cast<int16_t>(r.number());
    r.pass_over(' ');
    int16_t* band_targets[MAX_BANDS] = {&t->target1, &t->target2, &t->target3};
    for (int32_t band = 1; band < MAX_BANDS && r.here() == '('; ++band) {
        ++r.at;
        t->chances[band] = static_cast<int8_t>(r.number());
        t->bands = band + 1;
        r.pass_over(')');
        r.pass_over(' ');
        *band_targets[band] = static_cast<int16_t>(r.number());
        r.pass_over(' ');
    }
    t->default_target = static_cast<int16_t>(r.number());
    return r.at;
}

// The answers and targets of S from `at`, just past the first `(`;
// returns the position after them.
int32_t read_answers(int32_t at, tag_arguments* t) {
    reader r{at};
    t->makes_hotword = true;
    t->label_length = 0;
    int16_t* band_targets[MAX_BANDS] = {&t->target1, &t->target2, &t->target3};
    int32_t stored = r.copy_until(')', t->answers[0], ANSWER_SIZE, &t->answer_source_lengths[0]);
    t->longest = stored;
    t->bands = 1;
    r.pass_over(')');
    r.pass_over(' ');
    t->target1 = static_cast<int16_t>(r.number());
    r.pass_over(' ');
    for (int32_t band = 1; band < MAX_BANDS && r.here() == '('; ++band) {
        ++r.at;
        stored = r.copy_until(')', t->answers[band], ANSWER_SIZE, &t->answer_source_lengths[band]);
        if (stored > t->longest) t->longest = stored;
        t->bands = band + 1;
        r.pass_over(')');
        r.pass_over(' ');
        *band_targets[band] = static_cast<int16_t>(r.number());
        r.pass_over(' ');
    }
    t->default_target = static_cast<int16_t>(r.number());
    return r.at;
}

// Every field starts at zero and every text empty; the bytes of a text
// past its NUL are not cleared (clearing the whole record for every tag
// cost more than reading most tags).  The numbers stand before the texts
// and are cleared in one piece.
void clear_arguments(tag_arguments* t) {
    static_assert(std::is_standard_layout_v<tag_arguments> && std::is_trivially_copyable_v<tag_arguments>);
    static_assert(VALUE_NUMBER == 0);
    std::memset(t, 0, offsetof(tag_arguments, label));
    t->label[0] = '\0';
    for (char* answer : t->answers) answer[0] = '\0';
}

}  // namespace

void tag_load(const char* text) {
    size_t n = std::strlen(text);
    if (n > TAG_BUFFER_SIZE - 1) n = TAG_BUFFER_SIZE - 1;
    std::memcpy(the_engine.play.tag_buffer, text, n);
    the_engine.play.tag_buffer[n] = '\0';
    the_engine.play.tag_length = static_cast<int16_t>(n);
    the_engine.play.tag_cursor = 1;
}

int32_t read_number() {
    reader r{the_engine.play.tag_cursor};
    const int32_t value = r.number();
    the_engine.play.tag_cursor = static_cast<int16_t>(r.at);
    return value;
}

void skip_to(char ch) {
    reader r{the_engine.play.tag_cursor};
    r.skip_to(ch);
    the_engine.play.tag_cursor = static_cast<int16_t>(r.at);
}

int32_t copy_until(char close, char* dest, int32_t size, int32_t* source_length) {
    reader r{the_engine.play.tag_cursor};
    const int32_t stored = r.copy_until(close, dest, size, source_length);
    the_engine.play.tag_cursor = static_cast<int16_t>(r.at);
    return stored;
}

namespace {

// The plain hotword's shortcut (below) reads labels of fewer than
// PLAIN_LABEL characters.  The furthest it reads: the label's quote at 2,
// the label, its quote, a space, and 8 digits with the character after
// them.
constexpr int32_t PLAIN_LABEL = 32;
static_assert(3 + PLAIN_LABEL + 2 + 8 + 1 <= TAG_BUFFER_SIZE && PLAIN_LABEL < LABEL_SIZE);

// How many of the PLAIN_LABEL characters from `at` (in the tag buffer, at
// most 3 from its start) on come before the first `"` or NUL among them
// (PLAIN_LABEL when there is none): the characters are searched as two
// blocks of 16 from `at` itself (where the target has SSE2), not from the
// block boundaries span_until keeps to, so that a label of up to 31
// characters takes no loop.  Given as a pointer: as an index, it was
// worked out from the pointer and added back (4 instructions a hotword).
int32_t plain_label_length(const char* at) {
#if defined(__SSE2__)
    static_assert(PLAIN_LABEL == 32);
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i nul = _mm_setzero_si128();
    const auto ends = [&](const char* block_at) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block_at));
        return static_cast<uint32_t>(
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, quote), _mm_cmpeq_epi8(block, nul))));
    };
    const uint32_t mask = ends(at) | ends(at + 16) << 16;
    return mask != 0 ? std::countr_zero(mask) : PLAIN_LABEL;
#else
    const int32_t n = span_until(static_cast<int32_t>(at - the_engine.play.tag_buffer), '"');
    return n < PLAIN_LABEL ? n : PLAIN_LABEL;
#endif
}

// A labelled hotword as nearly every M, g and m is written: its letter, at
// most one space, a label between double quotes that ends within
// PLAIN_LABEL characters, at most one space and a target of fewer than 8
// digits, followed by anything but a digit or a sign (the tag's end, as a
// rule).  Read in one step, to the same effect as the general reading
// below, but with fewer tests: the label found and copied as one block,
// the target's digits read without a bound per character.  Returns false
// for any other shape, which the general reading then reads, having
// changed nothing but bytes of the label past its NUL.
bool read_plain_hotword(tag_arguments* t) {
    const char* const tag = the_engine.play.tag_buffer;
    const char* at = tag + 1;
    if (*at == ' ') ++at;
    if (*at != '"') return false;
    const char* const label = at + 1;
    const int32_t n = plain_label_length(label);
    if (n >= PLAIN_LABEL || label[n] != '"') return false;
    // The label is copied at once, while the blocks just searched are
    // still at hand (after the target's reading they were loaded again).
    // The block brings characters of the tag past the label's end, behind
    // its NUL, as the general reading's copy may.
    std::memcpy(t->label, label, PLAIN_LABEL);
    at = label + n + 1;
    if (*at == ' ') ++at;
    const char* const digits = at;
    uint32_t target = 0;
    for (; at < digits + 8; ++at) {
        const auto digit = static_cast<unsigned char>(*at - '0');
        if (digit > 9) break;
        target = target * 10 + digit;
    }
    if (at == digits + 8 || *at == '+' || *at == '-') {
        t->label[0] = '\0';
        return false;
    }
    t->label[n] = '\0';
    t->makes_hotword = true;
    t->labelled = true;
    t->label_length = n;
    t->label_source_length = n;
    t->target1 = static_cast<int16_t>(target);
    the_engine.play.tag_cursor = static_cast<int16_t>(at - tag);
    return true;
}

// Every tag's reading but the plain hotword's shortcut, with the position
// tested at every character or not (see basic_reader).  `kind` is the
// letter the reading is chosen by: t->letter, or a constant of the same
// case where the caller knows the letter already (which leaves the choice
// to the compiler).
template <bool Terminated>
[[gnu::always_inline]] inline void read_arguments_with(tag_arguments* t, char kind) {
    basic_reader<Terminated> r{1};
    // Where the tag goes on to a hotword: M, g, m, N, Q, R and r to a label
    // (a quote opens it) or a picture, u to a label just past its quote.
    // Read after the switch, in one place, so that the position stays in a
    // register.
    enum { NO_HOTWORD, LABEL_OR_PICTURE, LABEL } hotword = NO_HOTWORD;
    switch (kind) {
        case 'A':
        case 'V':
        case 'v':
        case 'W':
        case 'n':
        case 'p':
            r.skip_space_after_letter();
            t->number = static_cast<int16_t>(r.number());
            break;
        case 'M':
        case 'g':
        case 'm':
            r.skip_space_after_letter();
            hotword = LABEL_OR_PICTURE;
            break;
        case 'N':
        case 'Q':
            r.skip_to_after_letter('%');
            t->number = static_cast<int16_t>(r.number());
            r.pass_over(' ');
            t->immediate = r.at_end();
            if (!t->immediate) hotword = LABEL_OR_PICTURE;
            break;
        case 'R':
        case 'r':
            r.skip_to_after_letter('%');
            t->number = static_cast<int16_t>(r.number());
            r.pass_over(' ');
            if (t->letter == 'R' && r.here() == '%') {
                ++r.at;
                t->value_form = VALUE_VARIABLE;
                t->value_number = static_cast<int16_t>(r.number());
            } else if (t->letter == 'R' && r.here() == 'z') {
                ++r.at;
                t->value_form = VALUE_RANDOM;
            } else {
                t->value_form = VALUE_NUMBER;
                t->value_number = static_cast<int16_t>(r.number());
            }
            r.pass_over(' ');
            t->immediate = r.at_end();
            if (!t->immediate) hotword = LABEL_OR_PICTURE;
            break;
        case 'l':
            r.skip_to_after_letter('%');
            t->number = static_cast<int16_t>(r.number());
            break;
        case 's':
            r.skip_to_after_letter('*');
            t->number = static_cast<int16_t>(r.number());
            break;
        case 'u':
            r.skip_to_after_letter('*');
            t->number = static_cast<int16_t>(r.number());
            r.skip_to('"');
            hotword = LABEL;
            break;
        case 'L':
        case 'd':
            r.skip_to('"');
            r.at = read_chances(r.at, t);
            break;
        case 'S':
            r.skip_to('(');
            r.at = read_answers(r.at, t);
            break;
        default:
            break;
    }
    if (hotword != NO_HOTWORD) {
        bool labelled = true;
        if (hotword == LABEL_OR_PICTURE) {
            labelled = r.here() == '"';
            if (labelled) ++r.at;
        }
        read_hotword(r, t, labelled);
    }
    the_engine.play.tag_cursor = static_cast<int16_t>(r.at);
}

// Out of line, so that the plain hotword's caller stays small.
[[gnu::noinline]] void read_arguments(tag_arguments* t) {
    if (buffer_terminated()) {
        read_arguments_with<true>(t, t->letter);
    } else {
        read_arguments_with<false>(t, t->letter);
    }
}

// parse_tag for a tag whose letter is one `kind` is read as.
template <char Kind>
void parse_known_tag(tag_arguments* t) {
    clear_arguments(t);
    t->letter = the_engine.play.tag_buffer[0];
    if (buffer_terminated()) {
        read_arguments_with<true>(t, Kind);
    } else {
        read_arguments_with<false>(t, Kind);
    }
}

}  // namespace

void parse_tag(tag_arguments* t) {
    clear_arguments(t);
    t->letter = the_engine.play.tag_buffer[0];
    if ((t->letter == 'M' || t->letter == 'g' || t->letter == 'm') && read_plain_hotword(t)) return;
    read_arguments(t);
}

// Out of line: written out in the scanner they saved no more than a call
// (2.8 K instructions a pass) and made its loop larger.
[[gnu::noinline]] void parse_assignment_tag(tag_arguments* t) { parse_known_tag<'R'>(t); }

// The letter is M, g or m: only the test of the letter is left out (about
// 4 instructions of a plain hotword's reading).
[[gnu::noinline]] void parse_hotword_tag(tag_arguments* t) {
    clear_arguments(t);
    t->letter = the_engine.play.tag_buffer[0];
    if (read_plain_hotword(t)) return;
    read_arguments(t);
}

[[gnu::noinline]] void parse_value_name_tag(tag_arguments* t) { parse_known_tag<'l'>(t); }

}  // namespace tomelet
