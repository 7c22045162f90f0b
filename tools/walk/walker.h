// Coverage by random play: seeded plays through a book on the headless
// back end, each a script of the scripted driver (docs/headless-driver.md)
// fed one line at a time, watched for every message the engine reports.
// The walker leans towards pages no play has reached yet, gives chance
// buttons the roll of every band and types each answer field's answers;
// see walker.cpp.  `tomelet-walk` is the program around it, and the
// project's own random-walk tests use it too.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "book/book.h"
#include "tools/bookc/story_graph.h"

namespace tomelet::walk {

struct walk_options {
    uint32_t seed = 1;
    int32_t plays = 80;
    int32_t steps = 120;  // actions per play
    // Scripts of the driver that plays may start with: with openings, three
    // plays in four first run the start of one of them, up to a click
    // or an answer picked at random, and walk on from there (a way into the later days
    // of a book whose plot a walk seldom gets through on its own); the
    // fourth starts from the beginning and walks 3 x `steps`.
    std::vector<std::string> openings;
};

// A message of the engine's error path, met at least once.
struct walk_message {
    int32_t paragraph = 0;  // the page shown when it came
    std::string text;
    int32_t count = 0;      // times met
    std::string script;     // a driver script that plays up to its first
};

struct walk_result {
    std::set<int32_t> reached;       // paragraphs shown as pages
    std::vector<walk_message> messages;
    std::vector<std::string> failures;  // an opening script that failed, a reader that did not start
    int32_t steps = 0;
    int32_t plays = 0;
    // By story_graph hotword, by outcome (band or answer, the default last):
    // how often it was taken.  Empty without a graph.
    std::vector<std::vector<int32_t>> taken;
    // The marked endings reached: paragraph -> the plays that reached it.
    std::map<int32_t, int32_t> endings;
};

// Plays the book `options.plays` times, from a fresh state file each time,
// in the current directory.  `graph` (the book's story graph, may be null)
// names the pages and hotwords by their place in the source.  The same seed
// gives the same result.
walk_result walk_book(const book_tables* book, const bookc::story_graph* graph, const walk_options& options);

// The paragraphs of `book` that have text but are not in `reached`.
std::vector<int32_t> unreached(const book_tables* book, const std::set<int32_t>& reached);

// The report tomelet-walk prints: the pages reached, those never reached,
// the hotwords (and bands and answers) never taken, the endings reached,
// and every engine message met with a script that reproduces it.
std::string walk_report(const book_tables* book, const bookc::story_graph* graph, const walk_result& result);

}  // namespace tomelet::walk
