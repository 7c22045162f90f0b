// tomelet-walk: coverage by random play.  Compiles a book folder, plays it
// many times on the headless back end and reports what the plays reached,
// what they never took, and every message the engine showed.

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "tools/bookc/bookc.h"
#include "tools/walk/walker.h"

namespace {

const char usage[] =
    "usage: tomelet-walk [BOOK_FOLDER] [--plays N] [--steps M] [--seed S] [--opening SCRIPT]...\n"
    "\n"
    "Plays the book in BOOK_FOLDER (default: the book the programs were built with)\n"
    "N times (default 80), at most M actions each (default 120), with the random\n"
    "seed S (default 1): the same seed gives the same plays.  Prints the pages\n"
    "reached and never reached, the hotwords never taken, the endings reached and\n"
    "every engine message met, each with a tomelet-headless script that plays up\n"
    "to it.\n"
    "  --opening SCRIPT  a driver script that plays may start with (repeatable):\n"
    "                    three plays in four run it up to a click or answer picked at\n"
    "                    random, and walk on from there\n"
    "Exit code: 0, or 1 when an engine message was met (or an opening script\n"
    "failed), 2 for a faulty command line or a book that does not compile.\n";

int fail(const std::string& message) {
    std::cerr << "tomelet-walk: " << message << "\n" << usage;
    return 2;
}

bool parse_count(const char* text, int64_t low, int64_t high, int64_t* value) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < low || v > high) return false;
    *value = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder = TOMELET_WALK_BOOK;
    bool folder_given = false;
    tomelet::walk::walk_options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        int64_t value = 0;
        if (arg == "--help" || arg == "-h") {
            std::cout << usage;
            return 0;
        } else if (arg == "--plays" || arg == "--steps" || arg == "--seed") {
            const int64_t high = arg == "--seed" ? int64_t{UINT32_MAX} : int64_t{1000000};
            const int64_t low = arg == "--seed" ? 0 : 1;
            if (i + 1 >= argc || !parse_count(argv[++i], low, high, &value)) {
                return fail(arg + " needs a number from " + std::to_string(low) + " to " + std::to_string(high));
            }
            if (arg == "--plays") options.plays = static_cast<int32_t>(value);
            if (arg == "--steps") options.steps = static_cast<int32_t>(value);
            if (arg == "--seed") options.seed = static_cast<uint32_t>(value);
        } else if (arg == "--opening") {
            if (i + 1 >= argc) return fail("--opening needs a script");
            std::ifstream in(argv[++i], std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            if (!in) return fail(std::string("cannot read the script ") + argv[i]);
            options.openings.push_back(text.str());
        } else if (!arg.empty() && arg[0] == '-') {
            return fail("unknown option " + arg);
        } else if (!folder_given) {
            folder = arg;
            folder_given = true;
        } else {
            return fail("more than one book folder");
        }
    }

    tomelet::bookc::compile_result compiled = tomelet::bookc::compile_book(folder);
    if (!compiled.ok()) {
        for (const tomelet::bookc::diagnostic& d : compiled.diagnostics) {
            if (d.is_error) std::cerr << d.text() << '\n';
        }
        std::cerr << "tomelet-walk: the book in " << folder << " does not compile\n";
        return 2;
    }

    // The plays keep the reader's state file in a folder of their own.
    std::error_code failure;
    const std::filesystem::path home = std::filesystem::current_path(failure);
    std::string scratch = (std::filesystem::temp_directory_path(failure) / "tomelet-walk-XXXXXX").string();
    if (mkdtemp(scratch.data()) == nullptr || chdir(scratch.c_str()) != 0) {
        std::cerr << "tomelet-walk: cannot make a folder for the plays\n";
        return 2;
    }
    const tomelet::book_tables* book = compiled.book->tables();
    const tomelet::walk::walk_result result = tomelet::walk::walk_book(book, &compiled.story, options);
    if (chdir(home.c_str()) != 0) std::cerr << "tomelet-walk: cannot return to " << home << "\n";
    std::filesystem::remove_all(scratch, failure);

    std::cout << "book " << folder << ", seed " << options.seed << "\n"
              << tomelet::walk::walk_report(book, &compiled.story, result);
    return result.messages.empty() && result.failures.empty() ? 0 : 1;
}
