// Whole plays of the compiled book through the scripted driver: the
// walkthroughs in tests/integration/walkthroughs/ reach two different
// endings and pass a chance button, an answer field, a restart point and
// the Information page on the way.  Each runs from a fresh state file in a
// temporary directory.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "book/compiled_book.h"
#include "engine/engine.h"
#include "tests/support/temp_directory.h"
#include "platform/headless/driver/driver.h"
#include "story/game_state.h"

namespace tomelet {
namespace {

class WalkthroughTest : public testing::TempDirectoryTest {
protected:
    void SetUp() override {
        // The scripts play the demo book; a build may compile in another.
        if (std::string(compiled_book.book_info->title) != "The Perpetua Claim") {
            GTEST_SKIP() << "the compiled book is not the demo book";
        }
        TempDirectoryTest::SetUp();
    }

    static std::string script(const char* name) {
        std::ifstream in(std::string(TOMELET_SOURCE_DIR "/tests/integration/walkthroughs/") + name);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Runs a script as tomelet-headless would in a process of its own: from
    // a fresh state file (a saved one would start the reader at its saved
    // place), and with the story's generator not yet seeded, so that it
    // seeds itself from the back end's clock as at a program's start (the
    // rolls the scripts leave to chance, such as the weather, and with them
    // the length of some pages, are then those they were written with).
    // Splits the output into dumps.
    int run(const std::string& text) {
        std::remove("VBQ2CorvinAshby.dat");
        the_engine.play.random_seeded = 0;
        std::istringstream in(text);
        std::ostringstream out;
        std::ostringstream err;
        const int code = driver::run_script(&compiled_book, in, out, err);
        err_ = err.str();
        dumps_.clear();
        const std::string all = out.str();
        for (size_t start = all.find("dump "); start != std::string::npos; start = all.find("\ndump ", start + 1)) {
            if (all[start] == '\n') ++start;
            const size_t end = all.find("\nend\n", start);
            dumps_.push_back(all.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (end == std::string::npos) break;
        }
        return code;
    }

    // The n-th dump (from 1) of the last run.
    const std::string& dump(size_t n) const {
        static const std::string none;
        return n >= 1 && n <= dumps_.size() ? dumps_[n - 1] : none;
    }

    static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    static std::string shown(int paragraph, int current) {
        return "navigation shown " + std::to_string(paragraph) + " current " + std::to_string(current) + " ";
    }

    // No dump of the run shows a message box: the engine reports problems
    // through one, and these plays never ask the restart question.
    void expect_no_messages() const {
        for (size_t i = 0; i < dumps_.size(); ++i) {
            EXPECT_TRUE(has(dumps_[i], "\nmessages 0\n")) << "dump " << i + 1 << ":\n" << dumps_[i];
        }
    }

    // The script cut just after its first line that starts with `mark`, with
    // that line replaced by `line`, and a dump added.
    static std::string changed_at(const std::string& text, const std::string& mark, const std::string& line) {
        const size_t at = text.find("\n" + mark);
        if (at == std::string::npos) return "";
        const size_t end = text.find('\n', at + 1);
        return text.substr(0, at + 1) + line + "\n" + text.substr(end + 1, text.find('\n', end + 1) - end) + "dump\n";
    }

    std::string err_;
    std::vector<std::string> dumps_;
};

TEST_F(WalkthroughTest, TheRoadToTheWholeTruth) {
    ASSERT_EQ(run(script("triumph.txt")), 0) << err_;
    ASSERT_EQ(dumps_.size(), 7u);
    expect_no_messages();

    // The Anchor's chance button, a roll of 1: slipped out through the kitchen.
    EXPECT_TRUE(has(dump(1), shown(159, 159))) << dump(1);
    EXPECT_TRUE(has(dump(1), "\"The Anchor at Nine\" value 0 \"no\" flag 1"));
    // The pawnshop's answer field took "Ned Ferris".
    EXPECT_TRUE(has(dump(2), shown(169, 169))) << dump(2);
    EXPECT_TRUE(has(dump(2), "0 title \"The Camera\""));

    // The Information page over the camera page lists the camera; its
    // look-up link shows the camera's detail page; Rtrn goes back.
    EXPECT_TRUE(has(dump(3), shown(6, 172) + "on_current_page 0")) << dump(3);
    EXPECT_TRUE(has(dump(3), "hotword 5011 \"Ned's Camera\""));
    EXPECT_TRUE(has(dump(3), "navbar return on"));
    EXPECT_TRUE(has(dump(4), shown(36, 172) + "on_current_page 0")) << dump(4);
    EXPECT_TRUE(has(dump(4), "0 title \"Ned's Camera\""));
    EXPECT_TRUE(has(dump(5), shown(172, 172) + "on_current_page 1")) << dump(5);
    EXPECT_TRUE(has(dump(5), "navbar return off"));

    // The safe opened to its combination.
    EXPECT_TRUE(has(dump(6), shown(199, 199))) << dump(6);
    EXPECT_TRUE(has(dump(6), "\"The Cargo Ledger\" value 0 \"closed\" flag 1"));

    EXPECT_TRUE(has(dump(7), shown(780, 780))) << dump(7);
    EXPECT_TRUE(has(dump(7), "0 title \"Saturday: The Whole Truth\""));
    EXPECT_TRUE(has(dump(7), "\"Crane Caught\" value 0 \"no\" flag 1"));
    EXPECT_TRUE(has(dump(7), "\"Ned Freed\" value 0 \"no\" flag 1"));
    EXPECT_TRUE(has(dump(7), "\"Day\" value 5 \"Saturday\""));
}

TEST_F(WalkthroughTest, CaughtAtTheSafeThenThursdayAgain) {
    ASSERT_EQ(run(script("arrested.txt")), 0) << err_;
    ASSERT_EQ(dumps_.size(), 6u);
    expect_no_messages();

    EXPECT_TRUE(has(dump(1), shown(199, 199))) << dump(1);
    // A roll of 20 at the porter, without Hollis's backing: arrested.
    EXPECT_TRUE(has(dump(2), shown(785, 785))) << dump(2);
    EXPECT_TRUE(has(dump(2), "0 title \"Cannon Row Police Station\""));

    // The Restart page from the menu: the five days saved on Monday
    // morning, each a button and its name.
    const std::string& restart = dump(3);
    EXPECT_TRUE(has(restart, shown(3, 785) + "on_current_page 0")) << restart;
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(has(restart, "hotword " + std::to_string(5000 + i) + " \"Go back to\"")) << i;
    }
    EXPECT_TRUE(has(restart, "12 button 3\n  13 text \"Thursday \""));

    // Thursday morning as it was: the ledger, Ned and the payment all as
    // before the night at the safe.
    const std::string& thursday = dump(4);
    EXPECT_TRUE(has(thursday, shown(136, 136) + "on_current_page 1")) << thursday;
    EXPECT_TRUE(has(thursday, "\"Day\" value 3 \"Thursday\""));
    EXPECT_FALSE(has(thursday, "\"Time\""));  // early, value 0
    EXPECT_FALSE(has(thursday, "\"The Cargo Ledger\""));
    EXPECT_FALSE(has(thursday, "\"Ned Freed\""));
    EXPECT_FALSE(has(thursday, "\"Payment Stopped\""));
    EXPECT_TRUE(has(thursday, "\"Harker's Entered\" value 0 \"no\" flag 1"));

    EXPECT_TRUE(has(dump(5), shown(209, 209))) << dump(5);
    EXPECT_TRUE(has(dump(5), "\"Payment Stopped\" value 0 \"no\" flag 1"));

    EXPECT_TRUE(has(dump(6), shown(782, 782))) << dump(6);
    EXPECT_TRUE(has(dump(6), "0 title \"Saturday: Half a Victory\""));
    EXPECT_FALSE(has(dump(6), "\"Ned Freed\""));
}

// The chance buttons and answer fields of the walkthroughs decide: another
// roll or another answer at the same place leads elsewhere.
TEST_F(WalkthroughTest, AnotherRollOrAnswerTakesAnotherRoad) {
    const std::string triumph = script("triumph.txt");

    // The Anchor: a roll of 20 misses the one band; Tamsin is followed home.
    const std::string followed = changed_at(triumph, "random 0", "random 19");
    ASSERT_FALSE(followed.empty());
    ASSERT_EQ(run(followed), 0) << err_;
    ASSERT_EQ(dumps_.size(), 1u);
    EXPECT_TRUE(has(dump(1), shown(160, 160))) << dump(1);
    expect_no_messages();

    // The pawnshop: a wrong name.
    const std::string wrong = changed_at(triumph, "type \"Ned Ferris\"", "type \"Lucian Crane\"");
    ASSERT_FALSE(wrong.empty());
    ASSERT_EQ(run(wrong), 0) << err_;
    ASSERT_EQ(dumps_.size(), 2u);
    EXPECT_TRUE(has(dump(2), shown(168, 168))) << dump(2);
    EXPECT_TRUE(has(dump(2), "0 title \"Not That Name\""));
    expect_no_messages();
}

}  // namespace
}  // namespace tomelet
