// The tomelet-bookc program itself: its exit codes, its outputs, and the
// project's own book.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "book/image.h"
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
    const std::string image = (folder.path() / "out" / "book.img").string();
    const run_result run = run_bookc(folder, quoted(folder.path().string()) + " --symbol my_book -o " +
                                                 quoted(output) + " --image " + quoted(image) + " --stats");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(split_lines(run.out)[0], "paragraphs 3");
    const std::string code = folder.read("out/book.cpp");
    EXPECT_NE(code.find("const book_tables my_book = {"), std::string::npos);
    // The image loads as the same book.
    const std::string bytes = folder.read("out/book.img");
    const std::vector<uint8_t> aligned(bytes.begin(), bytes.end());
    const auto loaded = std::make_unique<loaded_book>();
    char reason[IMAGE_REASON_SIZE];
    ASSERT_TRUE(load_book_image(aligned.data(), aligned.size(), loaded.get(), reason)) << reason;
    EXPECT_EQ(loaded->tables.paragraph_count, 3);
    // Nothing is left beside them.
    int32_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path() / "out")) ++files;
    EXPECT_EQ(files, 2);
}

TEST(BookcProgram, WritesTheBooksDetailsAsJson) {
    book_folder folder;
    // Text with a quote, a backslash and characters beyond ASCII, given
    // back in UTF-8.
    std::string catalogue = small_catalogue();
    const std::string title = "title = \"Small Book\"";
    catalogue.replace(catalogue.find(title), title.size(), "title = \"Caf\xC3\xA9 \\\"Noir\\\" \\\\ \xE2\x80\x94 1\"");
    folder.write("book.toml", catalogue);
    folder.write("text/a.tml", two_pages());
    const std::string json = (folder.path() / "details.json").string();
    const run_result run = run_bookc(folder, quoted(folder.path().string()) + " --details " + quoted(json));
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(folder.read("details.json"),
              "{\n"
              "  \"id\": \"SmallBook\",\n"
              "  \"ifid\": \"0E6A2C55-3B8D-4C7A-9F10-2D4B6E8A1C33\",\n"
              "  \"title\": \"Caf\xC3\xA9 \\\"Noir\\\" \\\\ \xE2\x80\x94 1\",\n"
              "  \"authors\": \"Tester\",\n"
              "  \"copyright\": \"\",\n"
              "  \"description\": \"\",\n"
              "  \"web_site\": \"\",\n"
              "  \"contact_address\": \"\",\n"
              "  \"support_address\": \"\",\n"
              "  \"title_picture\": null\n"
              "}\n");
    EXPECT_EQ(run_bookc(folder, quoted(folder.path().string()) + " --details").exit_code, 2);
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
    EXPECT_NE(run.err.find(folder.name("text/a.tml") + ":7:1: error: target 30 leads to paragraph 31"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find(folder.name("text/a.tml") + ":8:1: error: sound 9"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(folder.name("text/a.tml") + ":8:4: warning: paragraph 4 does not end with <G>"),
              std::string::npos);
    EXPECT_EQ(folder.read("old.cpp"), "the previous output\n");

    run = run_bookc(folder, quoted(folder.path().string()) + " -o " + quoted((folder.path() / "new.cpp").string()));
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "new.cpp"));
    int32_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) ++files;
    EXPECT_EQ(files, 5);  // book.toml, text, old.cpp, stdout.txt and stderr.txt
}

