// The reader driven as a reader drives it: the opening sequence on the
// virtual clock, the bar, the menu, hotwords, answers, scrolling, the
// built-in screens and the sound setting, with every page painted.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/navigation.h"
#include "app/screens.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "book/assemble.h"
#include "book/book.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "layout/painter.h"
#include "platform/headless/headless.h"
#include "story/game_state.h"
#include "story/hotwords.h"
#include "story/state_file.h"
#include "story/story_state.h"
#include "tests/app/app_run.h"
#include "tests/app/page_items.h"
#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

using testing::page_lines;

std::string long_page() {
    std::string text = "<H>Long<J>";
    for (int i = 0; i < 80; ++i) text += "Line " + std::to_string(i) + "<U>";
    return text + "<G>";
}

testing::memory_book_contents flow_book() {
    testing::memory_book_contents c;
    c.pictures = {{1100, 120, 60}, {1703, 200, 80}};
    c.info.title = "The Flow Book";
    c.paragraphs[2] = "<H>Start<J>Welcome.<M \"onward\" 11><G>";
    c.paragraphs[3] = "<H>Restart<J>Points.<G>";
    c.paragraphs[4] = "<H>Objective<J>Aim.<G>";
    c.paragraphs[5] = "<H>Credits<J>Us.<G>";
    c.paragraphs[12] = "<H>Twelve<J><M \"go\" 13><n 14><p 1><G>";
    c.paragraphs[14] = "<H>Fourteen<J>Here.<G>";
    c.paragraphs[15] = "<H>Fifteen<J>There.<G>";
    c.paragraphs[16] = "<H>Answer<J><S (hello) 13 14><G>";
    c.paragraphs[17] = long_page();
    c.paragraphs[18] = "<H>Detail<J>About it.<G>";
    c.paragraphs[19] = "<H>Bold<J><B><M \"strong\" 13><D><M \"plain\" 14><M 0 13><G>";
    c.paragraphs[20] = "<H>Held<J><R %0 1><O (X %1) >{Roped}<E>{Loose}<G>";
    c.variables = {{"Lamp", {"unlit", "lit"}, 17}, {"Rope", {"coiled"}, 17}};
    return c;
}

