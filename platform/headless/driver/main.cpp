// tomelet-headless [--book FOLDER] [SCRIPT]: the reader on the headless back
// end, driven by a script (a file, or standard input).  The book is the one
// compiled into the program, or with --book a book folder compiled in memory
// at start, as the walker does, so that a script replays on the book it was
// written for without a rebuild.
#include <fstream>
#include <iostream>
#include <string>

#include "book/compiled_book.h"
#include "platform/headless/driver/driver.h"
#include "tools/bookc/bookc.h"

namespace {

constexpr const char* usage =
    "usage: tomelet-headless [--book FOLDER] [SCRIPT]\n"
    "Runs the reader without a screen, in the current directory, driven by SCRIPT\n"
    "(or standard input), one command a line; see docs/headless-driver.md.\n"
    "  --book FOLDER  play the book in FOLDER (compiled at start) instead of the\n"
    "                 book compiled into the program\n";

int run(const tomelet::book_tables* book, const char* script_path) {
    if (script_path == nullptr) return tomelet::driver::run_script(book, std::cin, std::cout, std::cerr);
    std::ifstream file(script_path);
    if (!file) {
        std::cerr << "tomelet-headless: cannot read " << script_path << "\n";
        return tomelet::driver::SCRIPT_ERROR;
    }
    return tomelet::driver::run_script(book, file, std::cout, std::cerr);
}

}  // namespace

int main(int argc, char** argv) {
    const char* folder = nullptr;
    const char* script = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << usage;
            return 0;
        }
        if (arg == "--book") {
            if (i + 1 >= argc || folder != nullptr) {
                std::cerr << "tomelet-headless: --book needs one book folder\n" << usage;
                return tomelet::driver::SCRIPT_ERROR;
            }
            folder = argv[++i];
        } else if (script == nullptr && !(arg.size() > 1 && arg[0] == '-')) {
            script = argv[i];
        } else {
            std::cerr << usage;
            return tomelet::driver::SCRIPT_ERROR;
        }
    }
    if (folder == nullptr) return run(&tomelet::compiled_book, script);

    tomelet::bookc::compile_result compiled = tomelet::bookc::compile_book(folder);
    if (!compiled.ok()) {
        for (const tomelet::bookc::diagnostic& d : compiled.diagnostics) {
            if (d.is_error) std::cerr << d.text() << '\n';
        }
        std::cerr << "tomelet-headless: the book in " << folder << " does not compile\n";
        return tomelet::driver::SCRIPT_ERROR;
    }
    return run(compiled.book->tables(), script);
}
