// Whole plays of the feature book through the scripted driver: the real
// start-up, state file and exit, in a temporary directory.
#include "platform/headless/driver/driver.h"

#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "book/book.h"
#include "platform/headless/headless.h"
#include "tests/support/book_folder.h"
#include "tests/support/temp_directory.h"
#include "tools/bookc/bookc.h"

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

constexpr char STATE_FILE[] = "FeatureTour.dat";

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

// A script is UTF-8 and the book's labels are in the reader's character
// set: a label with curly quotes or an accent is matched as the compiler
// converts it, and so is typed text; bytes of the set itself still match.
TEST_F(DriverTest, LabelsAndAnswersWrittenInUtf8MatchTheBooksCharacters) {
    const testing::book_folder folder("book");
    folder.write("book.toml", "[book]\ntitle = \"Quotes\"\n");
    folder.write("text/a.tml", "@ 2\n<H>Two<J><M \"\xE2\x80\x9CYes\xE2\x80\x9D\" 2><M \"Caf\xC3\xA9\" 3>"
                               "<S (\xE2\x80\x93) 2 2><G>\n"
                               "@ 3\n<H>Three<J><M \"back\" 1><G>\n@ 4\n<H>Four<J><M \"back\" 1><G>\n");
    const bookc::compile_result book = folder.compile();
    ASSERT_TRUE(book.ok()) << book.diagnostics.size();
    const auto play = [&](const std::string& script) {
        std::istringstream in("timer\ntimer\ncommand next\n" + script + "dump\n");
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(driver::run_script(book.book->tables(), in, out, err), 0) << script << err.str();
        std::remove("Quotes.dat");  // the id made from the title
        return out.str();
    };
    EXPECT_TRUE(has(play("click \"\xE2\x80\x9CYes\xE2\x80\x9D\"\n"), "navigation shown 3 "));
    EXPECT_TRUE(has(play("click \"Caf\xC3\xA9\"\n"), "navigation shown 4 "));
    EXPECT_TRUE(has(play("click \"Caf\xE9\"\n"), "navigation shown 4 "));  // written in the set
    EXPECT_TRUE(has(play("type \"\xE2\x80\x93\"\nenter\n"), "navigation shown 3 "));
}

TEST_F(DriverTest, ARefusedStartEndsWithExitCode1AndSaysWhy) {
    const int fd = open(STATE_FILE, O_RDWR | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(run("running-copy\ndump\n"), 1);
    EXPECT_EQ(out_, "");  // no window, nothing to dump
    EXPECT_EQ(err_, "tomelet-headless: another copy of the reader holds the book (FeatureTour.dat); it was "
                    "brought to the front\n");
    EXPECT_EQ(run("dump\n"), 1);
    EXPECT_EQ(err_, "tomelet-headless: I cannot the book? (the state file FeatureTour.dat is held by another "
                    "copy of the reader, or cannot be opened or created here)\n");
    close(fd);
    // A file the user made read-only is refused in the same words.
    ASSERT_EQ(chmod(STATE_FILE, 0444), 0);
    EXPECT_EQ(run(""), 1);
    EXPECT_TRUE(has(err_, "I cannot the book? (the state file")) << err_;
}

// A full disk (a file-size limit of 0 bytes, whose signal is ignored so
// that the write fails instead) in a child process: the place cannot be
// saved, and the run says so on standard error, with one message box of
// the default caption after the window has gone, and ends with 1.
TEST_F(DriverTest, APlaceThatCannotBeSavedIsReportedAndEndsWithExitCode1) {
    // The limit holds for the run only: what the child then says goes to a
    // file of the test framework's.
    const auto play = [](rlim_t limit) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit size_limit{};
        if (getrlimit(RLIMIT_FSIZE, &size_limit) != 0) std::_Exit(99);
        const rlim_t before = size_limit.rlim_cur;
        size_limit.rlim_cur = limit;
        if (setrlimit(RLIMIT_FSIZE, &size_limit) != 0) std::_Exit(99);
        std::istringstream script("start\ncommand next\n");
        std::ostringstream out;
        std::ostringstream err;
        const int code = driver::run_script(&book_features, script, out, err);
        size_limit.rlim_cur = before;
        if (setrlimit(RLIMIT_FSIZE, &size_limit) != 0) std::_Exit(99);
        std::cerr << err.str();
        for (int32_t i = 0; i < headless::message_count(); ++i) {
            const headless::message_record& m = headless::message(i);
            std::cerr << "box \"" << m.text << "\"" << (m.default_caption && !m.owned ? " unowned default" : "")
                      << "\n";
        }
        std::cerr.flush();
        std::_Exit(code);
    };
    const char* told =
        "tomelet-headless: the reader's place could not be saved: FeatureTour.dat could not be written\n"
        "box \"Your place in the book could not be saved: FeatureTour.dat could not be written.\" unowned "
        "default\n$";
    EXPECT_EXIT(play(0), ::testing::ExitedWithCode(1), told);
    EXPECT_EQ(file_size(STATE_FILE), 0);
    // A record cut short by the limit is no save either.
    ASSERT_EQ(unlink(STATE_FILE), 0);
    EXPECT_EXIT(play(100), ::testing::ExitedWithCode(1), told);
    EXPECT_EQ(file_size(STATE_FILE), 100);
    // With room for the record, the same run ends well and tells nothing.
    EXPECT_EXIT(play(1 << 20), ::testing::ExitedWithCode(0), "^$");
}

TEST_F(DriverTest, SettingsOutsideTheirRangesAreScriptErrors) {
    const struct {
        const char* script;
        const char* error;  // nullptr: accepted, and the run ends well
    } rows[] = {
        {"screen 2147483647\n", "'screen' takes one number from 1 to 32767"},
        {"screen 0\n", "'screen' takes one number from 1 to 32767"},
        {"screen 99999999999\n", "'screen' takes one number from 1 to 32767"},
        {"ppi 1201\n", "'ppi' takes one number from 1 to 1200"},
        {"os 5\n", "'os' takes MAJOR.MINOR, each 0 to 999"},
        {"os 5.1000\n", "'os' takes MAJOR.MINOR, each 0 to 999"},
        {"os -1.2\n", "'os' takes MAJOR.MINOR, each 0 to 999"},
        {"os 2147483648.1\n", "'os' takes MAJOR.MINOR, each 0 to 999"},
        {"start\nsize 2147483647 2147483647\n", "'size' takes a width and a height, each 0 to 32767"},
        {"start\nsize 500 -1\n", "'size' takes a width and a height, each 0 to 32767"},
        {"screen 32767\nppi 1200\nos 999.0\ncommand next\nsize 32767 32767\ncommand next\n", nullptr},
        {"screen 1\nppi 1\nos 0.999\ncommand next\nsize 0 0\ncommand next\n", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.script);
        if (row.error == nullptr) {
            EXPECT_EQ(run(row.script), 0) << err_;
        } else {
            EXPECT_EQ(run(row.script), driver::SCRIPT_ERROR);
            EXPECT_TRUE(has(err_, row.error)) << err_;
        }
    }
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
