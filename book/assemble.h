// Paragraph assembly: a paragraph's words joined into its marked-up text.
#pragma once

#include <cstdint>

namespace tomelet {

// Bytes of the paragraph text buffer, and the most characters of text it
// may hold.
constexpr int32_t PARAGRAPH_TEXT_SIZE = 3320;
constexpr int32_t PARAGRAPH_TEXT_LIMIT = 3316;

// Appended after every word.
extern const char word_separator[2];

// The size of the buffer an assembly leaves its problem's message in.
constexpr int32_t ASSEMBLY_MESSAGE_SIZE = 100;

// Fills `destination` (PARAGRAPH_TEXT_SIZE bytes) with paragraph n's words,
// each followed by one space, and returns true.  A number without a
// paragraph (chunk -1, or outside the index) leaves the destination as it
// was.  A paragraph whose text would pass PARAGRAPH_TEXT_LIMIT characters
// keeps only the words that fit whole: assembly stops at the first word
// that would pass the limit, so nothing is written beyond the buffer.  In
// both cases the result is false and `message` (ASSEMBLY_MESSAGE_SIZE
// bytes) holds what the reader is to be shown, once: "Paragraph %d does not
// exist", or "%d is Too many words" with the paragraph's word count.  The
// book never talks to the reader itself; whoever builds the page shows it.
// Whenever the destination is written (the result true, or false for too
// many words), *length (when given) receives the text's length, so that
// whoever reads the text need not measure it: destination[*length] is its
// NUL.  A number without a paragraph leaves *length as it was.
bool assemble_paragraph(int32_t n, char* destination, char* message, int32_t* length = nullptr);

}  // namespace tomelet
