// The reader's engine paths without a heap allocation, on the headless back
// end over whole books: start-up to the first page, the opening sequence,
// the menu commands and built-in screens, a turn to every page (rebuild,
// layout, both paints, the owner-drawn hotwords), a choice taken on each
// page (a hotword, a typed answer), scrolling, a resize and the close.  Each
// phase is counted on its own, with nothing inside but the reader's calls.
#include <gtest/gtest.h>

#include <ostream>

#include "app/entry.h"
#include "app/navigation.h"
#include "app/shell.h"
#include "book/book.h"
#include "book/compiled_book.h"
#include "engine/engine.h"
#include "platform/headless/headless.h"
#include "tests/integration/allocation_counter.h"
#include "tests/support/temp_directory.h"

namespace tomelet {

extern const book_tables book_features;

namespace {

struct reader_book {
    const char* name;
    const book_tables* book;
};

void PrintTo(const reader_book& b, std::ostream* out) { *out << b.name; }

enum phase_id { START, OPENING, COMMANDS, PAGE_TURNS, CHOICES, SCROLLING, RESIZE, CLOSE, PHASES };

class ReaderAllocationTest : public testing::TempDirectoryTest, public ::testing::WithParamInterface<reader_book> {
protected:
    template <typename Calls>
    void count(phase_id phase, Calls&& calls) {
        testing::start_counting_allocations();
        calls();
        allocations_[phase] += testing::stop_counting_allocations();
    }

    // The first live, shown control of a kind, or null.
    static plat_control first_shown(plat_control_kind kind) {
        for (int32_t i = 0; i < headless::control_count(); ++i) {
            const headless::control_record& c = headless::control(i);
            if (c.alive && c.shown && c.enabled && c.params.kind == kind) return headless::control_by_id(c.params.id);
        }
        return nullptr;
    }

    int64_t allocations_[PHASES] = {};
};

TEST_P(ReaderAllocationTest, NoEnginePathAllocates) {
    headless::reset();
    bool started = false;
    count(START, [&] {
        started = app_start(GetParam().book);
        headless::pump();
    });
    ASSERT_TRUE(started);
    count(OPENING, [] {
        while (headless::timer_running()) headless::advance_clock(static_cast<uint32_t>(headless::timer_period()));
    });
    count(COMMANDS, [] {
        for (int32_t id : {CMD_NEXT, CMD_INSTRUCTIONS, CMD_ABOUT, CMD_SOUNDS, CMD_SOUND_CHECKBOX, CMD_SOUNDS_OK,
                           CMD_INFORMATION, CMD_HINTS, CMD_CREDITS, CMD_OBJECTIVE, CMD_RESTART, CMD_RETURN,
                           CMD_PREVIOUS, CMD_NEXT, CMD_BEGINNING}) {
            headless::send_command(id, 0);
        }
    });

    int32_t pages = 0;
    for (int32_t n = 1; n <= the_engine.book.tables->paragraph_count; ++n) {
        const paragraph_row* row = paragraph_at(n);
        if (row == nullptr || row->chunk < 0 || row->first >= row->end) continue;
        ++pages;
        count(PAGE_TURNS, [n] { goto_paragraph(static_cast<int16_t>(n), GOTO_TAKE_UP); });
        count(SCROLLING, [] {
            headless::press_key(KEY_DOWN);
            headless::press_key(KEY_NEXT);
            headless::scroll(SCROLL_THUMB_TRACK, 40);
            headless::scroll(SCROLL_THUMB_POSITION, 40);
            headless::scroll(SCROLL_BOTTOM, 0);
            headless::press_key(KEY_HOME);
        });
        const plat_control box = first_shown(PLAT_EDIT_BOX);
        const plat_control hotword = first_shown(PLAT_HOTWORD_BUTTON);
        count(CHOICES, [&] {
            if (box != nullptr) {
                headless::type_text(box, "no such answer");
                headless::edit_key(box, headless::KEY_RETURN);
            } else if (hotword != nullptr) {
                headless::click(hotword);
            }
        });
        if (pages == 1) {
            count(RESIZE, [] {
                const headless::window_record& w = headless::window();
                const int32_t width = w.client_width;
                const int32_t height = w.client_height;
                headless::set_client_size(width + 40, height - 60);
                headless::set_client_size(width, height);
            });
        }
    }
    count(CLOSE, [] {
        plat_window_post_close();
        headless::pump();
        app_finish();
    });

    EXPECT_GT(pages, 0);
    const char* names[PHASES] = {"start-up to the first page", "the opening sequence", "the menu commands",
                                 "a turn to every page", "a choice on every page", "scrolling", "a resize",
                                 "the close"};
    for (int32_t p = 0; p < PHASES; ++p) EXPECT_EQ(allocations_[p], 0) << names[p];
}

INSTANTIATE_TEST_SUITE_P(Books, ReaderAllocationTest,
                         ::testing::Values(reader_book{"compiled", &compiled_book},
                                           reader_book{"features", &book_features}),
                         [](const ::testing::TestParamInfo<reader_book>& info) { return info.param.name; });

}  // namespace
}  // namespace tomelet
