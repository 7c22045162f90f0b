#include "app/paint.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/navigation.h"
#include "app/screens.h"
#include "book/assemble.h"
#include "engine/engine.h"
#include "layout/painter.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "page/links.h"
#include "page/messages.h"
#include "platform/headless/headless.h"
#include "story/game_state.h"
#include "story/story_state.h"
#include "tests/layout/painter_fixture.h"
#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

using testing::drawn;
using testing::lines;
using testing::PainterTest;

void app_paint() { paint_page(); }
const headless::entry_points paint_only{testing::no_op,      testing::no_op,    testing::no_size,
                                        app_paint,           testing::no_command, testing::no_key,
                                        testing::no_vscroll, testing::no_op,    testing::no_item};

// The painter's fixture, with the window's paint going to the application's
// paint, which rebuilds the page when asked before the painter lays it out.
class RebuildTest : public PainterTest {
protected:
    void SetUp() override {
        PainterTest::SetUp();
        headless::use_entry_points(&paint_only);
        the_engine.app.pending_screen = 0;
        the_engine.app.page_rebuild = 0;
        the_engine.layout.page_height = 357;
        testing::memory_book_contents contents;
        std::string many_boxes;
        for (int i = 0; i < 40; ++i) many_boxes += "<S (x) 1 1>";
        contents.paragraphs = {{2, "Hello there<U>"},
                               {3, "Words <S (x) 1 1><M \"go\" 1>"},
                               {4, many_boxes + "<M \"go\" 1>"}};
        book_ = std::make_unique<testing::memory_book>(contents);
        book_use(book_->tables());
        the_engine.app.page_rebuild = 1;
    }
    std::unique_ptr<testing::memory_book> book_;
};

// The paint hands the story the clock while its generator is unseeded, so
// a number drawn in the build seeds it from the time of that paint.
TEST_F(RebuildTest, AnUnseededGeneratorSeedsFromTheClockOfThePaint) {
    the_engine.play.shown_paragraph = 2;
    headless::set_tick_count(60 * 1000 + 59);  // seed 1000
    paint_page();
    EXPECT_EQ(story_random(), 3304);
    headless::set_tick_count(5);  // seeded: the clock is not read again
    the_engine.app.page_rebuild = 1;
    paint_page();
    EXPECT_EQ(the_engine.play.clock_ticks, 60u * 1000 + 59);
    EXPECT_EQ(story_random(), 8221);
}

TEST_F(RebuildTest, ThrowsThePreviousPageAwayAndBuildsTheShownParagraph) {
    make_hotword_button("old");
    const plat_control old = the_engine.layout.button_windows[0];
    the_engine.app.choice_taken = 1;
    the_engine.app.inventory_shown = 1;
    the_engine.app.sounds_shown = 1;
    the_engine.page.next_link = page_link{LINK_PARAGRAPH, 9};
    the_engine.page.prev_link = page_link{LINK_SCREEN, 4};
    the_engine.page.base_line_height = 30;
    the_engine.layout.tab_width = 0;
    paint_page();
    EXPECT_EQ(headless::control_of(old), nullptr);
    EXPECT_EQ(the_engine.page.button_count, 0);
    EXPECT_EQ((std::vector<int32_t>{the_engine.app.choice_taken, the_engine.app.inventory_shown, the_engine.app.sounds_shown, the_engine.page.next_link.kind, the_engine.page.prev_link.kind}),
              (std::vector<int32_t>{0, 0, 0, 0, 0}));
    EXPECT_EQ((std::vector<int32_t>{the_engine.page.base_line_height, the_engine.page.avg_char_width, the_engine.layout.tab_width}), (std::vector<int32_t>{16, 7, 14}));
    EXPECT_EQ(the_engine.app.page_rebuild, 0);
    EXPECT_EQ(drawn(), (lines{"Hello there@24,0,476,20/1c/N"}));
}

