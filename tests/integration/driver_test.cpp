// Whole plays of the feature book through the scripted driver: the real
// start-up, state file and exit, in a temporary directory.
#include "platform/headless/driver/driver.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "book/book.h"
#include "tests/support/temp_directory.h"

namespace tomelet {

extern const book_tables book_features;

namespace {

class DriverTest : public testing::TempDirectoryTest {
protected:
    int run(const std::string& script) {
        std::istringstream in(script);
        std::ostringstream out;
        std::ostringstream err;
        const int code = driver::run_script(&book_features, in, out, err);
        out_ = out.str();
        err_ = err.str();
        return code;
    }

    // The n-th dump (from 1) of the last run.
    std::string dump(int n) const {
        const std::string head = "dump " + std::to_string(n) + "\n";
        const size_t start = out_.find(head);
        if (start == std::string::npos) return "";
        const size_t end = out_.find("\nend\n", start);
        return out_.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }

    static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    static long file_size(const char* name) {
        std::ifstream f(name, std::ios::binary | std::ios::ate);
        return f ? static_cast<long>(f.tellg()) : -1;
    }

    std::string out_;
    std::string err_;
};

constexpr char STATE_FILE[] = "VBQ2CorvinAshby.dat";

TEST_F(DriverTest, OpeningSequenceThenTheFirstPage) {
    EXPECT_EQ(run("dump\ntimer\ndump\ntimer\ndump\ncommand next\ndump\n"), 0) << err_;
    EXPECT_TRUE(has(dump(1), "text \"Presents\""));
    EXPECT_TRUE(has(dump(1), "timer 2000"));
    EXPECT_TRUE(has(dump(2), "pending_screen 1"));  // the title screen passes on to the details
    EXPECT_TRUE(has(dump(3), "links next paragraph:2 prev screen:2"));
    EXPECT_TRUE(has(dump(3), "push 513 \"INSTRUCTIONS\""));
    EXPECT_TRUE(has(dump(3), "navbar return off prev on next on"));
    const std::string page = dump(4);
    EXPECT_TRUE(has(page, "navigation shown 2 current 2 on_current_page 1 pending_screen 0"));
    EXPECT_TRUE(has(page, "0 title \"Feature Tour\""));
    EXPECT_TRUE(has(page, "hotword 5000 \"Conditions\""));
    EXPECT_TRUE(has(page, "links next paragraph:4 prev paragraph:14"));
    EXPECT_TRUE(has(page, "sounds CHIME -"));
    EXPECT_EQ(file_size(STATE_FILE), state_record_size(book_features.variable_count,
                                                       book_features.restart_point_count));
}

TEST_F(DriverTest, APlayThroughChoicesAnswersAndRestartPoints) {
    const char* script =
        "timer\ntimer\ncommand next\n"
        "click \"Conditions\"\n"
        "click \"On to the hotwords\"\n"
        "click \"Take the lamp\"\n"
        "dump\n"
        "click \"Take up the chances\"\n"
        "click \"On to the answers\"\n"
        // Three boxes: the last laid out has the focus, so name the first;
        // it takes 11 characters, the length of its answer.
        "type 4000 \"bright LAMP\"\n"
        "enter 4000\n"
        "dump\n"
        "command restart\n"
        "dump\n"
        "close\n";
    EXPECT_EQ(run(script), 0) << err_;
    EXPECT_TRUE(has(dump(1), "navigation shown 5 current 5"));
    EXPECT_TRUE(has(dump(1), "1 \"Lamp\" value 0 \"unlit\" flag 1"));
    EXPECT_TRUE(has(dump(2), "navigation shown 8 current 8 on_current_page 1")) << out_;
    EXPECT_TRUE(has(dump(2), "text \"That was right.\""));
    // Both restart points are saved: the Restart page shows two buttons
    // followed by the points' names.
    const std::string restart = dump(3);
    EXPECT_TRUE(has(restart, "navigation shown 3 current 8 on_current_page 0"));
    EXPECT_TRUE(has(restart, "hotword 5000 \"Return to\""));
    EXPECT_TRUE(has(restart, "hotword 5001 \"Return to\""));
    EXPECT_TRUE(has(restart, "navbar return on"));

    // The next run starts at the saved place, without the opening screens,
    // and still holds the lamp.
    EXPECT_EQ(run("dump\n"), 0) << err_;
    EXPECT_TRUE(has(dump(1), "navigation shown 8 current 8 on_current_page 1 pending_screen 0"));
    EXPECT_TRUE(has(dump(1), "1 \"Lamp\" value 0 \"unlit\" flag 1"));
}

// `random` fixes the next roll; labels may be matched by their start, and
// by occurrence.
TEST_F(DriverTest, ChancesByAFixedRollAndLabelsByPrefix) {
    const char* script =
        "timer\ntimer\ncommand next\nclick \"Cond*\"\nclick \"On to*\"\nclick \"Take up*\"\n"
        "random 0\nclick \"Try your luck\"\ndump\n"
        "click \"Back to the tour\"\nclick \"Cond*\"\nclick \"On to*\"\nclick \"Take up*\"\n"
        "random 19\nclick \"Try your luck\"\ndump\n"
        "command restart\nclick \"Return to\" 1\ndump\n";
    EXPECT_EQ(run(script), 0) << err_;
    EXPECT_TRUE(has(dump(1), "navigation shown 8 ")) << dump(1);  // a roll of 1 of 20: target 7
    EXPECT_TRUE(has(dump(2), "navigation shown 9 ")) << dump(2);  // a roll of 20: the default
    EXPECT_TRUE(has(dump(3), "navigation shown 8 current 8 on_current_page 1")) << dump(3);
    EXPECT_EQ(run("start\nclick \"Return to\" 2\n"), driver::SCRIPT_ERROR);
}

TEST_F(DriverTest, ASecondCopyEndsWithExitCode1) {
    const int fd = open(STATE_FILE, O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(run("running-copy\ndump\n"), 1);
    EXPECT_EQ(out_, "");  // no window, nothing to dump
    EXPECT_EQ(run("dump\n"), 1);
    close(fd);
}

TEST_F(DriverTest, ScriptErrorsAreReportedWithTheirLine) {
    EXPECT_EQ(run("start\nfly away\n"), driver::SCRIPT_ERROR);
    EXPECT_TRUE(has(err_, "script:2: error: unknown command 'fly'"));
    EXPECT_EQ(run("start\nclick \"No such hotword\"\n"), driver::SCRIPT_ERROR);
    EXPECT_TRUE(has(err_, "script:2:"));
    EXPECT_EQ(run("start\nscreen 600\n"), driver::SCRIPT_ERROR);
}

TEST_F(DriverTest, KillWritesNothingCloseWritesTheRecord) {
    EXPECT_EQ(run("start\ncommand next\nkill\n"), driver::KILLED);
    // The file was created at start-up and never written.
    EXPECT_EQ(file_size(STATE_FILE), 0);
    EXPECT_EQ(run("start\ncommand next\nclose\n"), 0);
    EXPECT_GT(file_size(STATE_FILE), 0);
}

TEST_F(DriverTest, ScreenshotIsAPng) {
    EXPECT_EQ(run("command next\nscreenshot page.png\n"), 0) << err_;
    std::ifstream png("page.png", std::ios::binary);
    char signature[8] = {};
    png.read(signature, 8);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
}

}  // namespace
}  // namespace tomelet
