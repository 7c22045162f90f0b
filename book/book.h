// The book as data: its text chunks, paragraph index and catalogues.
//
// A book is compiled from its source folder by the book compiler
// (tools/bookc) into one constant `book_tables` record, generated C++ with
// exactly the book's sizes, or into a book image that book/image.h checks
// and loads at run time.  The record is read-only: what a reader changes
// (the variables' values and flags, the restart points, the state record)
// is the story's state (story/story_state.h).  The engine reads the book in
// use through the engine object's `book.tables` (book/book_state.h).  Tests and the compiler itself build books in
// memory with the same record.
#pragma once

#include <cstdint>

namespace tomelet {

// One row of the paragraph index.  chunk -1: no such paragraph.
struct paragraph_row {
    int16_t chunk;
    int32_t first;  // index in the chunk's word sequence of the first word
    int32_t end;    // one past the last word; first == end: empty paragraph
};

// One word chunk: a sequence of 16-bit offsets into a pool of
// NUL-terminated words, de-duplicated within the chunk, and in step with
// the sequence each word's length, so that assembling a paragraph copies
// words without measuring them.  A length of LONG_WORD stands for a word
// of LONG_WORD characters or more, which is measured.  A chunk with lengths
// has POOL_PADDING more NUL bytes after its pool's last word, so that 8
// bytes can be read from the start of any word: a word of fewer than 8
// characters is copied as one 8-byte block.
constexpr uint8_t LONG_WORD = 255;
constexpr int32_t POOL_PADDING = 7;

struct chunk_row {
    const uint16_t* sequence;
    const char* pool;
    const uint8_t* lengths;  // nullptr: every word is measured
};

// The length to store for `word`: its length, or LONG_WORD.
inline uint8_t stored_length(const char* word) {
    int32_t n = 0;
    while (n < LONG_WORD && word[n] != '\0') ++n;
    return static_cast<uint8_t>(n);
}

struct picture_row {
    uint16_t resource;  // bitmap resource number
    uint16_t width;     // from the book's design; the engine does not read it
    uint16_t height;    // likewise
    const char* alt = nullptr;  // the picture's alternative text; nullptr or "" for none
};

// One story variable of the catalogue.  Its value and flag are the story's
// (variable_state_at).
struct variable_row {
    const char* name;
    uint8_t value_count;
    int16_t detail_target;  // paragraph number minus one of its detail page
    const char* const* value_names;  // value_count names
};

// A variable's live fields, which the story keeps (story/story_state.h):
// declared with the catalogue so that a reader of both needs no more.
struct variable_state {
    uint8_t value;  // an index into the variable's value names (may be anything a file held)
    uint8_t flag;   // the held flag
};

// A restart point's live fields, which the story keeps (story/story_state.h).
struct restart_state {
    uint8_t set;        // 1 once saved
    int16_t paragraph;  // the target it leads back to
};

// One restart point of the catalogue.  Whether it is set and where it
// leads are the story's (restart_state_at).
struct restart_point {
    const char* name;
    int16_t initial_paragraph;  // the target it leads to until it is saved
};

struct book_info_record {
    const char* title;
    const char* copyright;
    const char* authors;
    int16_t opening_picture;
    const char* description;
    int16_t title_picture;
    const char* web_site;
    const char* contact_address;
    const char* support_address;
    // The book's identity: letters and digits, 1 to BOOK_ID_MAX of them.  It
    // names the state file (id followed by ".dat"), the browser storage key
    // and lock, and the Windows window class, so that two books never share
    // a place.  nullptr or "": the book says none (only a record made by
    // hand; the compiler always gives one), and FALLBACK_BOOK_ID is used.
    const char* id = nullptr;
    // The book's IFID (a UUID in uppercase hex with hyphens), or nullptr.
    // The engine does not read it; the published files carry it.
    const char* ifid = nullptr;
};

// The longest book id, and the id of a book record that gives none.
constexpr int32_t BOOK_ID_MAX = 32;
inline constexpr char FALLBACK_BOOK_ID[] = "tomelet";

// A resource embedded in the program: a bitmap by number or a sound by name.
struct book_resource {
    const char* name;      // sounds: the resource name; bitmaps: nullptr
    uint16_t number;       // bitmaps: the resource number; sounds: 0
    const uint8_t* bytes;  // the file's bytes (BMP or WAV)
    uint32_t size;
};

// The most variables and restart points a book may have: the story keeps
// their live state in fixed tables of these sizes, so the compiler refuses
// a larger book and the image loader a larger image.
constexpr int32_t MAX_VARIABLES = 1024;
constexpr int32_t MAX_RESTART_POINTS = 32;

// Everything the engine knows of a book; read-only.
struct book_tables {
    int16_t paragraph_count;               // rows 1..paragraph_count
    const paragraph_row* paragraph_index;  // paragraph_count + 1 rows; row 0 unused
    int16_t chunk_count;
    const chunk_row* chunk_table;
    int16_t picture_count;
    const picture_row* picture_catalogue;
    int16_t sound_count;
    const char* const* sound_catalogue;
    int16_t variable_count;
    const variable_row* variable_catalogue;
    int16_t restart_point_count;
    const restart_point* restart_points;
    const book_info_record* book_info;
    int32_t resource_count;
    const book_resource* resources;
};

// Makes `book` the book in use (book_state's `tables`).  Set once at
// start-up (and by tests) with book_use (story/story_state.h), which also
// resets the story's state; the layers below the story select it with
// book_select alone.
void book_select(const book_tables* book);
// The book in use; null before one is selected.  For the back ends, which
// read its embedded pictures and sounds.
const book_tables* book_in_use();

// Bytes of the state record of a book with these counts: a 32-byte head,
// 16 bytes per variable, a snapshot of 2 bytes per variable per restart
// point, one set byte per restart point and 3 reserved bytes.  116
// variables and 5 restart points give 3056.
constexpr int32_t state_record_size(int32_t variables, int32_t restart_point_count) {
    return 32 + 16 * variables + 2 * variables * restart_point_count + restart_point_count + 3;
}

// The id of the book in use: its own when it gives a valid one (1 to
// BOOK_ID_MAX letters and digits), else FALLBACK_BOOK_ID.
const char* book_id();
// Whether `id` is 1 to BOOK_ID_MAX ASCII letters and digits.
bool book_id_valid(const char* id);

// Bounds-checked lookups.  Every number that reaches them comes from book
// markup or from a loaded file, so none of them trusts it: a number outside
// its table gives nullptr.
const paragraph_row* paragraph_at(int32_t n);
const picture_row* picture_at(int32_t n);
const char* sound_name(int32_t n);
const variable_row* variable_at(int32_t n);
const restart_point* restart_point_at(int32_t k);
// The name of `value` of `variable`; nullptr when the value is at or above
// the variable's value count (a loaded file may hold any byte).
const char* value_name(const variable_row* variable, int32_t value);

}  // namespace tomelet
