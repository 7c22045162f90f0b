// `tomelet-headless --book FOLDER` plays a book folder compiled at start: the
// same dumps and the same saved place as the program with that book
// compiled in, and a clear refusal of a folder that does not compile.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "book/book.h"
#include "engine/engine.h"
#include "platform/platform.h"
#include "platform/headless/driver/driver.h"
#include "story/game_state.h"
#include "tests/support/book_folder.h"
#include "tests/support/temp_directory.h"

namespace tomelet {

extern const book_tables book_features;
extern const book_tables book_lighthouse;

namespace {

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class BookOptionTest : public testing::TempDirectoryTest {};

TEST_F(BookOptionTest, AFolderPlaysAsTheSameBookCompiledIn) {
    // The opening screens, a choice, a side page and back, and the exit
    // that writes the place: each book's first hotword is a choice on its
    // first page.
    const std::string script =
        "timer\ntimer\ncommand next\ndump\nclick 5000\ndump\ncommand information\ndump\n"
        "command return\ndump\nclose\n";
    struct row {
        const char* folder;
        const book_tables* compiled;
        std::string state_file;  // the book's id followed by ".dat"
    };
    for (const row& r : {row{"books/lighthouse", &book_lighthouse, "DarkLighthouse.dat"},
                         row{"tests/books/features", &book_features, "FeatureTour.dat"}}) {
        SCOPED_TRACE(r.folder);
        std::filesystem::create_directories("in-process");
        std::filesystem::create_directories("program");
        std::ofstream("script.txt") << script;

        std::filesystem::current_path("in-process");
        the_engine.play.random_seeded = 0;  // as at a program's start
        std::istringstream in(script);
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(driver::run_script(r.compiled, in, out, err), 0) << err.str();
        std::filesystem::current_path("..");

        const std::string command = "cd program && '" TOMELET_HEADLESS "' --book '" TOMELET_SOURCE_DIR "/" +
                                    std::string(r.folder) + "' ../script.txt >out.txt 2>err.txt";
        EXPECT_EQ(std::system(command.c_str()), 0) << read_file("program/err.txt");
        EXPECT_EQ(read_file("program/out.txt"), out.str());
        EXPECT_NE(out.str().find("dump 4"), std::string::npos);
        ASSERT_TRUE(std::filesystem::exists("program/" + r.state_file));
        EXPECT_EQ(read_file("program/" + r.state_file), read_file("in-process/" + r.state_file));
        std::filesystem::remove_all("in-process");
        std::filesystem::remove_all("program");
    }
}

TEST_F(BookOptionTest, AFolderThatDoesNotCompileIsRefused) {
    const testing::book_folder broken("broken");
    broken.write("book.toml", "[book]\ntitle = \"Broken\"\n");
    std::filesystem::create_directories(broken.path() / "text");
    const std::string command = "'" TOMELET_HEADLESS "' --book broken </dev/null >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), driver::SCRIPT_ERROR);
    EXPECT_NE(read_file("err.txt").find("tomelet-headless: the book in broken does not compile"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("Broken.dat"));
    EXPECT_FALSE(std::filesystem::exists("VBQ2CorvinAshby.dat"));
}

// Two books read in one folder: each keeps its own state file, and one
// running (its file held) does not stop the other from starting.
TEST_F(BookOptionTest, TwoBooksInOneFolderKeepTheirOwnPlaces) {
    const auto play = [](const std::string& book, const std::string& script) {
        std::ofstream("script.txt") << script;
        const std::string command = "'" TOMELET_HEADLESS "'" +
                                    (book.empty() ? std::string() : " --book '" TOMELET_SOURCE_DIR "/" + book + "'") +
                                    " script.txt >out.txt 2>err.txt";
        EXPECT_EQ(std::system(command.c_str()), 0) << book << read_file("err.txt");
        return read_file("out.txt");
    };
    const auto shown = [](const std::string& dump) {
        const size_t at = dump.find("navigation shown ");
        return at == std::string::npos ? std::string() : dump.substr(at, dump.find(' ', at + 17) - at);
    };
    const std::string opening = "timer\ntimer\ncommand next\ncommand next\ndump\nclose\n";
    const std::string demo = shown(play("", opening));
    ASSERT_NE(demo, "");
    ASSERT_TRUE(std::filesystem::exists("VBQ2CorvinAshby.dat"));
    const std::string demo_record = read_file("VBQ2CorvinAshby.dat");

    // The demo's file held, as a running demo holds it: the lighthouse book
    // starts, plays and keeps its own place.
    bool existed = false;
    plat_file held = plat_file_open_exclusive("VBQ2CorvinAshby.dat", &existed);
    ASSERT_NE(held, nullptr);
    const std::string lighthouse = shown(play("books/lighthouse", "timer\ntimer\ncommand next\ndump\nclose\n"));
    plat_file_close(held);
    ASSERT_NE(lighthouse, "");
    ASSERT_TRUE(std::filesystem::exists("DarkLighthouse.dat"));
    EXPECT_EQ(read_file("VBQ2CorvinAshby.dat"), demo_record);

    // Each resumes where it was left.
    EXPECT_EQ(shown(play("", "dump\nclose\n")), demo);
    EXPECT_EQ(shown(play("books/lighthouse", "dump\nclose\n")), lighthouse);
}

}  // namespace
}  // namespace tomelet
