// A book image: the whole book as one block of bytes, written by the book
// compiler (`tomelet-bookc BOOK --image FILE`) and taken by the engine at
// run time instead of the tables compiled in.  docs/book-image.md gives the
// format: a versioned, checksummed header, then tables that refer to each
// other and to their texts by offsets, never by pointers.
//
// The loader takes an image as untrusted input: it checks the header, the
// checksum, every count against the loader's limits and every offset,
// table and text against the image's bounds before it hands out a book,
// and refuses anything else with a reason.  A loaded book is read in place:
// its texts, word pools and word sequences, its paragraph index and its
// resources' bytes stay in the image, which the caller keeps, unchanged, for
// as long as the book is in use.  The tables of pointers the engine reads
// (chunks, catalogues, book info) are filled into a `loaded_book`, a record
// of fixed size: loading allocates nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "book/book.h"

namespace tomelet {

// "TMLTBOOK", the first 8 bytes of every image.
extern const uint8_t BOOK_IMAGE_MAGIC[8];
constexpr uint32_t BOOK_IMAGE_VERSION = 2;
constexpr uint32_t BOOK_IMAGE_HEADER_SIZE = 104;

// The most rows of each table a loaded book may have (the variables and
// restart points are limited for every book: MAX_VARIABLES,
// MAX_RESTART_POINTS).
constexpr int32_t IMAGE_MAX_CHUNKS = 1024;
constexpr int32_t IMAGE_MAX_PICTURES = 4096;
constexpr int32_t IMAGE_MAX_SOUNDS = 4096;
constexpr int32_t IMAGE_MAX_VALUE_NAMES = 16384;  // all variables' together
constexpr int32_t IMAGE_MAX_RESOURCES = 4096;

// The tables of a loaded book: its book_tables record and the rows it
// points to, pointing in turn into the image.
struct loaded_book {
    book_tables tables;
    chunk_row chunks[IMAGE_MAX_CHUNKS];
    picture_row pictures[IMAGE_MAX_PICTURES];
    const char* sounds[IMAGE_MAX_SOUNDS];
    variable_row variables[MAX_VARIABLES];
    // Each variable's value names, then nullptr, one variable after the other.
    const char* value_names[IMAGE_MAX_VALUE_NAMES + MAX_VARIABLES];
    restart_point restart_points[MAX_RESTART_POINTS];
    book_info_record info;
    book_resource resources[IMAGE_MAX_RESOURCES];
};

// Bytes of the buffer a refusal's reason is written into.
constexpr int32_t IMAGE_REASON_SIZE = 160;

// Checks `bytes` (size bytes, at an address aligned to 4) as a book image
// and fills `into` with its tables: true, and into->tables is the book.
// False when the image is refused; `reason` (IMAGE_REASON_SIZE bytes, or
// nullptr) then tells why, in one line for the person who gave the image
// ("the checksum does not match: the image is damaged"), and into->tables
// is an empty book (no paragraphs, no tables).  The image's bytes must stay as they are for as long as
// the book is in use.
bool load_book_image(const uint8_t* bytes, size_t size, loaded_book* into, char* reason);

// The image checksum: CRC-32 (the polynomial of zip and PNG, reflected,
// 0xEDB88320) of `size` bytes.
uint32_t image_checksum(const uint8_t* bytes, size_t size);

}  // namespace tomelet
