// Seeded random walks through a compiled book on the headless back end:
// many plays, every choice picked at random (hotwords, chance buttons,
// answers drawn from the accepted ones and from wrong ones, the navigation
// bar and the menu), each watched for any message the engine reports.
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
// file every time, in the current directory.
walk_result random_walk(const book_tables* book, uint32_t seed, int32_t plays, int32_t steps);

// The paragraphs of `book` that have text but are not in `reached`.
std::vector<int32_t> unreached(const book_tables* book, const std::set<int32_t>& reached);

}  // namespace tomelet::testing