bool has_line(const std::string& line) {
    const std::vector<std::string> lines = page_lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool bar_enabled(int32_t id) {
    const headless::control_record* r = headless::control_of(headless::control_by_id(id));
    return r != nullptr && r->enabled;
}

class Flows : public testing::AppRun {
protected:
    // Starts the reader and makes p its place, past the opening sequence.
    void start_at(int16_t p) {
        ASSERT_TRUE(start(book_));
        plat_timer_stop();
        the_engine.app.pending_screen = 0;
        goto_paragraph(p, GOTO_TAKE_UP);
    }

    void expect_reading(int16_t p, const char* title) {
        EXPECT_EQ(the_engine.play.shown_paragraph, p);
        EXPECT_EQ(the_engine.play.current_paragraph, p);
        EXPECT_EQ(the_engine.play.on_current_page, 1);
        EXPECT_TRUE(has_line(std::string("title ") + title));
        EXPECT_FALSE(bar_enabled(CMD_RETURN));
    }

    testing::memory_book book_{flow_book()};
};

TEST_F(Flows, TheOpeningSequenceRunsOnTheTimer) {
    ASSERT_TRUE(start(book_));
    EXPECT_TRUE(has_line("text Presents"));
    EXPECT_TRUE(headless::timer_running());
    EXPECT_EQ(headless::timer_period(), OPENING_TIMER_MS);
    EXPECT_FALSE(bar_enabled(CMD_RETURN));

    headless::advance_clock(1999);
    EXPECT_TRUE(has_line("text Presents"));
    headless::advance_clock(1);
    EXPECT_TRUE(has_line("text The Flow Book"));
    EXPECT_TRUE(has_line("picture 1703"));
    EXPECT_TRUE(headless::timer_running());

    headless::advance_clock(2000);
    EXPECT_TRUE(has_line("text  author: Tester"));
    EXPECT_FALSE(headless::timer_running());
    EXPECT_EQ(the_engine.app.pending_screen, 0);
    EXPECT_TRUE(bar_enabled(CMD_NEXT));
    EXPECT_TRUE(bar_enabled(CMD_PREVIOUS));
    EXPECT_FALSE(bar_enabled(CMD_RETURN));
    // Nothing more happens on its own.
    headless::advance_clock(10000);
    EXPECT_TRUE(has_line("text  author: Tester"));

    ASSERT_TRUE(headless::click_id(CMD_NEXT));
    expect_reading(2, "Start");
}

TEST_F(Flows, PrevOnTheDetailsGoesBackThroughTheTitle) {
    ASSERT_TRUE(start(book_));
    headless::advance_clock(4000);
    ASSERT_TRUE(has_line("text  author: Tester"));
    ASSERT_TRUE(headless::click_id(CMD_PREVIOUS));
    EXPECT_TRUE(has_line("picture 1703"));
    EXPECT_FALSE(bar_enabled(CMD_NEXT));
    headless::advance_clock(2000);
    EXPECT_TRUE(has_line("text  author: Tester"));
}

TEST_F(Flows, ASidePageDuringTheSequenceIsOvertakenByTheNextScreen) {
    ASSERT_TRUE(start(book_));
    EXPECT_TRUE(headless::send_command(CMD_OBJECTIVE, 0));
    // The pending title outranks paragraph 4.
    EXPECT_TRUE(has_line("text The Flow Book"));
    EXPECT_TRUE(headless::timer_running());
    EXPECT_EQ(the_engine.play.on_current_page, 0);
    headless::advance_clock(2000);
    ASSERT_TRUE(has_line("text  author: Tester"));
    EXPECT_TRUE(bar_enabled(CMD_RETURN));
    ASSERT_TRUE(headless::click_id(CMD_NEXT));
    EXPECT_EQ(the_engine.play.shown_paragraph, 2);
    EXPECT_EQ(the_engine.play.on_current_page, 0);
    EXPECT_TRUE(bar_enabled(CMD_RETURN));
}

TEST_F(Flows, InstructionsFromTheDetailsButtonAndFromTheBarAreOnePage) {
    ASSERT_TRUE(start(book_));
    headless::advance_clock(4000);
    ASSERT_TRUE(headless::click_label("INSTRUCTIONS"));
    const std::vector<std::string> from_button = page_lines();
    EXPECT_TRUE(has_line("text Displays this screen"));
    EXPECT_TRUE(bar_enabled(CMD_RETURN));
    EXPECT_FALSE(bar_enabled(CMD_NEXT));
    EXPECT_FALSE(bar_enabled(CMD_PREVIOUS));

    ASSERT_TRUE(headless::click_id(CMD_RETURN));
    expect_reading(2, "Start");
    ASSERT_TRUE(headless::click_id(CMD_INSTRUCTIONS));
    EXPECT_EQ(page_lines(), from_button);
    EXPECT_TRUE(bar_enabled(CMD_RETURN));
}

TEST_F(Flows, AboutNamesTheSystemsVersion) {
    start_at(12);
    headless::set_os_version(6, 1);
    EXPECT_TRUE(headless::send_command(CMD_ABOUT, 0));
    EXPECT_TRUE(has_line("text A 2.8.2; B 1344; C 3.48; O 6.1; P 1.09"));
    EXPECT_TRUE(bar_enabled(CMD_RETURN));
    EXPECT_EQ(the_engine.play.current_paragraph, 12);
}

TEST_F(Flows, HotwordsAndLinksLeadOn) {
    start_at(12);
    EXPECT_TRUE(bar_enabled(CMD_NEXT));
    EXPECT_TRUE(bar_enabled(CMD_PREVIOUS));
    ASSERT_TRUE(headless::click_label("go"));
    expect_reading(14, "Fourteen");
    EXPECT_FALSE(bar_enabled(CMD_NEXT));

    goto_paragraph(12, GOTO_TAKE_UP);
    ASSERT_TRUE(headless::click_id(CMD_NEXT));
    expect_reading(15, "Fifteen");
    goto_paragraph(12, GOTO_TAKE_UP);
    ASSERT_TRUE(headless::click_id(CMD_PREVIOUS));
    expect_reading(2, "Start");
}

// A variable set from outside the story rebuilds the page as a revisit:
// the page reads the new flag, and the arrival's own effect (Lamp set to
// 1) is not applied again over the value set.
TEST_F(Flows, ASetVariableShowsThePlaceAgainAsARevisit) {
    start_at(20);
    EXPECT_TRUE(has_line("text Loose"));
    EXPECT_EQ(variable_state_at(0)->value, 1);
    ASSERT_TRUE(app_set_variable(1, 0, 1));
    ASSERT_TRUE(app_set_variable(0, 0, 0));
    headless::pump();
    expect_reading(20, "Held");
    EXPECT_TRUE(has_line("text Roped"));
    EXPECT_FALSE(has_line("text Loose"));
    EXPECT_EQ(variable_state_at(0)->value, 0);
    ASSERT_TRUE(restart_program(book_));
    EXPECT_EQ(variable_state_at(1)->flag, 1) << "the set value was kept";
    for (const auto& bad : {std::array<int32_t, 3>{2, 0, 0}, {-1, 0, 0}, {0, 256, 0}, {0, -1, 0}, {0, 0, 2}}) {
        EXPECT_FALSE(app_set_variable(bad[0], bad[1], bad[2])) << bad[0] << " " << bad[1] << " " << bad[2];
    }
    EXPECT_EQ(variable_state_at(0)->value, 0);
}

TEST_F(Flows, ATypedAnswerIsCommittedAsTyped) {
    start_at(16);
    ASSERT_EQ(the_engine.page.edit_box_count, 1);
    plat_control box = the_engine.layout.edit_box_windows[0];
    EXPECT_EQ(headless::type_text(box, "hello there"), 5);
    EXPECT_TRUE(headless::edit_key(box, headless::KEY_RETURN));
    EXPECT_STREQ(the_engine.app.input_text, "hello");
    expect_reading(14, "Fourteen");

    goto_paragraph(16, GOTO_TAKE_UP);
    EXPECT_TRUE(headless::edit_key(the_engine.layout.edit_box_windows[0], headless::KEY_TAB));
    EXPECT_STREQ(the_engine.app.input_text, "");
    expect_reading(15, "Fifteen");
}

TEST_F(Flows, OnlyTheCommitNotificationCommits) {
    start_at(16);
    EXPECT_FALSE(headless::send_command(EDIT_BOX_ID_BASE, COMMAND_OTHER));
    EXPECT_EQ(the_engine.play.shown_paragraph, 16);
    // No box 1 on this page.
    EXPECT_FALSE(headless::send_command(EDIT_BOX_ID_BASE + 1, EDIT_COMMIT));
    EXPECT_FALSE(headless::send_command(4999, EDIT_COMMIT));
    EXPECT_EQ(the_engine.play.shown_paragraph, 16);
    EXPECT_EQ(the_engine.app.choice_taken, 0);
}

TEST_F(Flows, KeysAndTheBarScrollTheText) {
    start_at(17);
    const plat_scroll_info start_info = plat_scroll_get();
    ASSERT_GT(start_info.maximum, start_info.page);
    const int32_t bottom = start_info.maximum - (start_info.page - 1);

    EXPECT_TRUE(headless::press_key(KEY_DOWN));
    EXPECT_EQ(plat_scroll_get().position, 16);
    EXPECT_EQ(the_engine.layout.scroll_origin, -16);
    EXPECT_TRUE(headless::press_key(KEY_NEXT));
    EXPECT_EQ(plat_scroll_get().position, 16 + start_info.page);
    EXPECT_EQ(the_engine.layout.scroll_origin, -16 - start_info.page);
    EXPECT_TRUE(headless::press_key(KEY_UP));
    EXPECT_EQ(the_engine.layout.scroll_origin, -start_info.page);

    EXPECT_TRUE(headless::press_key(KEY_END));
    EXPECT_EQ(plat_scroll_get().position, bottom);
    EXPECT_EQ(the_engine.layout.scroll_origin, -bottom);
    // A line down at the bottom changes nothing.
    const int32_t paints = headless::paint_count();
    EXPECT_TRUE(headless::press_key(KEY_DOWN));
    EXPECT_EQ(plat_scroll_get().position, bottom);
    EXPECT_EQ(the_engine.layout.scroll_origin, -bottom);
    EXPECT_EQ(headless::paint_count(), paints);

    EXPECT_TRUE(headless::press_key(KEY_HOME));
    EXPECT_EQ(plat_scroll_get().position, 0);
    EXPECT_EQ(the_engine.layout.scroll_origin, 0);
    EXPECT_TRUE(headless::press_key(KEY_PRIOR));
    EXPECT_EQ(the_engine.layout.scroll_origin, 0);

    headless::scroll(SCROLL_THUMB_TRACK, 100);
    EXPECT_EQ(plat_scroll_get().position, 100);
    EXPECT_EQ(the_engine.layout.scroll_origin, -100);
    headless::scroll(SCROLL_THUMB_POSITION, 300);
    headless::scroll(SCROLL_END, 0);
    EXPECT_EQ(the_engine.layout.scroll_origin, -100);
    // The page was never rebuilt by scrolling.
    EXPECT_TRUE(has_line("title Long"));
    EXPECT_EQ(the_engine.play.shown_paragraph, 17);
}

TEST_F(Flows, HotwordsAreDrawnByTheWindow) {
    start_at(19);
    ASSERT_EQ(the_engine.page.button_count, 3);
    headless::draw_items();
    const headless::draw_record* strong = nullptr;
    const headless::draw_record* plain = nullptr;
    const headless::draw_record* picture = nullptr;
    for (int32_t i = 0; i < headless::item_draw_count(); ++i) {
        const headless::draw_record& d = headless::item_draw(i);
        if (d.control_id == 5000) strong = &d;
        if (d.control_id == 5001) plain = &d;
        if (d.control_id == 5002) picture = &d;
    }
    ASSERT_NE(strong, nullptr);
    EXPECT_EQ(strong->kind, headless::DRAW_TEXT);
    EXPECT_STREQ(strong->text, "strong");
    EXPECT_EQ(strong->font, the_engine.layout.bold_font);
    EXPECT_EQ(strong->format, static_cast<uint32_t>(PLAT_TEXT_NO_PREFIX | PLAT_TEXT_CENTER));
    ASSERT_NE(plain, nullptr);
    EXPECT_STREQ(plain->text, "plain");
    EXPECT_EQ(plain->font, the_engine.layout.normal_font);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->kind, headless::DRAW_BITMAP);
    EXPECT_EQ(picture->resource, 1100);
    EXPECT_EQ(picture->x, 0);
    EXPECT_EQ(picture->y, 0);
    EXPECT_EQ(picture->width, 120);
    EXPECT_EQ(picture->height, 60);

    // Ids that are no button of this page are not drawn here.
    const plat_rect rect{0, 0, 10, 10};
    EXPECT_FALSE(on_draw_item(4999, nullptr, rect));
    EXPECT_FALSE(on_draw_item(5003, nullptr, rect));
    EXPECT_FALSE(on_draw_item(-1, nullptr, rect));
}

