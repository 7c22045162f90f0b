// The book compiler's own view of a book source folder: the catalogue as
// read from book.toml and the paragraphs as read from the text files, each
// with the places they were written, for the messages.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/bookc/bookc.h"

namespace tomelet::bookc {

// Where a message is about: a line and, when known, a column (1 for the
// line's first character, counted in characters).  A bare line number is a
// place without a column.
struct place {
    int32_t line = 0;
    int32_t column = 0;
    place(int32_t l = 0, int32_t c = 0) : line(l), column(c) {}  // NOLINT: a line is a place
};

// Collects the messages of one compilation, MAX_ERRORS errors at most:
// after them it keeps nothing more and says "too many errors, stopping";
// the readers and checks look at stopped() and end early.
class diagnostics {
public:
    void error(const std::string& file, place at, const std::string& message);
    void warning(const std::string& file, place at, const std::string& message);
    bool stopped() const { return stopped_; }
    // Adds the note of the warnings left out, if any; once, at the end.
    void finish();

    std::vector<diagnostic> list;
    int32_t errors = 0;
    int32_t warnings = 0;

private:
    bool stopped_ = false;
    int32_t kept_warnings_ = 0;
};

// book.toml as read, in the reader's character set.
struct catalogue {
    std::string file;  // book.toml as it is named in messages
    bool readable = false;  // false: the file could not be read or parsed

    compiled_info info;
    place opening_picture_line;  // line 0: not given
    place title_picture_line;

    int32_t paragraph_count = -1;  // -1: not given
    int32_t paragraph_count_line = 0;

    struct text_file {
        std::filesystem::path path;
        std::string name;   // as named in messages
        int32_t line = 0;   // its entry in `text`; 0 when found in text/
    };
    std::vector<text_file> text_files;

    std::vector<compiled_picture> pictures;
    std::vector<std::string> sounds;
    std::vector<compiled_variable> variables;
    std::vector<place> detail_target_lines;  // one per variable; line 0: none given
    // A target the catalogue gives as a paragraph name ("#hut-14"): the row
    // of the variable or restart point, the name without '#', and where.
    struct named_target {
        size_t row = 0;
        std::string name;
        place at;
    };
    std::vector<named_target> detail_target_names;
    std::vector<named_target> restart_target_names;
    std::vector<compiled_restart_point> restart_points;
    std::vector<place> restart_target_lines;  // one per restart point
    std::vector<compiled_resource> resources;
    std::vector<uint8_t> icon;  // the icon file's bytes; empty: none given
};

// The most bytes any file of a book's source folder may hold: far above any
// real book's file.
constexpr std::uintmax_t SOURCE_FILE_LIMIT = 64u * 1024u * 1024u;

enum class source_read { ok, unreadable, too_large };
// Reads a plain file (a link to one is followed) whole into *content.  A
// pipe, a device, a directory or a missing file is unreadable, and so is a
// file that cannot be opened or read; one over SOURCE_FILE_LIMIT bytes is
// too large and is not read past the limit.
source_read read_source_file(const std::filesystem::path& path, std::string* content);
// The message of a file over the limit (reported against that file).
std::string source_limit_message();

// Reads folder/book.toml and the files it names.
catalogue read_catalogue(const std::filesystem::path& folder, diagnostics* out);

struct source_word {
    std::string text;  // in the reader's character set
    int32_t line = 0;
    int32_t column = 0;  // of its first character
    // The column of each character when a paragraph name in the word was
    // replaced by its number; empty otherwise (character k is at column +
    // k).
    std::vector<int32_t> columns;
};

struct source_paragraph {
    int32_t number = 0;
    std::string file;
    int32_t line = 0;  // of its header
    std::vector<source_word> words;
    bool ending = false;  // marked `@@ ending`: a page where the story ends
    std::string group;    // `@@ group NAME`: drawn with its neighbours of the same group on the map
    std::string name;     // `#name` of the header, without '#'; empty: none
    int32_t name_column = 0;
    // Where a target names a paragraph that no header names (reported; its
    // number is then 0, which no check should speak of again).
    std::vector<place> unknown_names;
    // The text ran past PARAGRAPH_HOLD_LIMIT characters, and the words after
    // that were not kept.
    bool cut = false;
};

// The most characters of one paragraph the compiler keeps, far more than a
// page holds: the rest of a paragraph that long is not read (its length is
// an error anyway), so a huge file of one paragraph costs bounded memory.
constexpr size_t PARAGRAPH_HOLD_LIMIT = 1 << 20;

// Replaces every paragraph name written where a target stands (`#hut-14`
// in a tag) by the target, the paragraph's number minus one, and the
// names the catalogue gives for detail pages and restart points likewise;
// an unknown name is an error.  Called once every header has been read.
void resolve_names(std::vector<source_paragraph>* paragraphs, catalogue* book, diagnostics* out);

// Reads the paragraphs of the catalogue's text files, in file order and
// then in order within each file.
std::vector<source_paragraph> read_paragraphs(const catalogue& book, diagnostics* out);

// The messages' name of a file of the folder.
std::string display_name(const std::filesystem::path& folder, const std::filesystem::path& relative);

// Checks every paragraph's markup against the catalogues.  has_text[n]:
// paragraph n exists and is not empty.  `book` (catalogues filled in) is
// made the book in use while conditions are evaluated, and the book in use
// before is restored afterwards.
// The ways between pages are collected into `graph` (when given).
void check_paragraphs(const std::vector<source_paragraph>& paragraphs, const std::vector<bool>& has_text,
                      compiled_book* book, diagnostics* out, story_graph* graph = nullptr);

// Completes the graph collected by check_paragraphs with what the catalogue
// and the reader's own screens add: the opening's way to paragraph 2, the
// menu's side pages, the inventory page's detail pages (when paragraph 6 has
// no row of its own), and where each restart point's use leads.
void finish_story_graph(const catalogue& book, const std::vector<source_paragraph>& paragraphs,
                        int32_t paragraph_count, story_graph* graph);

// Groups the paragraphs into chunks and fills the book's index and chunks.
// False (with the errors reported) when a paragraph cannot fit a chunk.
bool build_chunks(const std::vector<source_paragraph>& paragraphs, compiled_book* book,
                  diagnostics* out);

}  // namespace tomelet::bookc