// A pending screen outranks every paragraph, one without text included; a
// paragraph without text (but 6 and 7) is an empty page, without a message:
// the text an earlier page left in the buffer is not run again.
TEST_F(RebuildTest, ParagraphWithoutTextAfterAnyScreenAndNeverStaleText) {
    the_engine.play.shown_paragraph = 6;
    the_engine.app.pending_screen = SCREEN_ABOUT;
    paint_page();
    EXPECT_EQ(the_engine.app.inventory_shown, 0);
    EXPECT_EQ(the_engine.app.pending_screen, 0);

    the_engine.app.page_rebuild = 1;
    paint_page();
    EXPECT_EQ(the_engine.app.inventory_shown, 1);

    headless::clear_messages();
    the_engine.play.shown_paragraph = 1;
    the_engine.app.page_rebuild = 1;
    std::strcpy(the_engine.book.paragraph_text, "Kept words<U> ");
    paint_page();
    EXPECT_EQ(the_engine.page.page_item_count, 0);
    EXPECT_EQ(headless::message_count(), 0);
}

TEST_F(RebuildTest, PendingScreenComesBeforeTheParagraph) {
    the_engine.app.pending_screen = SCREEN_ABOUT;
    paint_page();
    EXPECT_GT(the_engine.page.page_item_count, 0);
    for (const std::string& line : drawn()) EXPECT_EQ(line.find("Hello there"), std::string::npos) << line;
}

TEST_F(RebuildTest, NumberOutsideTheIndexIsReportedAndLeavesThePageEmpty) {
    std::strcpy(the_engine.book.paragraph_text, "Stale words<U> ");
    for (const int16_t n : {int16_t{99}, int16_t{-5}}) {
        headless::clear_messages();
        the_engine.play.shown_paragraph = n;
        the_engine.app.page_rebuild = 1;
        paint_page();
        ASSERT_EQ(headless::message_count(), 1);
        EXPECT_EQ(std::string(headless::message(0).text), "Paragraph " + std::to_string(n) + " does not exist");
        EXPECT_TRUE(headless::message(0).default_caption);
        EXPECT_FALSE(headless::message(0).owned);
        EXPECT_EQ(the_engine.page.page_item_count, 0);
        EXPECT_EQ(headless::draw_count(), 0);
    }
}

// No message box opens inside a paint: what a paint raises is shown once it
// has ended, in order, once each, and a close asked for after its box.
// Past the 32 held, messages are not shown, but a close is still made.
TEST_F(RebuildTest, MessagesRaisedByAPaintAreShownWhenItHasEnded) {
    the_engine.play.shown_paragraph = 3;
    headless::fail_next_controls(2);
    plat_window_show();
    ASSERT_EQ(headless::message_count(), 2);
    EXPECT_EQ(std::string(headless::message(0).text) + "/" + headless::message(0).caption, "Null Edit Box/Bad Edit Box");
    EXPECT_STREQ(headless::message(1).text, "Could not create button");
    EXPECT_EQ(std::string(headless::message(1).caption).rfind(" Error ", 0), 0u);
    for (int32_t i = 0; i < 2; ++i) {
        EXPECT_FALSE(headless::message(i).in_paint) << i;
        EXPECT_FALSE(headless::message(i).owned) << i;
    }
    EXPECT_EQ(headless::close_posted(), 1);
    EXPECT_EQ(held_message_count(), 0);
    plat_window_invalidate();  // painted again, not rebuilt: nothing again
    plat_window_update();
    EXPECT_EQ(headless::message_count(), 2);

    headless::clear_messages();
    the_engine.play.shown_paragraph = 4;
    the_engine.app.page_rebuild = 1;
    headless::fail_next_controls(41);
    plat_window_invalidate();
    plat_window_update();
    EXPECT_EQ(headless::message_count(), HELD_MESSAGES_SIZE);
    EXPECT_STREQ(headless::message(HELD_MESSAGES_SIZE - 1).text, "Null Edit Box");
    EXPECT_EQ(headless::close_posted(), 2);
    EXPECT_EQ(held_message_count(), 0);
}

}  // namespace
}  // namespace tomelet