TEST_F(Flows, TheInventoryPageStandsInForAnEmptyInformationPage) {
    start_at(12);
    the_engine.story.variables[1].flag = 1;
    ASSERT_TRUE(headless::click_id(CMD_INFORMATION));
    EXPECT_TRUE(has_line("text You have the following items"));
    EXPECT_EQ(the_engine.app.inventory_shown, 1);
    ASSERT_TRUE(headless::click_label("Rope"));
    EXPECT_TRUE(has_line("title Detail"));
    EXPECT_EQ(the_engine.play.shown_paragraph, 18);
    EXPECT_EQ(the_engine.play.current_paragraph, 12);
    ASSERT_TRUE(headless::click_id(CMD_RETURN));
    expect_reading(12, "Twelve");
}

TEST_F(Flows, TheReadingGuideStandsInForAnEmptyHintsPage) {
    start_at(12);
    EXPECT_TRUE(headless::send_command(CMD_HINTS, 0));
    EXPECT_TRUE(has_line("text e"));
    EXPECT_TRUE(has_line("text If you get totally stuck, you can always e-mail us at  support@example.org"));
    EXPECT_TRUE(bar_enabled(CMD_RETURN));
}

TEST_F(Flows, OkOnTheSoundsScreenStoresTheBox) {
    start_at(12);
    EXPECT_TRUE(headless::send_command(CMD_SOUNDS, 0));
    plat_control box = headless::control_by_id(CMD_SOUND_CHECKBOX);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(headless::control_of(box)->checked);
    ASSERT_TRUE(headless::click(box));
    EXPECT_FALSE(headless::control_of(box)->checked);
    EXPECT_EQ(sound_switch(), 1);  // not before leaving
    ASSERT_TRUE(headless::click_label("Ok"));
    EXPECT_EQ(sound_switch(), 0);
    expect_reading(12, "Twelve");
}

