// The scripted driver: runs the whole reader on the headless back end,
// start to exit, from a script of one command a line, printing `dump`s and
// writing screenshots.  The script and dump formats are documented in
// docs/headless-driver.md; tests and tools rely on them.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

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

// A run fed one script line at a time, for tools that choose each action
// from what the last one showed (the walker): the same lines run_script
// would read, with the same effects.
class script_run {
public:
    script_run(const book_tables* book, std::ostream& out, std::ostream& err);
    ~script_run();  // ends the run as the end of a script does
    script_run(const script_run&) = delete;
    script_run& operator=(const script_run&) = delete;

    // Runs one line: -1 while the run goes on, else the run's exit code
    // (and later lines are not run).
    int line(const std::string& text);
    // Ends the run as the end of a script does; returns the exit code.
    int end();

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

}  // namespace tomelet::driver
