// The book layer's state: which book is in use, the book taken from an
// image, and the paragraph text buffer.  A part of the engine object
// (engine/engine.h); the initial values below are those of a new process.
#pragma once

#include "book/assemble.h"
#include "book/image.h"

namespace tomelet {

struct book_tables;

// The book taken from an image.  The tables are left zero, as static
// storage is, instead of having their pictures' default texts written at
// start-up: the union's constructor initialises nothing, so no page of
// them is touched before an image is loaded.
union image_storage {
    constexpr image_storage() {}
    loaded_book book;
};

struct book_state {
    // The book in use; null until one is selected (book_select).
    const book_tables* tables = nullptr;
    // The book taken from an image (app_start_with_image).
    image_storage image;
    // The paragraph text buffer, filled only by assemble_paragraph.
    char paragraph_text[PARAGRAPH_TEXT_SIZE];
};

}  // namespace tomelet
