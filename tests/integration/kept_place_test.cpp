// The reader's place through the scripted driver and the real program: a
// page is not counted again by closing and starting again, and a reader
// killed at any moment resumes at a turn it completed.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "book/book.h"
#include "book/compiled_book.h"
#include "platform/headless/driver/driver.h"
#include "platform/posix/state_file_seam.h"
#include "story/state_file.h"
#include "tests/support/temp_directory.h"

namespace tomelet {
namespace {

constexpr const char* STATE_FILE = "VBQ2CorvinAshby.dat";

class KeptPlaceTest : public testing::TempDirectoryTest {
protected:
    void SetUp() override {
        if (std::string(compiled_book.book_info->title) != "The Perpetua Claim") {
            GTEST_SKIP() << "the compiled book is not the demo book";
        }
        TempDirectoryTest::SetUp();
    }

    int run(const std::string& script) {
        std::istringstream in(script);
        std::ostringstream out;
        std::ostringstream err;
        const int code = driver::run_script(&compiled_book, in, out, err);
        out_ = out.str();
        err_ = err.str();
        return code;
    }

    static std::string file_bytes() {
        std::ifstream in(STATE_FILE, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    static void write_file(const std::string& bytes) {
        std::ofstream(STATE_FILE, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
    }

    // From a dump: the section that starts at `head` up to the dump's end.
    static std::string section(const std::string& text, const std::string& head) {
        const size_t at = text.find("\n" + head);
        return at == std::string::npos ? "" : text.substr(at, text.find("\nend", at) - at);
    }

    std::string out_;
    std::string err_;
};

// A record left by an earlier build at page 150, whose <r %10 1> raises
// Evidence: the first start applies it once more (the record held no
// arrival), and no later start, Information and Return included, does.
TEST_F(KeptPlaceTest, ClosingAndStartingAgainCountsAPageOnce) {
    std::string record(static_cast<size_t>(state_record_size(compiled_book.variable_count,
                                                             compiled_book.restart_point_count)),
                       '\0');
    record[STATE_PLACE] = char(150);
    record[STATE_SOUND_SWITCH] = 1;
    for (int i = 0; i < 4; ++i) record[STATE_MAGIC_OFFSET + i] = char((STATE_MAGIC >> (8 * i)) & 0xFF);
    write_file(record);

    std::string first_page;
    std::string first_file;
    for (int start = 1; start <= 5; ++start) {
        SCOPED_TRACE("start " + std::to_string(start));
        ASSERT_EQ(run("dump\ncommand information\ncommand return\ndump\n"), 0) << err_;
        const std::string page = section(out_, "items") + section(out_, "variables");
        EXPECT_NE(page.find("\"Evidence\" value 1 "), std::string::npos) << page;
        EXPECT_EQ(section(out_.substr(out_.find("dump 2")), "items"), section(out_, "items"));
        if (start == 1) {
            first_page = page;
            first_file = file_bytes();
        } else {
            EXPECT_EQ(page, first_page);
            EXPECT_EQ(file_bytes(), first_file);
        }
    }

    // An arrival torn between two saves (one of its bytes another save's)
    // fails its check: the page's effects apply once more, and only once.
    std::string torn = file_bytes();
    torn[STATE_SLOTS + STATE_SLOT_SIZE * 10 + STATE_SLOT_ARRIVAL_VALUE] ^= 1;
    write_file(torn);
    for (int start = 1; start <= 2; ++start) {
        SCOPED_TRACE("after the tear, start " + std::to_string(start));
        ASSERT_EQ(run("dump\n"), 0) << err_;
        EXPECT_NE(section(out_, "variables").find("\"Evidence\" value 2 "), std::string::npos) << out_;
    }
}

// tomelet-headless killed (SIGKILL) at random moments of a 50-turn play:
// the state file then holds exactly the record of one of the play's turns
// (none torn, none mixed), and the next start resumes there.
TEST_F(KeptPlaceTest, AReaderKilledAtAnyMomentResumesAtATurnItCompleted) {
    std::ifstream walk(TOMELET_SOURCE_DIR "/tests/integration/walkthroughs/triumph.txt");
    std::vector<std::string> turns;
    for (std::string line; std::getline(walk, line) && turns.size() < 53;) {
        if (line.empty() || line[0] == '#' || line == "dump") continue;
        turns.push_back(line);
    }
    ASSERT_EQ(turns.size(), 53u);  // two timers, Next and 50 turns

    // The record after each prefix of the play, killed there (the in-process
    // driver starts as a new process does).
    std::vector<std::string> records;
    std::string script;
    for (const std::string& turn : turns) {
        script += turn + "\n";
        std::remove(STATE_FILE);
        ASSERT_EQ(run(script + "kill\n"), driver::KILLED) << err_;
        records.push_back(file_bytes());
    }
    std::ofstream(dir_ + "/play.txt") << script;

    // The play as a process of its own, its output dropped.
    const auto start_play = [] {
        const pid_t pid = fork();
        if (pid == 0) {
            const int devnull = ::open("/dev/null", O_WRONLY);
            ::dup2(devnull, 1);
            ::dup2(devnull, 2);
            ::execl(TOMELET_HEADLESS, TOMELET_HEADLESS, "play.txt", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        return pid;
    };
    // The kills fall anywhere in a whole play's time, measured here: a
    // sanitizer build or a busy machine plays several times slower.
    std::remove(STATE_FILE);
    const auto started = std::chrono::steady_clock::now();
    const pid_t whole = start_play();
    ASSERT_GE(whole, 0);
    int whole_status = 0;
    ASSERT_EQ(::waitpid(whole, &whole_status, 0), whole);
    const auto play_us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    std::mt19937 random(19);
    std::uniform_int_distribution<int> delay_us(0, static_cast<int>(std::max<int64_t>(play_us.count(), 12000)));
    int resumed_later = 0;
    for (int kill_number = 0; kill_number < 200; ++kill_number) {
        std::remove(STATE_FILE);
        const pid_t pid = start_play();
        ASSERT_GE(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);

        const std::string left = file_bytes();
        if (left.empty()) continue;  // killed before the first page was kept
        size_t turn = 0;
        while (turn < records.size() && records[turn] != left) ++turn;
        ASSERT_LT(turn, records.size()) << "kill " << kill_number << ": the file holds no turn's record";
        if (turn > 3) ++resumed_later;

        ASSERT_EQ(run("dump\n"), 0) << "kill " << kill_number << ": " << err_;
        const int place = static_cast<uint8_t>(left[0]) | static_cast<uint8_t>(left[1]) << 8;
        EXPECT_NE(out_.find("current " + std::to_string(place) + " on_current_page 1"), std::string::npos)
            << "kill " << kill_number;
    }
    EXPECT_GT(resumed_later, 0);  // the kills did not all fall before the play began
}

ssize_t failing_read(int, void*, size_t) {
    errno = EIO;
    return -1;
}

// A start refused for the state file's sake exits 1, says why, and leaves
// the file's bytes (and, for a hard link, the other name's) as they were:
// a read that fails as a failing disk's does, and a file with a second name.
TEST_F(KeptPlaceTest, AnUnreadableOrHardLinkedStateFileRefusesTheStartAndIsLeftAlone) {
    std::string record(3056, '\0');
    record[STATE_PLACE] = char(148);
    record[STATE_PLACE + 1] = char(1);  // place 404
    record[STATE_SOUND_SWITCH] = 1;
    record[40] = 3;
    for (int i = 0; i < 4; ++i) record[STATE_MAGIC_OFFSET + i] = char((STATE_MAGIC >> (8 * i)) & 0xFF);
    const struct {
        const char* name;
        bool hard_link;
        posix_read_function read;
        const char* says;
    } rows[] = {
        {"a read error", false, failing_read, "could not be read from the disk"},
        {"a hard link", true, nullptr, "I cannot the book?"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::remove(STATE_FILE);
        std::remove("other.dat");
        if (row.hard_link) {
            std::ofstream("other.dat", std::ios::binary).write(record.data(), std::streamsize(record.size()));
            ASSERT_EQ(::link("other.dat", STATE_FILE), 0);
        } else {
            write_file(record);
        }
        posix_state_file_set_read(row.read);
        const int code = run("dump\n");
        posix_state_file_set_read(nullptr);
        EXPECT_EQ(code, 1);
        EXPECT_NE(err_.find(row.says), std::string::npos) << err_;
        EXPECT_EQ(out_.find("dump"), std::string::npos);
        EXPECT_EQ(file_bytes(), record);
    }
}

}  // namespace
}  // namespace tomelet
