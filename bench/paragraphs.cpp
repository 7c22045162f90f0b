// Assembling and running every paragraph of the compiled-in book, as a page
// build does.  Two benchmarks side by side: the assembly alone, and the
// assembly followed by the interpreter, both reported per page and per
// assembled character, so the cost of interpretation over assembly reads
// off one run.
#include <benchmark/benchmark.h>

#include <cstring>

#include "book/assemble.h"
#include "book/book.h"
#include "book/compiled_book.h"
#include "engine/engine.h"
#include "layout/realise.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "platform/headless/headless.h"
#include "story/markup.h"
#include "story/story_state.h"

namespace tomelet {
namespace {

// What an assembly reports; the demo book's pages report nothing.
char problem[ASSEMBLY_MESSAGE_SIZE];

bool has_text(int32_t n) {
    const paragraph_row* row = paragraph_at(n);
    return row != nullptr && row->chunk >= 0 && row->first < row->end;
}

int64_t page_count() {
    int64_t pages = 0;
    for (int32_t n = 1; n <= the_engine.book.tables->paragraph_count; ++n) pages += has_text(n) ? 1 : 0;
    return pages;
}

// The characters assembled for every page once.
int64_t character_count() {
    int64_t characters = 0;
    for (int32_t n = 1; n <= the_engine.book.tables->paragraph_count; ++n) {
        if (!has_text(n)) continue;
        assemble_paragraph(n, the_engine.book.paragraph_text, problem);
        characters += static_cast<int64_t>(std::strlen(the_engine.book.paragraph_text));
    }
    return characters;
}

void per_page(benchmark::State& state, int64_t pages) {
    const auto per = [](int64_t count) {
        return benchmark::Counter(static_cast<double>(count),
                                  benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    };
    state.counters["pages"] = static_cast<double>(pages);
    state.counters["time_per_page"] = per(pages);
    state.counters["time_per_char"] = per(character_count());
}

void BM_AssembleEveryPage(benchmark::State& state) {
    headless::reset();
    book_use(&compiled_book);
    install_page_measures();
    const int64_t pages = page_count();
    for (auto _ : state) {
        for (int32_t n = 1; n <= the_engine.book.tables->paragraph_count; ++n) {
            if (!has_text(n)) continue;
            assemble_paragraph(n, the_engine.book.paragraph_text, problem);
            benchmark::DoNotOptimize(the_engine.book.paragraph_text);
        }
    }
    per_page(state, pages);
}
BENCHMARK(BM_AssembleEveryPage);

void BM_AssembleAndRunEveryPage(benchmark::State& state) {
    headless::reset();
    book_use(&compiled_book);
    install_page_measures();
    const int64_t pages = page_count();
    for (auto _ : state) {
        for (int32_t n = 1; n <= the_engine.book.tables->paragraph_count; ++n) {
            if (!has_text(n)) continue;
            destroy_page_controls();
            page_clear();
            int32_t length = 0;
            assemble_paragraph(n, the_engine.book.paragraph_text, problem, &length);
            run_paragraph(the_engine.book.paragraph_text, length);
            realise_page_controls();
            benchmark::DoNotOptimize(the_engine.page.page_items);
        }
        headless::clear_messages();
        drop_held_messages();
        headless::clear_sounds();
    }
    per_page(state, pages);
}
BENCHMARK(BM_AssembleAndRunEveryPage);

// The interpretation alone: every page's text assembled once beforehand,
// each run from its own copy.
void BM_RunEveryPage(benchmark::State& state) {
    headless::reset();
    book_use(&compiled_book);
    install_page_measures();
    const int64_t pages = page_count();
    static char texts[1024][PARAGRAPH_TEXT_SIZE];
    static int32_t lengths[1024];
    int32_t stored = 0;
    for (int32_t n = 1; n <= the_engine.book.tables->paragraph_count && stored < 1024; ++n) {
        if (!has_text(n)) continue;
        assemble_paragraph(n, texts[stored], problem, &lengths[stored]);
        ++stored;
    }
    for (auto _ : state) {
        for (int32_t k = 0; k < stored; ++k) {
            destroy_page_controls();
            page_clear();
            run_paragraph(texts[k], lengths[k]);
            realise_page_controls();
            benchmark::DoNotOptimize(the_engine.page.page_items);
        }
        headless::clear_messages();
        drop_held_messages();
        headless::clear_sounds();
    }
    per_page(state, pages);
}
BENCHMARK(BM_RunEveryPage);

}  // namespace
}  // namespace tomelet
