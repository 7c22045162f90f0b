// Book source folders made by the tests, in a temporary directory that is
// removed again.
#pragma once

#include <filesystem>
#include <string>

#include "tools/bookc/bookc.h"

namespace tomelet::testing {

class book_folder {
public:
    book_folder();
    ~book_folder();
    book_folder(const book_folder&) = delete;
    book_folder& operator=(const book_folder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `content` to the folder's file `relative` (folders made).
    void write(const std::string& relative, const std::string& content) const;
    std::string read(const std::string& relative) const;
    // The name the compiler gives the folder's file in its messages.
    std::string name(const std::string& relative) const;

    bookc::compile_result compile() const { return bookc::compile_book(path_); }

private:
    std::filesystem::path path_;
};

// A small valid catalogue: pictures 0 (1100) and 1 (1101), sound 0 BELL,
// variables 0 Day (Monday, Tuesday; detail page 3) and 1 Mood (glum,
// calm, merry), restart point 0 Start (paragraph 2).  `extra` is appended.
std::string small_catalogue(const std::string& extra = "");

// A text file of two pages that link to each other: 2 and 3.
std::string two_pages();

// True when some diagnostic's text starts with `where` ("FILE:LINE: error"
// or "FILE:LINE:COLUMN: error") and contains `what`.
bool reported(const bookc::compile_result& result, const std::string& where, const std::string& what);

// Every diagnostic, one a line, for failure messages.
std::string all_diagnostics(const bookc::compile_result& result);

}  // namespace tomelet::testing
