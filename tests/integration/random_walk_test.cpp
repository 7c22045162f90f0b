// Seeded random walks with the walker of tomelet-walk: no play of a book
// may make the engine report a problem, every page with text of the
// feature book is reached, and on a small book of known shape the report
// names what no play reached or took and reproduces what the engine said.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "book/compiled_book.h"
#include "platform/headless/driver/driver.h"
#include "tests/support/book_folder.h"
#include "tests/support/temp_directory.h"
#include "tools/bookc/bookc.h"
#include "tools/walk/walker.h"

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
    const walk::walk_result walk = walk::walk_book(&book_features, nullptr, {20261207u, 40, 200, {}});
    EXPECT_GT(walk.steps, 1000);
    for (const walk::walk_message& m : walk.messages) ADD_FAILURE() << m.paragraph << ": " << m.text;
    EXPECT_TRUE(walk.failures.empty());
    EXPECT_EQ(joined(walk::unreached(&book_features, walk.reached)), "");
}

// Three plays in four start where a walkthrough of the demo book left off
// at a random click, so that the later days are walked too.  The pages no
// play reached are printed, not failed on (docs/authoring-tools.md
// explains them), but a walk that reaches less than nine pages in ten of
// the demo book has lost its way.
TEST_F(RandomWalkTest, TheCompiledBookNeverReports) {
    const bool demo = std::string(compiled_book.book_info->title) == "The Perpetua Claim";
    walk::walk_options options{7u, 80, 120, {}};
    if (demo) {
        options.openings = {walkthrough("triumph.txt"), walkthrough("arrested.txt")};
        ASSERT_FALSE(options.openings[0].empty());
        ASSERT_FALSE(options.openings[1].empty());
    }
    const walk::walk_result walk = walk::walk_book(&compiled_book, nullptr, options);
    for (const walk::walk_message& m : walk.messages) ADD_FAILURE() << m.paragraph << ": " << m.text << "\n" << m.script;
    for (const std::string& failure : walk.failures) ADD_FAILURE() << failure;
    const std::vector<int32_t> missed = walk::unreached(&compiled_book, walk.reached);
    RecordProperty("unreached", joined(missed));
    std::printf("reached %zu pages in %d steps; not reached:%s\n", walk.reached.size(), walk.steps,
                joined(missed).c_str());
    if (demo) {
        const size_t with_text = walk::unreached(&compiled_book, {}).size();
        EXPECT_LT(missed.size() * 10, with_text) << joined(missed);
    }
}

// Paragraph numbers in the comments; targets are one less.
const char WALK_BOOK[] = R"([book]
title = "Walk Book"

[[variable]]
name = "Flag"
values = ["no", "yes"]

[[restart_point]]
name = "Start"
target = 1
)";

std::string walk_text() {
    return "@ 2\n"
           "<H>Start<J><M \"dice\" 7> <M \"ask\" 8> <O (%0 = 1)>{<M \"secret\" 9>}<G>\n"  // 8, 9, never 10
           "@ 3\n<H>Three<J>Side.<G>\n@ 4\n<H>Four<J>Side.<G>\n@ 5\n<H>Five<J>Side.<G>\n"
           "@ 8\n"
           "<H>Dice<J><d \"roll\" (30) 10 (30) 11 (30) 12 13><G>\n"                         // line 9: 11, 12, 13, 14
           "@ 9\n"
           "<H>Ask<J><S (yes) 10 (no) 11 13><G>\n"                                          // line 11: 11, 12, 14
           "@ 10\n<H>Secret<J><M \"back\" 1><G>\n"
           "@ 11\n<H>Eleven<J><M \"back\" 1><G>\n"
           "@ 12\n<H>Long<J>" + std::string(299, 'w') + " <M \"back\" 1><G>\n"                // the reader complains
           "@ 13\n<H>Thirteen<J><M \"back\" 1><G>\n"
           "@ 14\n@@ ending\n<H>The End<J>Over.<G>\n";
}