TEST_F(Flows, ReturnOnTheSoundsScreenStoresTheBoxToo) {
    start_at(12);
    EXPECT_TRUE(headless::send_command(CMD_SOUNDS, 0));
    ASSERT_TRUE(headless::click_id(CMD_SOUND_CHECKBOX));
    ASSERT_TRUE(headless::click_id(CMD_RETURN));
    EXPECT_EQ(sound_switch(), 0);
    expect_reading(12, "Twelve");
}

TEST_F(Flows, LeavingTheSoundsScreenOtherwiseKeepsTheSwitch) {
    start_at(12);
    EXPECT_TRUE(headless::send_command(CMD_SOUNDS, 0));
    ASSERT_TRUE(headless::click_id(CMD_SOUND_CHECKBOX));
    ASSERT_TRUE(headless::click_id(CMD_INFORMATION));
    EXPECT_EQ(sound_switch(), 1);
    // Back to the story: the Sounds screen is gone, so Rtrn reads nothing.
    ASSERT_TRUE(headless::click_id(CMD_RETURN));
    EXPECT_EQ(sound_switch(), 1);
}

TEST_F(Flows, TheSoundSettingSurvivesTheProgramAndTheRestart) {
    start_at(12);
    EXPECT_TRUE(headless::send_command(CMD_SOUNDS, 0));
    ASSERT_TRUE(headless::click_id(CMD_SOUND_CHECKBOX));
    ASSERT_TRUE(headless::click_label("Ok"));
    ASSERT_EQ(sound_switch(), 0);

    ASSERT_TRUE(restart_program(book_));
    EXPECT_EQ(sound_switch(), 0);
    EXPECT_EQ(the_engine.play.current_paragraph, 12);
    headless::queue_answer(PLAT_ANSWER_YES);
    EXPECT_TRUE(headless::send_command(CMD_BEGINNING, 0));
    EXPECT_EQ(sound_switch(), 0);
    EXPECT_TRUE(headless::send_command(CMD_SOUNDS, 0));
    EXPECT_FALSE(headless::control_of(headless::control_by_id(CMD_SOUND_CHECKBOX))->checked);
}

