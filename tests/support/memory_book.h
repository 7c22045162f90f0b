// Books built in memory for tests: paragraphs given as text, catalogues as
// plain lists.  Words are split at white space and stored in one chunk (or
// one chunk per paragraph), de-duplicated in order of first occurrence,
// exactly as a compiled book stores them.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "book/book.h"

namespace tomelet::testing {

struct memory_variable {
    std::string name;
    std::vector<std::string> values;
    int16_t detail_target = 10;
};

struct memory_restart_point {
    std::string name;
    int16_t paragraph = 402;
};

struct memory_book_contents {
    // Rows of the paragraph index: 1..paragraph_count.  Rows without an
    // entry in `paragraphs` have no paragraph (chunk -1); an entry with an
    // empty text is an empty paragraph.
    int16_t paragraph_count = 20;
    std::map<int, std::string> paragraphs;
    bool chunk_per_paragraph = false;
    std::vector<picture_row> pictures;
    std::vector<std::string> sounds;
    std::vector<memory_variable> variables;
    std::vector<memory_restart_point> restart_points;
    book_info_record info{"Test Book", "(c) nobody", "Tester", 0, "A book for tests.", 1,
                          "www.example.org", "contact@example.org", "support@example.org", "TestBook"};
};

class memory_book {
public:
    explicit memory_book(memory_book_contents contents);
    memory_book(const memory_book&) = delete;
    memory_book& operator=(const memory_book&) = delete;

    const book_tables* tables() const { return &tables_; }
    // book_select (tables ()): for the layers below the story; the story's
    // tests and those above it call book_use (tables ()), which also resets
    // the story's state.
    void select() const;

private:
    memory_book_contents contents_;
    std::vector<std::vector<uint16_t>> sequences_;
    std::vector<std::string> pools_;
    std::vector<std::vector<uint8_t>> lengths_;
    std::vector<chunk_row> chunks_;
    std::vector<paragraph_row> index_;
    std::vector<const char*> sound_names_;
    std::vector<std::vector<const char*>> value_names_;
    std::vector<variable_row> variables_;
    std::vector<restart_point> restarts_;
    book_tables tables_{};
};

// A catalogue of n variables named V0, V1, ... each with `values` values
// named v0, v1, ...
std::vector<memory_variable> numbered_variables(int n, int values);

}  // namespace tomelet::testing
