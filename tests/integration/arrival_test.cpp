// A page's effects apply once per arrival, over the demo, lighthouse and
// feature books: every page whose build changes a variable, a flag or a
// restart point is arrived at as a choice arrives, then shown again every
// other way the reader can come back to it (Return from each side page and
// screen, a close and a new start, the saved record opened).  Each of them
// shows the page as the arrival did, and leaves the story as it stood.
#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>

#include "app/entry.h"
#include "app/navigation.h"
#include "app/shell.h"
#include "book/book.h"
#include "book/compiled_book.h"
#include "engine/engine.h"
#include "platform/common/model_dump.h"
#include "platform/headless/headless.h"
#include "story/state_file.h"
#include "story/story_state.h"
#include "tests/support/temp_directory.h"

namespace tomelet {

extern const book_tables book_features;
extern const book_tables book_lighthouse;

namespace {

struct arrival_book {
    const char* name;
    const book_tables* book;
};

void PrintTo(const arrival_book& b, std::ostream* out) { *out << b.name; }

// The story's live state: every variable's value and flag, the restart
// points' set fields and paragraphs, their snapshots.
std::string story_state() {
    std::ostringstream s;
    for (int32_t i = 0; i < the_engine.book.tables->variable_count; ++i) {
        s << int(variable_state_at(i)->value) << ',' << int(variable_state_at(i)->flag) << ' ';
    }
    for (int32_t k = 0; k < the_engine.book.tables->restart_point_count; ++k) {
        s << '*' << int(restart_state_at(k)->set) << ',' << restart_state_at(k)->paragraph << ':';
        const uint8_t* snapshot = restart_snapshot(k);
        for (int32_t i = 0; i < 2 * the_engine.book.tables->variable_count; ++i) s << int(snapshot[i]) << ' ';
    }
    return s.str();
}

// What the page shows: its display list, its controls' labels and links.
std::string shown_page() {
    const page_view view = app_page_view();
    std::string s = model_dump::navigation(view) + "\n" + model_dump::links(view) + model_dump::items(view);
    for (int32_t i = 0; i < view.button_count; ++i) s += std::string("button ") + view.buttons[i].label + "\n";
    for (int32_t i = 0; i < the_engine.page.edit_box_count; ++i) s += "box " + std::to_string(the_engine.page.edit_boxes[i].maximum_length) + "\n";
    return s;
}

std::string record_bytes() {
    int32_t size = 0;
    const uint8_t* bytes = app_place_record(&size);
    return std::string(reinterpret_cast<const char*>(bytes), static_cast<size_t>(size));
}

// Starts the reader and, at the first page, runs the opening sequence and
// leaves its last screen for the page, as a reader does.
bool start(const book_tables* book) {
    headless::reset();
    if (!app_start(book)) return false;
    headless::pump();
    if (app_page_view().current_paragraph != 2) return true;
    for (int i = 0; i < 8 && headless::timer_running(); ++i) {
        headless::advance_clock(static_cast<uint32_t>(headless::timer_period()));
    }
    headless::send_command(CMD_NEXT, 0);
    return app_page_view().pending_screen == 0;
}

void stop() {
    plat_window_post_close();
    headless::pump();
    app_finish();
}

// The side pages and screens, each with the command that comes back.
constexpr int32_t SIDE_TRIPS[][2] = {
    {CMD_INFORMATION, CMD_RETURN}, {CMD_RESTART, CMD_RETURN}, {CMD_OBJECTIVE, CMD_RETURN},
    {CMD_HINTS, CMD_RETURN},       {CMD_CREDITS, CMD_RETURN}, {CMD_INSTRUCTIONS, CMD_RETURN},
    {CMD_ABOUT, CMD_RETURN},       {CMD_SOUNDS, CMD_SOUNDS_OK},
};

class ArrivalTest : public testing::TempDirectoryTest, public ::testing::WithParamInterface<arrival_book> {};

TEST_P(ArrivalTest, EveryWayBackShowsThePageAsArrivedWithTheStoryAsLeft) {
    const book_tables* book = GetParam().book;
    ASSERT_TRUE(start(book));
    int32_t changing = 0;
    for (int32_t n = 1; n <= the_engine.book.tables->paragraph_count; ++n) {
        const paragraph_row* row = paragraph_at(n);
        if (row == nullptr || row->chunk < 0 || row->first >= row->end) continue;
        const std::string before = story_state();
        goto_paragraph(static_cast<int16_t>(n), GOTO_FOLLOW);  // as a choice arrives
        if (story_state() == before) continue;
        ++changing;
        SCOPED_TRACE("paragraph " + std::to_string(n));
        const std::string page = shown_page();
        const std::string record = record_bytes();

        for (const auto& trip : SIDE_TRIPS) {
            headless::send_command(trip[0], 0);
            const std::string left = story_state();  // with the side page's own effects
            headless::send_command(trip[1], 0);
            ASSERT_EQ(shown_page(), page) << "back from command " << trip[0];
            ASSERT_EQ(story_state(), left) << "back from command " << trip[0];
        }

        const std::string as_left = record_bytes();
        stop();
        ASSERT_TRUE(start(book));
        EXPECT_EQ(shown_page(), page) << "reopened";
        EXPECT_EQ(record_bytes(), as_left) << "reopened";

        ASSERT_EQ(app_open_place(reinterpret_cast<const uint8_t*>(record.data()), int32_t(record.size())), 0);
        EXPECT_EQ(shown_page(), page) << "the arrival's record opened";
        EXPECT_EQ(record_bytes(), record) << "the arrival's record opened";
        if (HasFatalFailure()) break;
    }
    stop();
    EXPECT_GT(changing, 0);
}

INSTANTIATE_TEST_SUITE_P(Books, ArrivalTest,
                         ::testing::Values(arrival_book{"demo", &compiled_book},
                                           arrival_book{"lighthouse", &book_lighthouse},
                                           arrival_book{"features", &book_features}),
                         [](const ::testing::TestParamInfo<arrival_book>& info) { return info.param.name; });

}  // namespace
}  // namespace tomelet
