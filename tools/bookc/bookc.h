// The book compiler: reads a book source folder (the catalogue book.toml and
// the paragraph text files), checks it, and produces the book's tables, in
// memory (for tests and tools) and as generated C++ (for the programs).
//
// The compiler reads every tag through the engine's own tag reader and runs
// every condition through the engine's own evaluator, so a book that
// compiles means to the reader exactly what it meant to the compiler.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "book/book.h"
#include "tools/bookc/charset.h"
#include "tools/bookc/story_graph.h"

namespace tomelet::bookc {

// The largest pool a chunk may hold (its offsets are 16-bit), and the size
// at which the compiler stops adding paragraphs to a chunk and opens the
// next one, so that a large book is split into several chunks of moderate
// size.
constexpr int32_t POOL_LIMIT = 65536;
constexpr int32_t CHUNK_TARGET = 24000;
// More hotword-making tags than this in one paragraph overflow the page's
// hotword records.
constexpr int32_t MAX_HOTWORD_TAGS = 99;

// The most errors a compilation reports: then it stops, with the note
// "too many errors, stopping".  As many warnings are kept; the rest are
// counted, and one note says how many were left out.
constexpr int32_t MAX_ERRORS = 200;
constexpr int32_t MAX_WARNINGS = 200;

struct diagnostic {
    std::string file;  // empty: a note about the compilation as a whole
    int32_t line = 0;  // 0: the file as a whole
    int32_t column = 0;  // 1 for the line's first character; 0: not known
    bool is_error = true;
    std::string message;  // UTF-8, book text included

    // "FILE:LINE:COLUMN: error: MESSAGE" (or "warning"), without the
    // column or the line when they are not known; a note without a file is
    // "tomelet-bookc: MESSAGE".
    std::string text() const;
};

// One word chunk as it is stored: its pool of NUL-terminated words in order
// of first occurrence and its sequence of offsets into the pool.
struct compiled_chunk {
    std::string pool;
    std::vector<uint16_t> sequence;
    int32_t distinct_words = 0;
    int32_t paragraphs = 0;
};

struct compiled_picture {
    uint16_t resource = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    std::string alt;  // in the reader's character set; "" for none
    std::string file;  // the picture's file as book.toml names it; "" for none
};

struct compiled_variable {
    std::string name;
    int16_t detail_target = 0;
    std::vector<std::string> values;
};

struct compiled_restart_point {
    std::string name;
    int16_t target = 0;
};

struct compiled_info {
    std::string title;
    std::string copyright;
    std::string authors;
    int16_t opening_picture = -1;
    std::string description;
    int16_t title_picture = -1;
    std::string web_site;
    std::string contact_address;
    std::string support_address;
    std::string id;    // letters and digits, 1 to 32: given, or made from the title
    std::string ifid;  // a UUID in uppercase hex with hyphens; "" when not given
};

// The id a book without `id` gets: the ASCII letters and digits of its title
// in order, the first 32 of them; "" when the title has none.
std::string id_from_title(const std::string& title);
// The book's details as JSON (UTF-8), for the publishing tool: id, ifid,
// title, authors, copyright, description, web_site, contact_address,
// support_address, and title_picture (its file as book.toml names it, or
// null).
class compiled_book;
std::string details_json(const compiled_book& book);

// Whether `id` is 1 to 32 ASCII letters and digits.
bool valid_book_id(const std::string& id);
// Whether `ifid` is a UUID written as the book's IFID: 8-4-4-4-12 hex
// digits, uppercase, with hyphens.
bool valid_ifid(const std::string& ifid);
// A fresh random (version 4) UUID in that form.
std::string fresh_ifid();

// An embedded bitmap (by number) or sound (by name) with its file's bytes.
struct compiled_resource {
    bool is_sound = false;
    std::string name;     // sounds
    uint16_t number = 0;  // bitmaps
    std::vector<uint8_t> bytes;
};

// A compiled book.  All texts are in the reader's 8-bit character set.
// tables () gives the book as the engine reads it; the record and the live
// storage it points to belong to this object, which therefore never moves.
class compiled_book {
public:
    compiled_book() = default;
    compiled_book(const compiled_book&) = delete;
    compiled_book& operator=(const compiled_book&) = delete;

