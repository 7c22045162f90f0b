#include "app/paint.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/navigation.h"
#include "app/screens.h"
#include "book/assemble.h"
#include "layout/painter.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "page/links.h"
#include "page/messages.h"
#include "page/window.h"
#include "platform/headless/headless.h"
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
        navigation_reset();
        pending_screen = 0;
        page_rebuild = 0;
        page_height = 357;
        testing::memory_book_contents contents;
        std::string many_boxes;
        for (int i = 0; i < 40; ++i) many_boxes += "<S (x) 1 1>";
        contents.paragraphs = {{2, "Hello there<U>"},
                               {3, "Words <S (x) 1 1><M \"go\" 1>"},
                               {4, many_boxes + "<M \"go\" 1>"}};
        book_ = std::make_unique<testing::memory_book>(contents);
        book_use(book_->tables());
        page_rebuild = 1;
    }
    std::unique_ptr<testing::memory_book> book_;
};

TEST_F(RebuildTest, ThrowsThePreviousPageAwayAndBuildsTheShownParagraph) {
    make_hotword_button("old");
    const plat_control old = button_windows[0];
    choice_taken = 1;
    inventory_shown = 1;
    sounds_shown = 1;
    next_link = page_link{LINK_PARAGRAPH, 9};
    prev_link = page_link{LINK_SCREEN, 4};
    base_line_height = 30;
    tab_width = 0;
    paint_page();
    EXPECT_EQ(headless::control_of(old), nullptr);
    EXPECT_EQ(button_count, 0);
    EXPECT_EQ((std::vector<int32_t>{choice_taken, inventory_shown, sounds_shown, next_link.kind, prev_link.kind}),
              (std::vector<int32_t>{0, 0, 0, 0, 0}));
    EXPECT_EQ((std::vector<int32_t>{base_line_height, avg_char_width, tab_width}), (std::vector<int32_t>{16, 7, 14}));
    EXPECT_EQ(page_rebuild, 0);
    EXPECT_EQ(drawn(), (lines{"Hello there@24,0,476,20/1c/N"}));
}

// A pending screen outranks every paragraph, one without text included; a
// paragraph without text (but 6 and 7) is an empty page, without a message:
// the text an earlier page left in the buffer is not run again.
TEST_F(RebuildTest, ParagraphWithoutTextAfterAnyScreenAndNeverStaleText) {
    shown_paragraph = 6;
    pending_screen = SCREEN_ABOUT;
    paint_page();
    EXPECT_EQ(inventory_shown, 0);
    EXPECT_EQ(pending_screen, 0);

    page_rebuild = 1;
    paint_page();
    EXPECT_EQ(inventory_shown, 1);

    headless::clear_messages();
    shown_paragraph = 1;
    page_rebuild = 1;
    std::strcpy(paragraph_text, "Kept words<U> ");
    paint_page();
    EXPECT_EQ(page_item_count, 0);
    EXPECT_EQ(headless::message_count(), 0);
}

TEST_F(RebuildTest, PendingScreenComesBeforeTheParagraph) {
    pending_screen = SCREEN_ABOUT;
    paint_page();
    EXPECT_GT(page_item_count, 0);
    for (const std::string& line : drawn()) EXPECT_EQ(line.find("Hello there"), std::string::npos) << line;
}

TEST_F(RebuildTest, NumberOutsideTheIndexIsReportedAndLeavesThePageEmpty) {
    std::strcpy(paragraph_text, "Stale words<U> ");
    for (const int16_t n : {int16_t{99}, int16_t{-5}}) {
        headless::clear_messages();
        shown_paragraph = n;
        page_rebuild = 1;
        paint_page();
        ASSERT_EQ(headless::message_count(), 1);
        EXPECT_EQ(std::string(headless::message(0).text), "Paragraph " + std::to_string(n) + " does not exist");
        EXPECT_TRUE(headless::message(0).default_caption);
        EXPECT_FALSE(headless::message(0).owned);
        EXPECT_EQ(page_item_count, 0);
        EXPECT_EQ(headless::draw_count(), 0);
    }
}

// No message box opens inside a paint: what a paint raises is shown once it
// has ended, in order, once each, and a close asked for after its box.
// Past the 32 held, messages are not shown, but a close is still made.
TEST_F(RebuildTest, MessagesRaisedByAPaintAreShownWhenItHasEnded) {
    shown_paragraph = 3;
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
    shown_paragraph = 4;
    page_rebuild = 1;
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
