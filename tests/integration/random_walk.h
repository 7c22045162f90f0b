// Seeded random walks through a compiled book on the headless back end:
// many plays, every choice picked at random (hotwords, chance buttons,
// answers drawn from the accepted ones and from wrong ones, the navigation
// bar and the menu), each watched for any message the engine reports.  The
// picks lean towards pages no play has reached yet: see random_walk.cpp.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "book/book.h"

namespace tomelet::testing {

struct walk_result {
    std::set<int32_t> reached;         // paragraphs shown as pages
    std::vector<std::string> reports;  // engine messages, with where they came
    int32_t steps = 0;
};

// Plays `plays` walks of at most `steps` actions each, from a fresh state
// file every time, in the current directory.  With `openings` (scripts of
// the scripted driver, see docs/headless-driver.md), three plays in four
// first run the start of one of them, up to a click picked at random,
// through the driver, and walk on from the place and state it saved: a way
// into the later days of a book whose plot a walk seldom gets through on
// its own; the fourth starts from the beginning and walks 3 x `steps`.
walk_result random_walk(const book_tables* book, uint32_t seed, int32_t plays, int32_t steps,
                        const std::vector<std::string>& openings = {});

// The paragraphs of `book` that have text but are not in `reached`.
std::vector<int32_t> unreached(const book_tables* book, const std::set<int32_t>& reached);

}  // namespace tomelet::testing