    int16_t paragraph_count = 0;
    std::vector<paragraph_row> index;  // paragraph_count + 1 rows; row 0 unused
    std::vector<compiled_chunk> chunks;
    std::vector<compiled_picture> pictures;
    std::vector<std::string> sounds;
    std::vector<compiled_variable> variables;
    std::vector<compiled_restart_point> restart_points;
    compiled_info info;
    std::vector<compiled_resource> resources;
    // The program's icon (an .ico file's bytes); empty when the book gives
    // none.  Only the Windows reader's resources carry it.
    std::vector<uint8_t> icon;

    // Characters of paragraph n as assembled (each word and one space).
    int32_t assembled_length(int32_t n) const;

    // The book as the engine reads it, with its own live storage (built on
    // the first call).  Use it with book_use.
    const book_tables* tables();

private:
    struct live_storage;
    std::shared_ptr<live_storage> live_;
};

struct compile_result {
    std::vector<diagnostic> diagnostics;  // in the order found
    int32_t errors = 0;
    int32_t warnings = 0;
    bool stopped = false;  // MAX_ERRORS were reached and the compilation stopped
    // The book; only when there is no error.
    std::unique_ptr<compiled_book> book;
    // Its pages and the ways between them, with their places in the source.
    story_graph story;

    bool ok() const { return errors == 0 && book != nullptr; }
};

// Compiles the book in `folder`.  Reports every error it finds, not only
// the first.  Never throws for a faulty book.  Conditions are run through
// the engine's evaluator with the book's variables at their starting
// values, whose reports are read from the page model's messages; the book
// in use is left as it was.
compile_result compile_book(const std::filesystem::path& folder);

// The book's shape, one fact a line (the --stats output).
std::string stats_text(const compiled_book& book);

// The generated C++ source that defines `const tomelet::book_tables
// SYMBOL`.
std::string generate_cpp(const compiled_book& book, const std::string& symbol);

// The Windows reader's resource script for the book: every embedded bitmap
// as a BITMAP resource by its number, every embedded sound as a WAVE
// resource by its name, the icon group 420 when the book has an icon, and
// the menu "MENUTOMELET".  Each resource's file is named by
// resource_file_name, relative to the script's folder.
std::string generate_rc(const compiled_book& book);
// The file a resource's bytes are written to beside the script:
// "bitmap-NUMBER.bmp", "sound-N.wav" (N: the resource's place among the
// sounds, so that any name makes a valid file name), "icon.ico".
std::string resource_file_name(const compiled_resource& resource, int32_t sound_index);

// True when a sound of this name can be a WAVE resource of the script: a
// letter or underscore, then letters, digits and underscores.
bool rc_sound_name(const std::string& name);

// Writes the resource script to `rc` and the files it names beside it
// (atomically, each).  False, with a message in *error, on failure or
// when a sound's name cannot name a resource (rc_sound_name).
bool write_resources(const compiled_book& book, const std::filesystem::path& rc, std::string* error);

// The web reader's pictures and sounds as files in `folder` (emptied
// first): every picture of the catalogue as "picture-NUMBER.png", made from
// its BMP, and every sound as "sound-N.wav" (N as in resource_file_name).
// Their bytes then leave the book: a sound keeps none, a picture only its
// BMP file and info headers (54 bytes), which give the reader its size for
// the layout.  Other bitmaps (the bar's) stay whole, and so does a picture
// whose BMP bmp_to_png cannot read (a warning in *warnings says which).
// False, with a message in *error, on failure.
bool write_web_files(compiled_book& book, const std::filesystem::path& folder, std::string* error,
                     std::vector<std::string>* warnings = nullptr);
// The file web_file_name names for a resource in that folder.
std::string web_file_name(const compiled_resource& resource, int32_t sound_index);
// A BMP file as a PNG file (8-bit palette when it has at most 256 colours,
// else RGB); "" with a message in *error when it is no readable BMP.
std::string bmp_to_png(const std::vector<uint8_t>& bmp, std::string* error);

// True when `symbol` can name the generated record (a C++ identifier).
bool valid_symbol(const std::string& symbol);

// Writes `content` to `path` through a temporary file next to it that is
// renamed into place, so the file is either replaced whole or left as it
// was.  False, with a message in *error, on failure.
bool write_file_atomically(const std::filesystem::path& path, const std::string& content,
                           std::string* error);

}  // namespace tomelet::bookc
