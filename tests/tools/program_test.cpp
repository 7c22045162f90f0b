// The tomelet-bookc program itself: its exit codes, its outputs, and the
// project's own book.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/book_folder.h"

namespace tomelet {
namespace {

using testing::book_folder;
using testing::small_catalogue;
using testing::two_pages;

struct run_result {
    int exit_code = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// Runs the compiler with `arguments`; its outputs are kept in `folder`.
run_result run_bookc(const book_folder& folder, const std::string& arguments) {
    const std::string out = (folder.path() / "stdout.txt").string();
    const std::string err = (folder.path() / "stderr.txt").string();
    const std::string command =
        quoted(TOMELET_BOOKC) + " " + arguments + " >" + quoted(out) + " 2>" + quoted(err);
    const int status = std::system(command.c_str());
    run_result result;
#ifdef WEXITSTATUS
    result.exit_code = WEXITSTATUS(status);
#else
    result.exit_code = status;
#endif
    result.out = folder.read("stdout.txt");
    result.err = folder.read("stderr.txt");
    return result;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) result.push_back(line);
    return result;
}

TEST(BookcProgram, TheDemoBookCompilesWithoutAWordAndShowsItsShape) {
    book_folder scratch;
    const std::string demo = std::string(TOMELET_SOURCE_DIR) + "/books/demo";
    const run_result run = run_bookc(scratch, quoted(demo) + " --stats");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, "");  // no error and no warning
    const std::vector<std::string> lines = split_lines(run.out);
    // paragraphs, missing, empty, the chunks, longest, pictures, sounds,
    // variables, restart_points: each a keyword and numbers.
    ASSERT_GE(lines.size(), 9u) << run.out;
    const auto keyword = [](const std::string& line) { return line.substr(0, line.find(' ')); };
    std::vector<std::string> keywords;
    for (const std::string& line : lines) {
        if (keywords.empty() || keywords.back() != keyword(line)) keywords.push_back(keyword(line));
        for (const char c : line.substr(keyword(line).size())) {
            EXPECT_TRUE(c == ' ' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')) << line;
        }
    }
    EXPECT_EQ(keywords, (std::vector<std::string>{"paragraphs", "missing", "empty", "chunk", "longest", "pictures",
                                                  "sounds", "variables", "restart_points"}));
    EXPECT_EQ(lines[1], "missing 1");
    EXPECT_EQ(lines[2], "empty 8 9 10");
    EXPECT_EQ(lines[3].compare(0, 13, "chunk 0 pool "), 0) << lines[3];
}

TEST(BookcProgram, WritesTheGeneratedSourceAndTheStats) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/a.tml", two_pages());
    const std::string output = (folder.path() / "out" / "book.cpp").string();
    std::filesystem::create_directories(folder.path() / "out");
    const run_result run = run_bookc(folder, quoted(folder.path().string()) + " --symbol my_book -o " +
                                                 quoted(output) + " --stats");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(split_lines(run.out)[0], "paragraphs 3");
    const std::string code = folder.read("out/book.cpp");
    EXPECT_NE(code.find("const book_tables my_book = {"), std::string::npos);
    // Nothing is left beside it.
    int32_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path() / "out")) ++files;
    EXPECT_EQ(files, 1);
}

TEST(BookcProgram, AnErrorWritesNothingAndExitsWithOne) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/a.tml", two_pages() + "@ 4\n<H>Four<J>\n<M \"a\" 30><G>\n<A 9>\n");
    folder.write("old.cpp", "the previous output\n");

    run_result run = run_bookc(folder, quoted(folder.path().string()) + " -o " +
                                           quoted((folder.path() / "old.cpp").string()) + " --stats");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_EQ(run.out, "");  // no stats either
    EXPECT_NE(run.err.find(folder.name("text/a.tml") + ":7: error: target 30 leads to paragraph 31"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find(folder.name("text/a.tml") + ":8: error: sound 9"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(folder.name("text/a.tml") + ":8: warning: paragraph 4 does not end with <G>"),
              std::string::npos);
    EXPECT_EQ(folder.read("old.cpp"), "the previous output\n");

    run = run_bookc(folder, quoted(folder.path().string()) + " -o " + quoted((folder.path() / "new.cpp").string()));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "new.cpp"));
    int32_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++files;
    EXPECT_EQ(files, 5);  // book.toml, text, old.cpp, stdout.txt and stderr.txt
}

TEST(BookcProgram, CommandLineMistakesAreRefused) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/a.tml", two_pages());
    const std::string book = quoted(folder.path().string());

    run_result run = run_bookc(folder, "--help");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(run.out.find("usage: tomelet-bookc BOOK_FOLDER"), std::string::npos);

    run = run_bookc(folder, book + " --symbol 2bad -o " + quoted((folder.path() / "x.cpp").string()));
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "x.cpp"));
    EXPECT_EQ(run_bookc(folder, "").exit_code, 2);
    EXPECT_EQ(run_bookc(folder, book + " -o").exit_code, 2);
}

}  // namespace
}  // namespace tomelet
