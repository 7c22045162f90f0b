// The book layer's state: which book is in use and the paragraph text
// buffer.  A part of the engine object (engine/engine.h); the initial
// values below are those of a new process.
#pragma once

#include "book/assemble.h"

namespace tomelet {

struct book_tables;

struct book_state {
    // The book in use; null until one is selected (book_select).
    const book_tables* tables = nullptr;
    // The paragraph text buffer, filled only by assemble_paragraph.
    char paragraph_text[PARAGRAPH_TEXT_SIZE];
};

}  // namespace tomelet
