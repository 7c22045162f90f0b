// The command table on the navigation state alone: no window is created, so
// every navigation records its request and nothing is painted.
#include <gtest/gtest.h>

#include <cstring>

#include "app/entry.h"
#include "app/navigation.h"
#include "app/screens.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "book/book.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "layout/painter.h"
#include "platform/headless/headless.h"
#include "story/hotwords.h"
#include "story/story_state.h"
#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

testing::memory_book_contents commands_book() {
    testing::memory_book_contents c;
    c.variables = testing::numbered_variables(4, 3);
    c.variables[2].detail_target = 15;
    c.restart_points = {{"First", 5}, {"Second", 8}};
    return c;
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        engine_reset();
        book_use(book_.tables());
        the_engine.app.pending_screen = 0;
        the_engine.app.page_rebuild = 0;
    }

    // Reading paragraph p as the current page.
    void reading(int16_t p) {
        the_engine.play.current_paragraph = p;
        the_engine.play.shown_paragraph = p;
        the_engine.play.on_current_page = 1;
        the_engine.app.pending_screen = 0;
        the_engine.app.page_rebuild = 0;
        the_engine.layout.scroll_origin = -40;
    }

    // Looking at side page s while the place is p.
    void aside(int16_t s, int16_t p) {
        reading(p);
        the_engine.play.shown_paragraph = s;
        the_engine.play.on_current_page = 0;
    }

    void expect_state(int16_t shown, int16_t current, int32_t on_current, int32_t pending) {
        EXPECT_EQ(the_engine.play.shown_paragraph, shown);
        EXPECT_EQ(the_engine.play.current_paragraph, current);
        EXPECT_EQ(the_engine.play.on_current_page, on_current);
        EXPECT_EQ(the_engine.app.pending_screen, pending);
    }

    void expect_repainted() {
        EXPECT_EQ(the_engine.app.page_rebuild, 1);
        EXPECT_EQ(the_engine.layout.scroll_origin, 0);
    }

    testing::memory_book book_{commands_book()};
};

TEST_F(Commands, SidePagesOnlyShowTheirParagraph) {
    const struct {
        int32_t command;
        int16_t paragraph;
    } rows[] = {{CMD_INFORMATION, 6}, {CMD_RESTART, 3}, {CMD_OBJECTIVE, 4}, {CMD_HINTS, 7}, {CMD_CREDITS, 5}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.command);
        reading(12);
        EXPECT_TRUE(on_command(row.command, 0));
        expect_state(row.paragraph, 12, 0, 0);
        expect_repainted();
        // And from another side page the same.
        aside(4, 12);
        EXPECT_TRUE(on_command(row.command, 0));
        expect_state(row.paragraph, 12, 0, 0);
    }
}

TEST_F(Commands, ScreenCommandsShowTheirScreenAndLeaveReading) {
    const struct {
        int32_t command;
        int32_t screen;
    } rows[] = {{CMD_SOUNDS, SCREEN_SOUNDS}, {CMD_INSTRUCTIONS, SCREEN_INSTRUCTIONS}, {CMD_ABOUT, SCREEN_ABOUT}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.command);
        reading(12);
        EXPECT_TRUE(on_command(row.command, 0));
        expect_state(12, 12, 0, row.screen);
        expect_repainted();
    }
}

TEST_F(Commands, ReturnGoesBackToThePlaceOnlyFromASidePage) {
    aside(6, 12);
    EXPECT_TRUE(on_command(CMD_RETURN, 0));
    expect_state(12, 12, 1, 0);
    expect_repainted();

    reading(12);
    EXPECT_TRUE(on_command(CMD_RETURN, 0));
    EXPECT_EQ(the_engine.app.page_rebuild, 0);
    EXPECT_EQ(the_engine.layout.scroll_origin, -40);
}

