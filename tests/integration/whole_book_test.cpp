// Every paragraph of the compiled books, assembled and run as a page build
// does it: without a message, without a heap allocation, and with every
// choice leading to a paragraph that has text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>

#include "book/assemble.h"
#include "book/book.h"
#include "book/compiled_book.h"
#include "engine/engine.h"
#include "layout/realise.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "platform/headless/headless.h"
#include "story/hotwords.h"
#include "story/markup.h"
#include "story/story_state.h"
#include "tests/integration/allocation_counter.h"

namespace tomelet {

extern const book_tables book_features;

namespace {

struct named_book {
    const char* name;
    const book_tables* book;
};

void PrintTo(const named_book& b, std::ostream* out) { *out << b.name; }

// The counter must see what it is meant to catch: every way to the heap.
void* volatile kept_allocation = nullptr;

TEST(AllocationCounterTest, SeesAnAllocation) {
    const struct {
        const char* name;
        void (*allocate_and_free)();
    } ways[] = {
        {"new", [] { kept_allocation = new std::string(100, 'x'); delete static_cast<std::string*>(kept_allocation); }},
        {"new[]", [] { kept_allocation = new char[64]; delete[] static_cast<char*>(kept_allocation); }},
        {"malloc", [] { kept_allocation = std::malloc(64); std::free(kept_allocation); }},
        {"calloc", [] { kept_allocation = std::calloc(8, 8); std::free(kept_allocation); }},
        {"realloc", [] { kept_allocation = std::realloc(nullptr, 64); std::free(kept_allocation); }},
        {"aligned_alloc", [] { kept_allocation = std::aligned_alloc(64, 64); std::free(kept_allocation); }},
        {"strdup", [] { kept_allocation = strdup("tomelet"); std::free(kept_allocation); }},
    };
    for (const auto& way : ways) {
        testing::start_counting_allocations();
        way.allocate_and_free();
        EXPECT_GE(testing::stop_counting_allocations(), 1) << way.name;
    }
    kept_allocation = nullptr;
}

class WholeBookTest : public ::testing::TestWithParam<named_book> {
protected:
    void SetUp() override {
        headless::reset();
        book_use(GetParam().book);
    }

    static bool has_text(int32_t n) {
        const paragraph_row* row = paragraph_at(n);
        return row != nullptr && row->chunk >= 0 && row->first < row->end;
    }

    static void build_page(int32_t n) {
        destroy_page_controls();
        page_clear();
        install_page_measures();
        build_paragraph(n);
        realise_page_controls();
    }
};

TEST_P(WholeBookTest, EveryPageBuildsWithoutAHeapAllocation) {
    int32_t pages = 0;
    testing::start_counting_allocations();
    for (int32_t n = 1; n <= the_engine.book.tables->paragraph_count; ++n) {
        if (!has_text(n)) continue;
        build_page(n);
        ++pages;
    }
    const int64_t allocations = testing::stop_counting_allocations();
    EXPECT_GT(pages, 0);
    EXPECT_EQ(allocations, 0);
}

TEST_P(WholeBookTest, EveryPageBuildsWithoutAMessageAndItsChoicesLeadToText) {
    for (int32_t n = 1; n <= the_engine.book.tables->paragraph_count; ++n) {
        if (!has_text(n)) continue;
        drop_held_messages();
        build_page(n);
        EXPECT_EQ(reported_message_count(), 0)
            << "paragraph " << n << ": " << held_message_text(0);
        EXPECT_GT(the_engine.page.page_item_count, 0) << "paragraph " << n;
        for (int32_t i = 0; i < the_engine.play.hotword_count; ++i) {
            const hotword& h = the_engine.play.hotwords[i];
            if (h.kind == 'u') continue;
            EXPECT_TRUE(has_text(h.target1 + 1)) << "paragraph " << n << " choice " << i;
            if (h.kind == 'L' || h.kind == 'd' || h.kind == 'S') {
                EXPECT_TRUE(has_text(h.default_target + 1)) << "paragraph " << n << " choice " << i;
            }
        }
    }
}

TEST_P(WholeBookTest, TheBookHasItsOpeningPageAndInfo) {
    EXPECT_TRUE(has_text(2));
    ASSERT_NE(the_engine.book.tables->book_info, nullptr);
    EXPECT_NE(std::string(the_engine.book.tables->book_info->title), "");
}

INSTANTIATE_TEST_SUITE_P(Books, WholeBookTest,
                         ::testing::Values(named_book{"compiled", &compiled_book},
                                           named_book{"features", &book_features}),
                         [](const ::testing::TestParamInfo<named_book>& info) { return info.param.name; });

}  // namespace
}  // namespace tomelet