// A source file that is not a plain file, or is over the size every file is
// held to, is an error with the file's name, at once: a pipe is never
// waited on, a device never read to its end.
TEST(BookcProgram, SourceFilesMustBePlainAndWithinTheirSize) {
    const auto sparse = [](const std::filesystem::path& path, std::uintmax_t size) {
        { std::ofstream create(path); }
        std::filesystem::resize_file(path, size);
    };
    const auto fifo = [](const std::filesystem::path& path) { ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); };
    const std::uintmax_t over = 64u * 1024u * 1024u + 1;
    const struct {
        const char* file;  // replaced by something else
        std::function<void(const std::filesystem::path&)> make;
        const char* where;  // the file the message names
        const char* what;
    } rows[] = {
        {"book.toml", fifo, "book.toml", "cannot read the catalogue"},
        {"book.toml", [](const std::filesystem::path& p) { std::filesystem::create_symlink("/dev/zero", p); },
         "book.toml", "cannot read the catalogue"},
        {"book.toml", [&](const std::filesystem::path& p) { sparse(p, over); }, "book.toml",
         "the file is larger than 64 MiB"},
        {"text/a.tml", fifo, "book.toml", "cannot read the text file"},
        {"text/a.tml", [&](const std::filesystem::path& p) { sparse(p, over); }, "text/a.tml",
         "the file is larger than 64 MiB"},
        {"pictures/p.bmp", fifo, "book.toml", "cannot read the file 'pictures/p.bmp'"},
        {"pictures/p.bmp", [&](const std::filesystem::path& p) { sparse(p, over); }, "pictures/p.bmp",
         "the file is larger than 64 MiB"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        book_folder folder;
        // The text file is listed: a pipe under text/ is never even found.
        std::string catalogue = small_catalogue("[[bitmap]]\nresource = 1700\nfile = \"pictures/p.bmp\"\n");
        catalogue.replace(0, 7, "[book]\ntext = [\"text/a.tml\"]\n");
        folder.write("book.toml", catalogue);
        folder.write("text/a.tml", two_pages());
        folder.write("pictures/p.bmp", "BM");
        std::filesystem::remove(folder.path() / row.file);
        row.make(folder.path() / row.file);
        const run_result run = run_bookc(folder, quoted(folder.path().string()));
        EXPECT_EQ(run.exit_code, 1);
        const size_t at = run.err.find(folder.name(row.where) + ":");
        ASSERT_NE(at, std::string::npos) << run.err;
        EXPECT_NE(run.err.find(std::string(": error: ") + row.what, at), std::string::npos) << run.err;
    }
}

// Memory running out ends the run with a message and exit code 1: a book
// whose title alone is 40 MiB, compiled with 100 MB of address space.
TEST(BookcProgram, RunningOutOfMemoryIsAnErrorNotACrash) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#endif
    book_folder folder;
    folder.write("book.toml", "[book]\ntitle = \"" + std::string(40u << 20, 'a') + "\"\n");
    folder.write("text/a.tml", two_pages());
    const std::string err = (folder.path() / "stderr.txt").string();
    const std::string command = "(ulimit -v 100000; " + quoted(TOMELET_BOOKC) + " " + quoted(folder.path().string()) +
                                ") >/dev/null 2>" + quoted(err);
    const int status = std::system(command.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(folder.read("stderr.txt"), "tomelet-bookc: out of memory\n");
}

TEST(BookcProgram, ChecksTheStoryAndDrawsItsMap) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/a.tml", two_pages() + "@ 8\n<H>Alone<J>Nobody comes here.<G>\n");
    const std::string book = quoted(folder.path().string());
    // Warnings only: the exit code stays 0.
    run_result run = run_bookc(folder, book + " --check-story");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, folder.name("text/a.tml") +
                           ":5: warning: paragraph 8 (\"Alone\") cannot be reached: no hotword, band, answer, link, "
                           "restart point or screen leads to it\n");

    const std::string dot = (folder.path() / "map.dot").string();
    const std::string svg = (folder.path() / "map.svg").string();
    run = run_bookc(folder, book + " --map " + quoted(dot));
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(folder.read("map.dot").compare(0, 15, "digraph story {"), 0);
    run = run_bookc(folder, book + " --map " + quoted(svg));
    EXPECT_EQ(run.exit_code, 0) << run.err;
    const std::string drawn = folder.read("map.svg");
    EXPECT_NE(drawn.find("<svg"), std::string::npos);
    EXPECT_NE(drawn.find("Alone"), std::string::npos);
    EXPECT_EQ(run_bookc(folder, book + " --map map.png").exit_code, 2);
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