TEST_F(Commands, RestartAnsweredNoChangesNothing) {
    aside(6, 12);
    the_engine.story.variables[1].value = 2;
    headless::queue_answer(PLAT_ANSWER_NO);
    EXPECT_TRUE(on_command(CMD_BEGINNING, 0));
    ASSERT_EQ(headless::message_count(), 1);
    const headless::message_record& m = headless::message(0);
    EXPECT_TRUE(m.owned);
    EXPECT_STREQ(m.text, "Do you really want to start again?");
    EXPECT_STREQ(m.caption, "Beginning of Book");
    EXPECT_EQ(m.buttons, PLAT_BOX_YES_NO);
    expect_state(6, 12, 0, 0);
    EXPECT_EQ(the_engine.app.page_rebuild, 0);
    EXPECT_EQ(the_engine.story.variables[1].value, 2);
}

TEST_F(Commands, RestartAnsweredYesStartsTheStoryAfreshEvenFromASidePage) {
    aside(6, 12);
    for (int i = 0; i < 4; ++i) {
        the_engine.story.variables[i].value = 2;
        the_engine.story.variables[i].flag = 1;
    }
    the_engine.story.restart_points[0].set = 1;
    the_engine.story.restart_points[1].set = 1;
    the_engine.layout.running_bold = 1;
    headless::queue_answer(PLAT_ANSWER_YES);
    EXPECT_TRUE(on_command(CMD_BEGINNING, 0));
    expect_state(2, 2, 1, 0);
    expect_repainted();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(the_engine.story.variables[i].value, 0);
        EXPECT_EQ(the_engine.story.variables[i].flag, 0);
    }
    EXPECT_EQ(the_engine.story.restart_points[0].set, 0);
    EXPECT_EQ(the_engine.story.restart_points[1].set, 0);
    EXPECT_EQ(the_engine.layout.running_bold, 0);
}

// A back end that cannot wait hands the answer over later: nothing changes
// until it does, and then the answer is taken as if given at once.
TEST_F(Commands, RestartAnsweredLaterWaitsForTheAnswer) {
    for (const int32_t answer : {PLAT_ANSWER_NO, PLAT_ANSWER_YES}) {
        aside(6, 12);
        the_engine.story.variables[1].value = 2;
        headless::queue_answer(PLAT_ANSWER_LATER);
        EXPECT_TRUE(on_command(CMD_BEGINNING, COMMAND_CHOSEN));
        expect_state(6, 12, 0, 0);
        EXPECT_EQ(the_engine.app.page_rebuild, 0);
        EXPECT_TRUE(app_answer(answer));
        if (answer == PLAT_ANSWER_YES) {
            expect_state(2, 2, 1, 0);
            EXPECT_EQ(the_engine.story.variables[1].value, 0);
        } else {
            expect_state(6, 12, 0, 0);
            EXPECT_EQ(the_engine.story.variables[1].value, 2);
        }
        // Asked once, answered once.
        EXPECT_FALSE(app_answer(PLAT_ANSWER_YES));
    }
    EXPECT_FALSE(app_answer(PLAT_ANSWER_OK));
}

TEST_F(Commands, NextAndPreviousFollowTheirLinks) {
    // A paragraph link while reading moves the place (stored target 1 is
    // paragraph 2).
    reading(12);
    the_engine.page.next_link = page_link{LINK_PARAGRAPH, 1};
    EXPECT_TRUE(on_command(CMD_NEXT, 0));
    expect_state(2, 2, 1, 0);
    expect_repainted();

    // On a side page it only shows its target.
    aside(6, 12);
    the_engine.page.prev_link = page_link{LINK_PARAGRAPH, 8};
    EXPECT_TRUE(on_command(CMD_PREVIOUS, 0));
    expect_state(9, 12, 0, 0);

    // A screen link shows the screen.
    reading(12);
    the_engine.page.prev_link = page_link{LINK_SCREEN, 2};
    EXPECT_TRUE(on_command(CMD_PREVIOUS, 0));
    expect_state(12, 12, 1, SCREEN_TITLE);
    expect_repainted();

    // No link: nothing.
    reading(12);
    the_engine.page.next_link = page_link{LINK_NONE, 5};
    EXPECT_TRUE(on_command(CMD_NEXT, 0));
    expect_state(12, 12, 1, 0);
    EXPECT_EQ(the_engine.app.page_rebuild, 0);
}