TEST_F(RandomWalkTest, TheReportNamesWhatNoPlayReachedOrTookAndReproducesEachMessage) {
    const testing::book_folder folder("book");
    folder.write("book.toml", WALK_BOOK);
    folder.write("text/a.tml", walk_text());
    bookc::compile_result compiled = folder.compile();
    ASSERT_TRUE(compiled.ok());
    const book_tables* book = compiled.book->tables();
    const walk::walk_result walk = walk::walk_book(book, &compiled.story, {3u, 30, 40, {}});
    const std::string report = walk::walk_report(book, &compiled.story, walk);

    // Only the page behind the condition that is never true is missed,
    // though a static look finds a way to it.
    EXPECT_EQ(joined(walk::unreached(book, walk.reached)), " 10");
    EXPECT_EQ(bookc::check_story(compiled.story).unreachable, std::vector<int32_t>{});
    for (const char* part : {"pages reached: 10 of 11 with text (90.9%)", "pages never reached: 1\n",
                             "  book/text/a.tml:13: paragraph 10 \"Secret\"\n",
                             "hotwords never taken on pages reached: 1\n",
                             "  book/text/a.tml:2: paragraph 2 \"secret\" never taken\n",
                             "  book/text/a.tml:21: paragraph 14 \"The End\": ", "engine messages: 1\n",
                             "  book/text/a.tml:17: paragraph 12 \"Long\": \"300 is Too many letters in word\""}) {
        EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report;
    }
    // Every band and answer of the pages reached was taken, and the ending
    // counted.
    for (size_t h = 0; h < walk.taken.size(); ++h) {
        for (int32_t count : walk.taken[h]) {
            const bookc::story_hotword& hw = compiled.story.hotwords[h];
            if (hw.label != "secret" && walk.reached.count(hw.paragraph) != 0) {
                EXPECT_GT(count, 0) << compiled.story.hotwords[h].line;
            }
        }
    }
    ASSERT_EQ(walk.endings.count(14), 1u);
    EXPECT_GT(walk.endings.at(14), 0);

    // The message's script plays up to it through the driver.
    ASSERT_EQ(walk.messages.size(), 1u);
    std::istringstream script(walk.messages[0].script + "dump\n");
    std::ostringstream out;
    std::ostringstream err;
    std::remove("WalkBook.dat");  // the id made from the title
    EXPECT_EQ(driver::run_script(book, script, out, err), 0) << err.str();
    EXPECT_NE(out.str().find("navigation shown 12 "), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("\"300 is Too many letters in word\" caption default"), std::string::npos) << out.str();

    // The same seed plays the same plays.
    const walk::walk_result again = walk::walk_book(book, &compiled.story, {3u, 30, 40, {}});
    EXPECT_EQ(walk::walk_report(book, &compiled.story, again), report);
}

// The program: its report on standard output, and an exit code a book's
// own CI can go by.
TEST_F(RandomWalkTest, TheProgramExitsWithOneWhenTheEngineSpoke) {
    const testing::book_folder folder("book");
    folder.write("book.toml", WALK_BOOK);
    folder.write("text/a.tml", walk_text());
    const auto run = [](const std::string& arguments) {
        const int status = std::system((std::string("'") + TOMELET_WALK + "' " + arguments + " >out.txt 2>err.txt").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("book --plays 20 --steps 40 --seed 3"), 1);
    std::ifstream in("out.txt");
    std::ostringstream out;
    out << in.rdbuf();
    EXPECT_NE(out.str().find("book book, seed 3\nplays 20, steps"), std::string::npos) << out.str();
    EXPECT_NE(out.str().find("engine messages: 1\n"), std::string::npos);

    folder.write("text/a.tml", "@ 2\n<H>Two<J><M \"on\" 2><G>\n@ 3\n<H>Three<J><M \"back\" 1><G>\n"
                             "@ 4\n<H>Four<J>x<G>\n@ 5\n<H>Five<J>x<G>\n@ 8\n<H>Eight<J>x<G>\n");
    EXPECT_EQ(run("book --plays 3 --steps 20"), 0);
    EXPECT_EQ(run("book --plays 0"), 2);
    EXPECT_EQ(run("book --seed x"), 2);
    EXPECT_EQ(run("no-such-folder --plays 1"), 2);
}

}  // namespace
}  // namespace tomelet
