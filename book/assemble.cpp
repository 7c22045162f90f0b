#include "book/assemble.h"

#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "book/short_copy.h"
#include "engine/engine.h"

namespace tomelet {

const char word_separator[2] = " ";

namespace {

// The words [first, end) of a chunk, each followed by the separator, into
// `destination`; their count on success, else -1 with the text so far
// kept.  With `known` the lengths are the chunk's, else every word is
// measured (and the pool need not be padded).  Everything the loop reads
// is held in locals: the stores into
// the destination cannot then make the compiler read them again.
template <bool known>
int32_t join_words(const chunk_row& chunk, int32_t first, int32_t end, char* destination) {
    const uint16_t* sequence = chunk.sequence;
    const char* pool = chunk.pool;
    const uint8_t* lengths = chunk.lengths;
    const char separator = word_separator[0];
    int32_t length = 0;
    for (int32_t i = first; i < end; ++i) {
        const char* word = pool + sequence[i];
        int32_t word_length = known ? lengths[i] : LONG_WORD;
        if (word_length == LONG_WORD) [[unlikely]] {
            const size_t measured = std::strlen(word);
            word_length = measured < PARAGRAPH_TEXT_LIMIT ? static_cast<int32_t>(measured) : PARAGRAPH_TEXT_LIMIT;
        }
        if (length + word_length >= PARAGRAPH_TEXT_LIMIT) [[unlikely]] {
            destination[length] = '\0';
            return -1;
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

bool assemble_paragraph(int32_t n, char* destination, char* message) {
    const paragraph_row* row = paragraph_at(n);
    if (row == nullptr || row->chunk < 0 || row->chunk >= the_engine.book.tables->chunk_count) {
        std::snprintf(message, ASSEMBLY_MESSAGE_SIZE, "Paragraph %d does not exist", static_cast<int>(n));
        return false;
    }
    const chunk_row& chunk = the_engine.book.tables->chunk_table[row->chunk];
    const int32_t joined = chunk.lengths != nullptr ? join_words<true>(chunk, row->first, row->end, destination)
                                                    : join_words<false>(chunk, row->first, row->end, destination);
    if (joined < 0) {
        std::snprintf(message, ASSEMBLY_MESSAGE_SIZE, "%d is Too many words", static_cast<int>(row->end - row->first));
        return false;
    }
    return true;
}


}  // namespace tomelet
