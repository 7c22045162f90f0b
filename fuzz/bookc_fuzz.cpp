// Fuzzes the book compiler: any paragraph text, and any catalogue, must be
// compiled or refused with messages, never crash or read outside its input;
// a book it accepts must generate its tables.  The input's first byte says
// whether the rest is the catalogue (odd) or the text (even).
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/support.h"
#include "tools/bookc/bookc.h"

namespace {

const char CATALOGUE[] = R"([book]
title = "Fuzz"
paragraphs = 12
[[picture]]
resource = 1100
[[sound]]
name = "ONE"
[[variable]]
name = "Day"
detail_target = 1
values = ["Monday", "Tuesday"]
[[restart_point]]
name = "Monday"
target = 1
)";

const char TEXT[] = "@ 2\n<H>Start<J> <M \"on\" 1> <G>\n";

void write(const std::filesystem::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::filesystem::path folder;
    if (folder.empty()) {
        char pattern[] = "/tmp/tomelet-bookc-fuzz-XXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        folder = pattern;
        std::filesystem::create_directories(folder / "text");
    }
    if (size == 0) return 0;
    // The compiler runs conditions through the engine's evaluator.
    tomelet::fuzzing::reset_engine_state();
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const bool catalogue = (data[0] & 1) != 0;
    write(folder / "book.toml", catalogue ? rest : std::string(CATALOGUE));
    write(folder / "text" / "a.tml", catalogue ? std::string(TEXT) : rest);
    tomelet::bookc::compile_result result = tomelet::bookc::compile_book(folder);
    if (result.ok()) {
        (void)tomelet::bookc::stats_text(*result.book);
        (void)tomelet::bookc::generate_cpp(*result.book, "fuzzed");
        // The story check and the map read what the compiler collected.
        const tomelet::bookc::story_findings findings = tomelet::bookc::check_story(result.story);
        (void)tomelet::bookc::story_warnings(result.story, findings);
        (void)tomelet::bookc::story_map_dot(result.story, findings, "fuzzed");
    }
    return 0;
}
