#include "book/assemble.h"

#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "book/short_copy.h"
#include "engine/engine.h"

namespace tomelet {

const char word_separator[2] = " ";

namespace {

// Most of a paragraph lies far from the limit: while the text is shorter
// than FAR, a word of fewer than LONG_WORD characters and its separator
// cannot reach PARAGRAPH_TEXT_LIMIT, and an 8-byte block written at its
// end stays inside the buffer.  There the words are copied without a test
// of the limit: one of fewer than 8 characters as one 8-byte block (the
// word, its NUL and what follows it in the padded pool), one of up to 16
// as two blocks that overlap.  Both tables are read with one index,
// counting up to 0.  Nor is the text's length tested at every word: a word
// of at most SHORT_WORD characters adds at most SHORT_WORD + 1 to the
// text, so a run of such words whose count is worked out from the room
// left before FAR all start before it; the run is cut short by a longer
// word, which is copied on its own, and the next run is counted from
// there.  The run's loop is unrolled eight times: its own count and jump
// had been two of a short word's 14 instructions.  Stops at the first word
// it leaves to the careful loop below (a LONG_WORD, or the text grown to
// FAR) and returns its index; *length is the text's length so far.
constexpr int32_t FAR = PARAGRAPH_TEXT_LIMIT - LONG_WORD - 1;
static_assert(FAR > 0 && FAR + LONG_WORD < PARAGRAPH_TEXT_LIMIT && FAR + 8 <= PARAGRAPH_TEXT_SIZE);
constexpr intptr_t SHORT_WORD = 16;

int32_t join_far_from_limit(const uint16_t* sequence, const char* pool, const uint8_t* lengths, int32_t first,
                            int32_t end, char* destination, int32_t* length) {
    const char separator = word_separator[0];
    char* out = destination + *length;
    char* const far = destination + FAR;
    const uint16_t* const sequence_end = sequence + end;
    const uint8_t* const lengths_end = lengths + end;
    intptr_t k = static_cast<intptr_t>(first) - end;
    while (k < 0 && out < far) {
        // The run's words j = 0, 1, ... start at most (SHORT_WORD + 1) * j
        // past `out`, before FAR for every j below `run`.
        const intptr_t run = (far - out + SHORT_WORD) / (SHORT_WORD + 1);
        const intptr_t stop = run < -k ? k + run : 0;
#pragma GCC unroll 8
        for (; k < stop; ++k) {
            const char* word = pool + sequence_end[k];
            const uint32_t n = lengths_end[k];
            uint64_t head;
            std::memcpy(&head, word, 8);
            if (n >= 8) [[unlikely]] {
                if (n > SHORT_WORD) break;
                uint64_t tail;
                std::memcpy(&tail, word + n - 8, 8);
                std::memcpy(out + n - 8, &tail, 8);
            }
            std::memcpy(out, &head, 8);
            // The separator goes behind the position once moved on: one
            // copy of the length fewer than out[n] first.
            out += n + 1;
            out[-1] = separator;
        }
        if (k == stop) continue;
        // A longer word, which starts before FAR.
        const uint32_t n = lengths_end[k];
        if (n == LONG_WORD) break;
        copy_short(out, pool + sequence_end[k], n);
        out[n] = separator;
        out += n + 1;
        ++k;
    }
    *length = static_cast<int32_t>(out - destination);
    return static_cast<int32_t>(end + k);
}

// The words [first, end) of a chunk, each followed by the separator, into
// `destination`; returns the text's length (its NUL at that index), or,
// when a word would have passed the limit, ~length of the text so far,
// which is kept (a negative number).  With `known` the lengths are the
// chunk's, else every word is measured (and the pool need not be padded).
// Everything the loop reads is held in locals: the stores into the
// destination cannot then make the compiler read them again.
template <bool known>
int32_t join_words(const chunk_row& chunk, int32_t first, int32_t end, char* destination) {
    const uint16_t* sequence = chunk.sequence;
    const char* pool = chunk.pool;
    const uint8_t* lengths = chunk.lengths;
    const char separator = word_separator[0];
    int32_t length = 0;
    int32_t i = first;
    if constexpr (known) i = join_far_from_limit(sequence, pool, lengths, i, end, destination, &length);
    for (; i < end; ++i) {
        const char* word = pool + sequence[i];
        int32_t word_length = known ? lengths[i] : LONG_WORD;
        if (word_length == LONG_WORD) [[unlikely]] {
            const size_t measured = std::strlen(word);
            word_length = measured < PARAGRAPH_TEXT_LIMIT ? static_cast<int32_t>(measured) : PARAGRAPH_TEXT_LIMIT;
        }
        if (length + word_length >= PARAGRAPH_TEXT_LIMIT) [[unlikely]] {
            destination[length] = '\0';
            return ~length;
        }
        if (known && word_length < 8 && length + 8 <= PARAGRAPH_TEXT_SIZE) {
            // One block: the word, its NUL and what follows it in the
            // padded pool; the separator and the next word cover the rest.
            uint64_t block;
            std::memcpy(&block, word, 8);
            std::memcpy(destination + length, &block, 8);
        } else {
            // A word of no characters copies its NUL, which the separator
            // then covers.
            copy_short(destination + length, word, static_cast<size_t>(word_length));
        }
        length += word_length;
        destination[length++] = separator;
    }
    destination[length] = '\0';
    return length;
}

}  // namespace

bool assemble_paragraph(int32_t n, char* destination, char* message, int32_t* length) {
    const paragraph_row* row = paragraph_at(n);
    if (row == nullptr || row->chunk < 0 || row->chunk >= the_engine.book.tables->chunk_count) {
        std::snprintf(message, ASSEMBLY_MESSAGE_SIZE, "Paragraph %d does not exist", static_cast<int>(n));
        return false;
    }
    const chunk_row& chunk = the_engine.book.tables->chunk_table[row->chunk];
    const int32_t joined = chunk.lengths != nullptr ? join_words<true>(chunk, row->first, row->end, destination)
                                                    : join_words<false>(chunk, row->first, row->end, destination);
    if (length != nullptr) *length = joined >= 0 ? joined : ~joined;
    if (joined < 0) {
        std::snprintf(message, ASSEMBLY_MESSAGE_SIZE, "%d is Too many words", static_cast<int>(row->end - row->first));
        return false;
    }
    return true;
}


}  // namespace tomelet
