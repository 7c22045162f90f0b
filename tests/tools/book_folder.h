// The compiler's tests' books: a small catalogue and text to build book
// folders (tests/support/book_folder.h) from, and the compiler's reports
// read back.
#pragma once

#include <filesystem>
#include <string>

#include "tests/support/book_folder.h"
#include "tools/bookc/bookc.h"

namespace tomelet::testing {

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