TEST_F(Flows, ExitClosesTheWindowAndEndsTheLoop) {
    start_at(12);
    EXPECT_TRUE(headless::send_command(CMD_EXIT, 0));
    EXPECT_FALSE(headless::window().exists);
    EXPECT_FALSE(headless::running());
    EXPECT_EQ(headless::exit_code(), 0);
}

// One reset puts the engine back as a new process finds it: a page built,
// a choice's controls made, a title held, the random numbers seeded and
// the state file open, then all of it gone.
TEST_F(Flows, TheEngineResetLeavesNothingOfARun) {
    start_at(12);
    story_set_next_random(7);
    ASSERT_GT(the_engine.page.page_item_count, 0);
    ASSERT_GT(the_engine.play.hotword_count, 0);
    ASSERT_GT(the_engine.page.button_count, 0);
    ASSERT_NE(the_engine.app.state_file, nullptr);
    const plat_control first = the_engine.layout.button_windows[0];

    app_reset_engine();
    EXPECT_EQ(headless::control_of(first), nullptr);  // destroyed, not forgotten
    EXPECT_EQ(the_engine.app.state_file, nullptr);
    EXPECT_EQ(the_engine.page.page_item_count, 0);
    EXPECT_EQ(the_engine.play.hotword_count, 0);
    EXPECT_EQ(the_engine.page.button_count, 0);
    EXPECT_EQ(the_engine.play.random_seeded, 0);
    EXPECT_EQ(the_engine.play.random_state, 1u);
    EXPECT_EQ(the_engine.app.pending_screen, 3);
    EXPECT_EQ(the_engine.play.shown_paragraph, 2);
    EXPECT_EQ(the_engine.layout.cursor_x, LEFT_MARGIN);
    EXPECT_EQ(the_engine.layout.normal_font, nullptr);
    EXPECT_EQ(the_engine.book.paragraph_text[0], '\0');
    started_ = false;  // nothing left to close or write
}

// The view names the screen a page was built as, and the control behind
// each control item: what a back end writes a page from.
TEST_F(Flows, TheViewNamesTheScreenAndTheControlsOfTheItems) {
    start_at(16);
    struct row {
        int32_t command;
        int32_t screen;
    };
    for (const row& r : {row{0, 0}, row{CMD_SOUNDS, 7}, row{CMD_ABOUT, 6}, row{CMD_INSTRUCTIONS, 4}}) {
        if (r.command != 0) {
            EXPECT_TRUE(headless::send_command(r.command, 0));
        }
        const page_view view = app_page_view();
        EXPECT_EQ(view.shown_screen, r.screen) << r.command;
        int32_t controls = 0;
        for (int32_t i = 0; i < view.item_count; ++i) {
            const page_item& item = view.items[i];
            if (item.kind == ITEM_BUTTON) {
                ASSERT_LT(item.value, view.button_count);
                EXPECT_EQ(view.button_controls[item.value], the_engine.layout.button_windows[item.value]);
                EXPECT_NE(view.button_controls[item.value], nullptr);
                ++controls;
            } else if (item.kind == ITEM_EDIT_BOX) {
                ASSERT_LT(item.value, view.edit_box_count);
                EXPECT_EQ(view.edit_box_controls[item.value], the_engine.layout.edit_box_windows[item.value]);
                EXPECT_EQ(view.edit_boxes[item.value].maximum_length, the_engine.page.edit_boxes[item.value].maximum_length);
                ++controls;
            }
        }
        EXPECT_EQ(controls, view.button_count + view.edit_box_count) << r.command;
    }
}

}  // namespace
}  // namespace tomelet
