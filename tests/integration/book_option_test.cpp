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
#include "platform/headless/driver/driver.h"
#include "story/game_state.h"
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
    };
    for (const row& r : {row{"books/lighthouse", &book_lighthouse}, row{"tests/books/features", &book_features}}) {
        SCOPED_TRACE(r.folder);
        std::filesystem::create_directories("in-process");
        std::filesystem::create_directories("program");
        std::ofstream("script.txt") << script;

        std::filesystem::current_path("in-process");
        random_seeded = 0;  // as at a program's start
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
        EXPECT_EQ(read_file("program/VBQ2CorvinAshby.dat"), read_file("in-process/VBQ2CorvinAshby.dat"));
        std::filesystem::remove_all("in-process");
        std::filesystem::remove_all("program");
    }
}

TEST_F(BookOptionTest, AFolderThatDoesNotCompileIsRefused) {
    std::filesystem::create_directories("broken/text");
    std::ofstream("broken/book.toml") << "[book]\ntitle = \"Broken\"\n";
    const std::string command = "'" TOMELET_HEADLESS "' --book broken </dev/null >out.txt 2>err.txt";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), driver::SCRIPT_ERROR);
    EXPECT_NE(read_file("err.txt").find("tomelet-headless: the book in broken does not compile"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("VBQ2CorvinAshby.dat"));
}

}  // namespace
}  // namespace tomelet
