// Seeded random walks: no play of a book may make the engine report a
// problem, and every page with text must be reachable.
#include "tests/integration/random_walk.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "book/compiled_book.h"
#include "tests/support/temp_directory.h"

namespace tomelet {

extern const book_tables book_features;

namespace {

class RandomWalkTest : public testing::TempDirectoryTest {
protected:
    static std::string walkthrough(const char* name) {
        std::ifstream in(std::string(TOMELET_SOURCE_DIR "/tests/integration/walkthroughs/") + name);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static std::string joined(const std::vector<int32_t>& numbers) {
        std::string out;
        for (int32_t n : numbers) out += " " + std::to_string(n);
        return out;
    }

};

TEST_F(RandomWalkTest, TheFeatureBookNeverReportsAndEveryPageIsReached) {
    const testing::walk_result walk = testing::random_walk(&book_features, 20261207u, 40, 200);
    EXPECT_GT(walk.steps, 1000);
    for (const std::string& report : walk.reports) ADD_FAILURE() << report;
    EXPECT_EQ(joined(testing::unreached(&book_features, walk.reached)), "");
}

// Three plays in four start where a walkthrough of the demo book left off
// at a random click, so that the later days are walked too.  The pages no
// play reached are printed, not failed on (the book's notes list them), but
// a walk that reaches less than nine pages in ten of the demo book has lost
// its way.
TEST_F(RandomWalkTest, TheCompiledBookNeverReports) {
    const bool demo = std::string(compiled_book.book_info->title) == "The Perpetua Claim";
    std::vector<std::string> openings;
    if (demo) {
        openings = {walkthrough("triumph.txt"), walkthrough("arrested.txt")};
        ASSERT_FALSE(openings[0].empty());
        ASSERT_FALSE(openings[1].empty());
    }
    const testing::walk_result walk = testing::random_walk(&compiled_book, 7u, 80, 120, openings);
    for (const std::string& report : walk.reports) ADD_FAILURE() << report;
    const std::vector<int32_t> missed = testing::unreached(&compiled_book, walk.reached);
    RecordProperty("unreached", joined(missed));
    std::printf("reached %zu pages in %d steps; not reached:%s\n", walk.reached.size(), walk.steps,
                joined(missed).c_str());
    if (demo) {
        const size_t with_text = testing::unreached(&compiled_book, {}).size();
        EXPECT_LT(missed.size() * 10, with_text) << joined(missed);
    }
}

}  // namespace
}  // namespace tomelet
