// The whole page turn on the headless back end, as the reader does it: a
// choice goes to a paragraph, which rebuilds the page, lays it out (again
// when its controls moved into their lines) and paints it once, and the
// owner-drawn hotwords are drawn after the paint.  Beside it the reader's
// start-up to its first page and close, in process.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/entry.h"
#include "book/book.h"
#include "book/compiled_book.h"
#include "platform/headless/headless.h"

namespace tomelet {
namespace {

// The reader keeps its state file in the folder it runs in: each benchmark
// runs in an empty folder of its own, removed afterwards.  The page turn
// keeps the reader's place after every turn, and a flush to a disk costs
// milliseconds: the page turn is measured in a memory file system
// (/dev/shm, where there is one), the flush on the disk by BM_KeepPlace.
constexpr const char* ON_DISK = "/tmp";
inline const char* in_memory() { return access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : ON_DISK; }

class scratch_folder {
public:
    explicit scratch_folder(const char* base = in_memory()) {
        std::string pattern = std::string(base) + "/tomelet-bench-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) return;
        dir_ = pattern;
        old_ = std::filesystem::current_path();
        ok_ = chdir(pattern.c_str()) == 0;
    }
    ~scratch_folder() {
        if (dir_.empty()) return;
        if (ok_ && chdir(old_.c_str()) != 0) std::perror("chdir");
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    scratch_folder(const scratch_folder&) = delete;
    scratch_folder& operator=(const scratch_folder&) = delete;
    bool ok() const { return ok_; }

private:
    std::string dir_;
    std::filesystem::path old_;
    bool ok_ = false;
};

bool has_text(int32_t n) {
    const paragraph_row* row = paragraph_at(n);
    return row != nullptr && row->chunk >= 0 && row->first < row->end;
}

void close_reader() {
    if (headless::window().exists) {
        plat_window_post_close();
        headless::pump();
    }
    app_finish();
}

// Turns to every page of the book in turn, as following a choice does.
void BM_PageTurnEveryPage(benchmark::State& state) {
    scratch_folder folder;
    headless::reset();
    if (!folder.ok() || !app_start(&compiled_book)) {
        state.SkipWithError("the reader does not start");
        return;
    }
    headless::pump();
    // Past the opening sequence (two timed screens, then Next) to the
    // story's first page.
    while (headless::timer_running()) headless::advance_clock(static_cast<uint32_t>(headless::timer_period()));
    headless::send_command(CMD_NEXT, 0);
    if (app_page_view().pending_screen != 0) {
        state.SkipWithError("the opening sequence does not end");
        close_reader();
        return;
    }
    int64_t pages = 0;
    for (int32_t n = 1; n <= book_in_use()->paragraph_count; ++n) pages += has_text(n) ? 1 : 0;

    const int32_t paints_before = headless::paint_count();
    for (auto _ : state) {
        for (int32_t n = 1; n <= book_in_use()->paragraph_count; ++n) {
            if (!has_text(n)) continue;
            app_go_to_paragraph(static_cast<int16_t>(n));
        }
        headless::clear_messages();
        headless::clear_sounds();
    }
    const double turns = static_cast<double>(pages) * static_cast<double>(state.iterations());
    state.counters["pages"] = static_cast<double>(pages);
    state.counters["paints_per_turn"] = static_cast<double>(headless::paint_count() - paints_before) / turns;
    state.counters["time_per_page"] = benchmark::Counter(
        static_cast<double>(pages), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    close_reader();
}
BENCHMARK(BM_PageTurnEveryPage);

// A fresh back end, the reader started (state file, window, fonts, the
// first page painted), closed and its state file written back.
void BM_StartUpToFirstPageAndClose(benchmark::State& state) {
    scratch_folder folder(ON_DISK);
    if (!folder.ok()) {
        state.SkipWithError("no scratch folder");
        return;
    }
    for (auto _ : state) {
        headless::reset();
        if (!app_start(&compiled_book)) {
            state.SkipWithError("the reader does not start");
            return;
        }
        headless::pump();
        close_reader();
    }
}
BENCHMARK(BM_StartUpToFirstPageAndClose)->Unit(benchmark::kMicrosecond);

// What keeping the place costs a turn: the record filled from the story and
// written over the open state file at offset 0, then flushed (as every turn
// and the exit do), on the disk (argument 0: /tmp) and in memory (1:
// /dev/shm, where the flush costs nothing, so that what is left is the
// engine's fill and the write itself).
void BM_KeepPlace(benchmark::State& state) {
    scratch_folder folder(state.range(0) == 0 ? ON_DISK : in_memory());
    headless::reset();
    if (!folder.ok() || !app_start(&compiled_book)) {
        state.SkipWithError("the reader does not start");
        return;
    }
    headless::pump();
    for (auto _ : state) {
        if (!app_keep_place()) {
            state.SkipWithError("the place could not be kept");
            break;
        }
    }
    close_reader();
}
BENCHMARK(BM_KeepPlace)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tomelet
