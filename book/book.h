// The book as data: its text chunks, paragraph index and catalogues.
//
// A book is compiled from its source folder by the book compiler
// (tools/bookc) into one constant `book_tables` record plus the storage for
// the book's live state, all generated C++ with exactly the book's sizes.
// The engine reads the book in use through `the_book`; nothing of a book is
// read from disk at run time.  Tests and the compiler itself build books in
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
// NUL-terminated words, de-duplicated within the chunk.
struct chunk_row {
    const uint16_t* sequence;
    const char* pool;
};

struct picture_row {
    uint16_t resource;  // bitmap resource number
    uint16_t width;     // from the book's design; the engine does not read it
    uint16_t height;    // likewise
    const char* alt = nullptr;  // the picture's alternative text; nullptr or "" for none
};

// One story variable: catalogue data plus the two live fields.
struct variable_row {
    const char* name;
    uint8_t value;         // live: index into value_names (may be anything a file held)
    uint8_t flag;          // live: the held flag
    uint8_t value_count;
    int16_t detail_target;  // paragraph number minus one of its detail page
    const char* const* value_names;  // value_count names
};

// One restart point: catalogue data plus the two live fields.
struct restart_point {
    const char* name;
    uint8_t set;                // live: 1 once saved
    int16_t paragraph;          // live: target to return to
    int16_t initial_paragraph;  // the book's value for `paragraph`
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

// Everything the engine knows of a book.  Pointers to live storage are
// non-const: the compiler generates that storage with the book's sizes.
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
    variable_row* variable_catalogue;
    int16_t restart_point_count;
    restart_point* restart_points;
    // restart_point_count snapshots of variable_count (flag, value) pairs.
    uint8_t* restart_snapshots;
    // The state record image; state_record_size(variable_count,
    // restart_point_count) bytes.
    uint8_t* state_record;
    int16_t* inventory_ids;  // variable_count entries
    const book_info_record* book_info;
    int32_t resource_count;
    const book_resource* resources;
};

// The book in use.  Set once at start-up (and by tests) with book_use.
extern const book_tables* the_book;

// Makes `book` the book in use and sets its live state to the book's
// initial values: every variable's value and flag 0, every restart point
// unset with its book paragraph, snapshots and state record zero, and no
// inventory ids (-1).
void book_use(const book_tables* book);

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
variable_row* variable_at(int32_t n);
restart_point* restart_point_at(int32_t k);
// The name of `value` of `variable`; nullptr when the value is at or above
// the variable's value count (a loaded file may hold any byte).
const char* value_name(const variable_row* variable, int32_t value);
// Snapshot k of the restart points: variable_count (flag, value) pairs.
uint8_t* restart_snapshot(int32_t k);

}  // namespace tomelet
