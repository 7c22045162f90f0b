#include "book/assemble.h"

#include <cstdio>
#include <cstring>

#include "book/book.h"

namespace tomelet {

const char word_separator[2] = " ";
char paragraph_text[PARAGRAPH_TEXT_SIZE];

bool assemble_paragraph(int32_t n, char* destination, char* message) {
    const paragraph_row* row = paragraph_at(n);
    if (row == nullptr || row->chunk < 0 || row->chunk >= the_book->chunk_count) {
        std::snprintf(message, ASSEMBLY_MESSAGE_SIZE, "Paragraph %d does not exist", static_cast<int>(n));
        return false;
    }
    const chunk_row& chunk = the_book->chunk_table[row->chunk];
    int32_t length = 0;
    destination[0] = '\0';
    for (int32_t i = row->first; i < row->end; ++i) {
        const char* word = chunk.pool + chunk.sequence[i];
        const size_t word_length = std::strlen(word);
        if (length + static_cast<int64_t>(word_length) + 1 > PARAGRAPH_TEXT_LIMIT) {
            std::snprintf(message, ASSEMBLY_MESSAGE_SIZE, "%d is Too many words",
                          static_cast<int>(row->end - row->first));
            return false;
        }
        std::memcpy(destination + length, word, word_length);
        length += static_cast<int32_t>(word_length);
        destination[length++] = word_separator[0];
        destination[length] = '\0';
    }
    return true;
}

}  // namespace tomelet
