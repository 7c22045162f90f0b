// The scripted driver: runs the whole reader on the headless back end,
// start to exit, from a script of one command a line, printing `dump`s and
// writing screenshots.  The script and dump formats are documented in
// docs/headless-driver.md; tests and tools rely on them.
#pragma once

#include <iosfwd>

#include "book/book.h"

namespace tomelet::driver {

// Exit codes besides the reader's own (0 after an ordinary exit, 1 when it
// cannot start).
constexpr int SCRIPT_ERROR = 2;
// The exit code after `kill`, as of a process ended by a kill signal.
constexpr int KILLED = 137;

// Runs `script` against `book` in the current directory.  Dumps go to out,
// script errors to err.  Returns the process exit code.
int run_script(const book_tables* book, std::istream& script, std::ostream& out, std::ostream& err);

}  // namespace tomelet::driver
