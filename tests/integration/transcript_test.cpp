// Behaviour tests as transcripts: every tests/transcripts/*.txt holds driver
// scripts and the output expected from them side by side (the form is in
// docs/headless-driver.md).  Each file is played by the real
// `tomelet-headless` in a fresh temporary folder, its runs one after another
// in that folder, and the transcript rebuilt from what the program printed
// must equal the file.  With TOMELET_UPDATE_TRANSCRIPTS=1 the file is
// rewritten from the actual output instead (refused when CI is set).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/temp_directory.h"

namespace tomelet {
namespace {

const std::string SOURCE_DIR = TOMELET_SOURCE_DIR;

std::string read_text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool starts_with(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// The program's output names the source tree's folders as the transcript
// does, relative to it.
std::string relative_to_source(std::string text) {
    const std::string prefix = SOURCE_DIR + "/";
    for (size_t at; (at = text.find(prefix)) != std::string::npos;) text.erase(at, prefix.size());
    return text;
}

// The dumps in a run's standard output, each from its `dump N` line to its
// `end`, keeping only the sections named (all when none are).
std::vector<std::vector<std::string>> dumps(const std::string& out, const std::set<std::string>& shown) {
    std::vector<std::vector<std::string>> blocks;
    bool keep = true;
    for (const std::string& line : split_lines(out)) {
        if (starts_with(line, "dump ")) {
            blocks.emplace_back();
            keep = true;
        } else if (blocks.empty()) {
            continue;
        } else if (line != "end" && !starts_with(line, " ")) {
            keep = shown.empty() || shown.count(line.substr(0, line.find(' '))) != 0;
        }
        if (keep || line == "end") blocks.back().push_back(line);
    }
    return blocks;
}

struct run_result {
    int code = 0;
    std::string out;
    std::string err;
};

// One run of the program on the commands given, in the current folder.
run_result play(const std::string& arguments, const std::vector<std::string>& commands) {
    std::ofstream script("script.txt", std::ios::binary | std::ios::trunc);
    for (const std::string& command : commands) script << command << '\n';
    script.close();
    std::string book;
    std::istringstream words(arguments);
    std::string word;
    EXPECT_TRUE(words >> word && word == "tomelet-headless") << "a run starts `$ tomelet-headless`";
    if (words >> word) {
        std::string folder;
        EXPECT_TRUE(word == "--book" && words >> folder) << "a run's only option is --book FOLDER";
        book = " --book '" + SOURCE_DIR + "/" + folder + "'";
    }
    EXPECT_FALSE(words >> word) << "unexpected " << word << " after the book";
    const std::string line = "'" TOMELET_HEADLESS "'" + book + " script.txt >out.txt 2>err.txt";
    const int status = std::system(line.c_str());
    run_result r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
    r.out = relative_to_source(read_text("out.txt"));
    r.err = relative_to_source(read_text("err.txt"));
    return r;
}

// Plays a transcript and returns it rebuilt from the actual output: every
// line the author wrote (header, comments, blanks, `$` and `>` lines) kept
// in place, every output line replaced by what the program printed.
std::string replay(const std::vector<std::string>& lines) {
    std::set<std::string> shown;
    std::vector<std::string> result;
    size_t at = 0;
    while (at < lines.size() && !starts_with(lines[at], "$ ")) {
        const std::string& line = lines[at++];
        if (starts_with(line, "show:")) {
            static const std::set<std::string> sections = {"navigation", "links", "window",   "scroll",
                                                           "items",      "lines", "controls", "navbar",
                                                           "sounds",     "messages", "variables"};
            std::istringstream words(line.substr(5));
            for (std::string word; words >> word;) {
                EXPECT_EQ(sections.count(word), 1u) << "no dump section " << word;
                shown.insert(word);
            }
        }
        result.push_back(line);
    }
    while (at < lines.size()) {
        const std::string run_line = lines[at++];
        result.push_back(run_line);
        // The run's lines, up to the next run: a script command is sent
        // as it stands, a comment or blank line is kept for the reader.
        std::vector<std::string> commands;
        std::vector<std::string> kept;
        for (; at < lines.size() && !starts_with(lines[at], "$ "); ++at) {
            const std::string& line = lines[at];
            if (starts_with(line, "> ")) commands.push_back(line.substr(2));
            if (starts_with(line, "> ") || line.empty() || line[0] == '#') kept.push_back(line);
        }
        const run_result r = play(run_line.substr(2), commands);
        const std::vector<std::vector<std::string>> blocks = dumps(r.out, shown);
        size_t next_dump = 0;
        for (const std::string& line : kept) {
            result.push_back(line);
            std::istringstream words(line.substr(std::min<size_t>(2, line.size())));
            std::string word;
            if (starts_with(line, "> ") && words >> word && word == "dump" && next_dump < blocks.size()) {
                for (const std::string& out : blocks[next_dump++]) result.push_back(out);
            }
        }
        result.push_back("? " + std::to_string(r.code));
        for (const std::string& err : split_lines(r.err)) result.push_back("! " + err);
    }
    std::string text;
    for (const std::string& line : result) text += line + '\n';
    return text;
}

// A line diff of expected against actual, unified style: changed lines
// with three lines of context, `@@ -LINE +LINE @@` before each hunk.
std::string diff(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    const size_t n = a.size(), m = b.size();
    std::vector<std::vector<unsigned>> common(n + 1, std::vector<unsigned>(m + 1, 0));
    for (size_t i = n; i-- > 0;)
        for (size_t j = m; j-- > 0;)
            common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
    struct edit {
        char kind;
        size_t i, j;
    };
    std::vector<edit> edits;
    for (size_t i = 0, j = 0; i < n || j < m;) {
        if (i < n && j < m && a[i] == b[j]) edits.push_back({' ', i++, j++});
        else if (i < n && (j == m || common[i + 1][j] >= common[i][j + 1])) edits.push_back({'-', i++, j});
        else edits.push_back({'+', i, j++});
    }
    std::string text;
    const size_t context = 3;
    size_t last_shown = 0;
    bool any = false;
    for (size_t k = 0; k < edits.size(); ++k) {
        bool near = false;
        for (size_t d = k >= context ? k - context : 0; d < edits.size() && d <= k + context; ++d)
            near = near || edits[d].kind != ' ';
        if (!near) continue;
        if (!any || k != last_shown + 1)
            text += "@@ -" + std::to_string(edits[k].i + 1) + " +" + std::to_string(edits[k].j + 1) + " @@\n";
        const std::string& line = edits[k].kind == '+' ? b[edits[k].j] : a[edits[k].i];
        text += std::string(1, edits[k].kind) + line + '\n';
        last_shown = k;
        any = true;
    }
    return text;
}

std::vector<std::string> transcript_names() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(SOURCE_DIR + "/tests/transcripts"))
        if (entry.path().extension() == ".txt") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class TranscriptTest : public testing::TempDirectoryTest,
                       public ::testing::WithParamInterface<std::string> {};

TEST_P(TranscriptTest, PlaysAsWritten) {
    const std::filesystem::path file = SOURCE_DIR + "/tests/transcripts/" + GetParam() + ".txt";
    const std::string expected = read_text(file);
    ASSERT_TRUE(starts_with(expected, "$ ") || expected.find("\n$ ") != std::string::npos)
        << file.string() << " has no run";
    const std::string actual = replay(split_lines(expected));
    const char* update = std::getenv("TOMELET_UPDATE_TRANSCRIPTS");
    if (update != nullptr && std::string(update) == "1") {
        ASSERT_EQ(std::getenv("CI"), nullptr) << "TOMELET_UPDATE_TRANSCRIPTS is never used in CI";
        if (actual != expected) std::ofstream(file, std::ios::binary | std::ios::trunc) << actual;
        return;
    }
    EXPECT_TRUE(actual == expected) << file.string() << " differs (- expected, + actual):\n"
                                    << diff(split_lines(expected), split_lines(actual));
}

INSTANTIATE_TEST_SUITE_P(Transcripts, TranscriptTest, ::testing::ValuesIn(transcript_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace tomelet