TEST_F(Commands, TheLargestTargetWrapsInsteadOfOverflowing) {
    reading(12);
    the_engine.page.next_link = page_link{LINK_PARAGRAPH, INT16_MAX};
    EXPECT_TRUE(on_command(CMD_NEXT, 0));
    EXPECT_EQ(the_engine.play.shown_paragraph, INT16_MIN);
}

TEST_F(Commands, ExitPostsACloseAndTheCheckBoxCommandDoesNothing) {
    reading(12);
    EXPECT_TRUE(on_command(CMD_EXIT, 0));
    EXPECT_EQ(headless::close_posted(), 1);
    EXPECT_TRUE(on_command(CMD_SOUND_CHECKBOX, 0));
    expect_state(12, 12, 1, 0);
    EXPECT_EQ(the_engine.app.page_rebuild, 0);
}

TEST_F(Commands, CommandsThatAreNotTheWindowsAreLeftToTheDefault) {
    reading(12);
    for (int32_t id : {0, 499, 505, 514, 517, 520, 3999}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(on_command(id, 0));
    }
    expect_state(12, 12, 1, 0);
    EXPECT_EQ(the_engine.app.page_rebuild, 0);
}

// A hotword record leading to target t (paragraph t + 1) in follow mode.
void add_hotword(int16_t control_id, int16_t target) {
    hotword& h = the_engine.play.hotwords[the_engine.play.hotword_count++];
    std::memset(&h, 0, sizeof h);
    h.kind = 'M';
    h.control_id = control_id;
    h.target1 = target;
}

TEST_F(Commands, OnlyTheFirstHotwordClickOfAPageIsResolved) {
    reading(12);
    add_hotword(5000, 14);
    add_hotword(5001, 16);
    EXPECT_TRUE(on_command(5001, 0));
    expect_state(17, 17, 1, 0);
    EXPECT_EQ(the_engine.app.choice_taken, 1);
    EXPECT_TRUE(on_command(5000, 0));
    expect_state(17, 17, 1, 0);
}

TEST_F(Commands, AHotwordFollowedFromASidePageOnlyShowsItsTarget) {
    aside(6, 12);
    add_hotword(5000, 14);
    EXPECT_TRUE(on_command(5000, 0));
    expect_state(15, 12, 0, 0);
    EXPECT_TRUE(on_command(CMD_RETURN, 0));
    expect_state(12, 12, 1, 0);
}

TEST_F(Commands, AClickWithoutARecordBlocksThePage) {
    reading(12);
    add_hotword(5001, 14);
    EXPECT_TRUE(on_command(5000, 0));
    EXPECT_EQ(the_engine.app.choice_taken, 1);
    EXPECT_EQ(the_engine.app.page_rebuild, 0);
    EXPECT_TRUE(on_command(5001, 0));
    expect_state(12, 12, 1, 0);
}

TEST_F(Commands, AClickOnTheInventoryPageSelectsAnItem) {
    aside(6, 12);
    the_engine.story.variables[2].flag = 1;
    build_inventory();
    the_engine.app.inventory_shown = 1;
    add_hotword(5000, 3);  // never looked at on the inventory page
    EXPECT_TRUE(on_command(5000, 0));
    expect_state(16, 12, 0, 0);
    EXPECT_EQ(the_engine.app.choice_taken, 1);
}

class Keys : public Commands {};

TEST_F(Keys, TheSixScrollingKeysPostTheirRequestsAndOthersAreLeft) {
    const struct {
        int32_t key;
        int32_t request;
    } rows[] = {{KEY_PRIOR, SCROLL_PAGE_UP}, {KEY_NEXT, SCROLL_PAGE_DOWN}, {KEY_END, SCROLL_BOTTOM},
                {KEY_HOME, SCROLL_TOP},      {KEY_UP, SCROLL_LINE_UP},     {KEY_DOWN, SCROLL_LINE_DOWN}};
    for (const auto& row : rows) EXPECT_TRUE(on_key(row.key));
    EXPECT_FALSE(on_key(KEY_NONE));
    EXPECT_FALSE(on_key(KEY_DOWN + 1));
    EXPECT_FALSE(on_key(-1));
}

}  // namespace
}  // namespace tomelet
