// The book image writer: any book's tables as one block of bytes that
// load_book_image (book/image.h) takes back; docs/book-image.md gives the
// format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "book/book.h"

namespace tomelet::bookc {

// The image of `book`.  Empty, with `problem` saying why, when the book
// does not fit an image: more rows in a table than the loader takes, or
// more than 4 GB in all.
std::vector<uint8_t> write_book_image(const book_tables& book, std::string* problem);

}  // namespace tomelet::bookc
