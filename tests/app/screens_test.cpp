#include "app/screens.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/navigation.h"
#include "app/shell.h"
#include "app/sounds_screen.h"
#include "engine/engine.h"
#include "book/book.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "layout/painter.h"
#include "layout/realise.h"
#include "platform/headless/headless.h"
#include "story/state_file.h"
#include "story/story_state.h"
#include "tests/app/page_items.h"
#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

using lines = std::vector<std::string>;
using testing::page_lines;

testing::memory_book_contents screens_book() {
    testing::memory_book_contents c;
    c.pictures = {{1100, 200, 100}, {1703, 300, 150}};
    c.info = book_info_record{"The Test", "(c) 2026 Nobody", "A. Writer", 0, "A short book.", 1,
                              "www.example.org", "ask@example.org", "help@example.org"};
    c.variables = {
        {"Lamp", {"unlit", "lit"}, 40},
        {"Character", {"Sailor", "Keeper"}, 50},
        {"Rope", {"coiled"}, 41},
        {"Map", {}, 42},
        {"Key", {"rusty", "shiny"}, 43},
        {"Coin", {"one"}, -1},
    };
    return c;
}

class Screens : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        engine_reset();
        book_use(book_.tables());
        the_engine.page.client_origin = page_rect{0, 0, 529, 600};
        install_page_measures();
        the_engine.layout.text_area = plat_rect{0, 0, 529, 575};
        the_engine.page.right_edge = 505;
        the_engine.page.cursor_y = 10;
    }

    void build(int32_t screen) {
        the_engine.app.pending_screen = screen;
        build_screen();
        realise_page_controls();
    }

    variable_state& variable(int i) { return the_engine.story.variables[i]; }

    testing::memory_book book_{screens_book()};
};

TEST_F(Screens, PresentsShowsTheOpeningPictureAndPassesOnToTheTitle) {
    build(SCREEN_PRESENTS);
    EXPECT_EQ(page_lines(), (lines{"centre", "para", "picture 1100", "para", "centre", "text Presents", "br", "left"}));
    EXPECT_EQ(the_engine.app.pending_screen, SCREEN_TITLE);
    EXPECT_EQ(the_engine.page.button_count, 0);
}

TEST_F(Screens, TitleShowsTitlePictureAndBoldTitleAndPassesOnToTheDetails) {
    build(SCREEN_TITLE);
    EXPECT_EQ(page_lines(),
              (lines{"centre", "picture 1703", "br", "bold", "text The Test", "/bold", "br", "left"}));
    EXPECT_EQ(the_engine.app.pending_screen, SCREEN_BOOK_DETAILS);
}

TEST_F(Screens, BookDetailsListTheBookAndLinkOnward) {
    build(SCREEN_BOOK_DETAILS);
    EXPECT_EQ(page_lines(), (lines{"centre", "bold", "text The Test", "br", "text v1.1", "/bold", "br", "left",
                                   "text  author: A. Writer", "br", "text  contact: ask@example.org", "br",
                                   "text  support: help@example.org", "br", "text copyright: (c) 2026 Nobody",
                                   "br", "text A short book.", "br", "button 0"}));
    EXPECT_EQ(the_engine.page.next_link.kind, LINK_PARAGRAPH);
    EXPECT_EQ(the_engine.page.next_link.target, 1);
    EXPECT_EQ(the_engine.page.prev_link.kind, LINK_SCREEN);
    EXPECT_EQ(the_engine.page.prev_link.target, SCREEN_TITLE);
    ASSERT_EQ(the_engine.page.button_count, 1);
    const headless::control_record* button = headless::control_of(the_engine.layout.button_windows[0]);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->params.kind, PLAT_PUSH_BUTTON);
    EXPECT_EQ(button->params.id, CMD_INSTRUCTIONS);
    EXPECT_STREQ(button->text, "INSTRUCTIONS");
    EXPECT_EQ(the_engine.app.pending_screen, 0);
}

TEST_F(Screens, InstructionsShowTheBarImagesInTheRunningLine) {
    build(SCREEN_INSTRUCTIONS);
    EXPECT_EQ(page_lines(),
              (lines{"text The buttons below the Horizontal line at the bottom of the screen have the following "
                     "actions. ",
                     "br", "br", "picture 1112 inline", "text Displays this screen", "br", "picture 1107 inline",
                     "text Goes to the RESTART screen. ", "br", "br",
                     "text The RESTART screen enables the reader to go back to an earlier page in the book. ", "br",
                     "br", "picture 1108 inline", "text Goes to the Information Screen.", "br", "br",
                     "picture 1110 inline", "text   Goes to the previous Screen.", "br", "picture 1111 inline",
                     "text   Goes to the next Screen.", "br", "picture 1109 inline",
                     "text Goes to the current page in the book.", "br", "br",
                     "text The above three buttons only appear if the function is available.", "br", "br",
                     "text Further information can be found on the hints page selected from the menu."}));
    EXPECT_EQ(the_engine.app.pending_screen, 0);
    EXPECT_EQ(the_engine.play.on_current_page, 1);
}

TEST_F(Screens, AboutShowsTheSiteTheQueryAndTheCodeLine) {
    build(SCREEN_ABOUT);
    EXPECT_EQ(page_lines(),
              (lines{"centre", "picture 1100", "br", "bold", "text www.example.org", "br", "text v1.1", "/bold", "br",
                     "left", "br",
                     "text For more information (FAQs) please visit our web site. If you have a query about \"The "
                     "Test\" email help@example.org giving the title and the following alphanumerical code",
                     "br", "br", "br", "text A 2.8.2; B 1344; C 3.48; O 5.1; P 1.09"}));
    EXPECT_EQ(the_engine.play.on_current_page, 0);
    EXPECT_EQ(the_engine.app.pending_screen, 0);
}

TEST_F(Screens, AnUnknownScreenBuildsNothingAndIsNotKept) {
    build(5);
    EXPECT_EQ(the_engine.page.page_item_count, 0);
    EXPECT_EQ(the_engine.app.pending_screen, 0);
}

TEST_F(Screens, SoundsScreenShowsTheSwitchInACheckBoxAndAnOkButton) {
    set_sound_switch(1);
    build(SCREEN_SOUNDS);
    EXPECT_EQ(page_lines(), (lines{"br", "br", "br", "centre", "button 0", "br", "br", "br", "br", "br", "br",
                                   "button 1", "br", "left"}));
    EXPECT_EQ(the_engine.layout.line_height, 20);
    ASSERT_EQ(the_engine.page.button_count, 2);
    const headless::control_record* box = headless::control_of(the_engine.layout.button_windows[0]);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->params.kind, PLAT_CHECK_BOX);
    EXPECT_EQ(box->params.id, CMD_SOUND_CHECKBOX);
    EXPECT_STREQ(box->text, "Sound");
    EXPECT_EQ(box->params.x, 0);
    EXPECT_EQ(box->params.y, 10);
    EXPECT_EQ(box->params.width, 14 * 7);
    EXPECT_EQ(box->params.height, 20);
    EXPECT_TRUE(box->shown);
    EXPECT_TRUE(plat_check_box_checked(the_engine.layout.button_windows[0]));
    EXPECT_EQ(the_engine.page.buttons[0].width, 98);
    EXPECT_EQ(the_engine.page.buttons[0].height, 20);
    EXPECT_EQ(the_engine.page.buttons[0].y, 10);
    EXPECT_EQ(the_engine.page.buttons[0].type, CONTROL_CHECK_BOX);
    EXPECT_EQ(the_engine.app.sound_checkbox, 0);

    const headless::control_record* ok = headless::control_of(the_engine.layout.button_windows[1]);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->params.kind, PLAT_PUSH_BUTTON);
    EXPECT_EQ(ok->params.id, CMD_SOUNDS_OK);
    EXPECT_STREQ(ok->text, "Ok");
    // The Ok button's provisional place is below the box's line.
    EXPECT_EQ(ok->params.y, 10 + 20 + 1);
    EXPECT_EQ(the_engine.app.sounds_shown, 1);
    EXPECT_EQ(the_engine.app.pending_screen, 0);
}

// The box is made with the page's other controls, after the build: the
// screen is built whole, and the switch is left alone.
TEST_F(Screens, SoundsScreenWhoseBoxCannotBeMadeSaysSoAndCloses) {
    set_sound_switch(1);
    headless::fail_next_controls(1);
    build(SCREEN_SOUNDS);
    ASSERT_EQ(reported_message_count(), 1);
    EXPECT_STREQ(held_message_text(0), "Could not create button");
    EXPECT_STREQ(the_engine.page.held[0].caption, "No Memory");
    EXPECT_TRUE(the_engine.page.held[0].close_after);
    EXPECT_EQ(the_engine.layout.button_windows[0], nullptr);
    EXPECT_EQ(the_engine.app.pending_screen, 0);
    read_sound_switch();
    EXPECT_EQ(sound_switch(), 1);
}

TEST_F(Screens, TheSwitchIsReadFromTheBoxOnlyWhileTheScreenIsShown) {
    set_sound_switch(1);
    build(SCREEN_SOUNDS);
    plat_check_box_set(the_engine.layout.button_windows[0], false);
    the_engine.app.sounds_shown = 0;
    read_sound_switch();
    EXPECT_EQ(sound_switch(), 1);
    the_engine.app.sounds_shown = 1;
    read_sound_switch();
    EXPECT_EQ(sound_switch(), 0);
    plat_check_box_set(the_engine.layout.button_windows[0], true);
    read_sound_switch();
    EXPECT_EQ(sound_switch(), 1);
}

TEST_F(Screens, ReadingGuideWritesTheProductWordWithABoldE) {
    build_reading_guide();
    const lines expected{
        "left",
        "text The idea of an tom",
        "bold",
        "text e",
        "/bold",
        "text let  is that you decide how the story ends by the choices you make along the way.  You can run "
        "the story as many times as you like to try out different scenarios.",
        "para",
        "text You interact with the tom",
        "bold",
        "text e",
        "/bold",
        "text let by using your stylus to select boxes on the screen containing a word (or words) or by "
        "pressing arrows in the icon bar at the bottom of the screen.  To understand what these arrows mean, "
        "tap the help icon '?' in the bottom left hand corner of your screen.",
        "para",
        "text You may also collect items during the story which you can check any time by selecting inventory "
        "from the menu or the 'i' on the icon bar.  The inventory page lists all your items and tells you their "
        "status where they have one.  If you select an item from the list you will see further details about "
        "the item and you may be able to make changes.  This can be an important way of finding  clues to help "
        "you along, so remember to keep checking the inventory.",
        "para",
        "text Some tom",
        "bold",
        "text e",
        "/bold",
        "text lets may contain a random element at some points.  This means that even when you make identical "
        "choices the story may not go exactly the same way each time - just to make it more exciting for you!",
        "para",
        "text If you get totally stuck, you can always e-mail us at  help@example.org",
        "para",
    };
    EXPECT_EQ(page_lines(), expected);
    EXPECT_EQ(the_engine.page.button_count, 0);
}

TEST_F(Screens, InventoryListsTheCharacterThenEveryHeldItem) {
    variable(0).flag = 1;  // Lamp, lit
    variable(0).value = 1;
    variable(1).value = 1;  // Character: Keeper (listed whatever its flag)
    variable(1).flag = 1;
    variable(2).flag = 2;  // Rope: flag 2 is not held
    variable(3).flag = 1;  // Map: no value names
    variable(4).flag = 1;  // Key, rusty
    build_inventory();
    realise_page_controls();
    EXPECT_EQ(page_lines(), (lines{"text You are : ", "button 0", "br", "text You have the following items", "br",
                                   "button 1", "text  : lit", "br", "button 2", "br", "button 3", "text  : rusty"}));
    ASSERT_EQ(the_engine.page.button_count, 4);
    EXPECT_STREQ(the_engine.page.buttons[0].label, "Keeper");
    EXPECT_STREQ(the_engine.page.buttons[1].label, "Lamp");
    EXPECT_STREQ(the_engine.page.buttons[2].label, "Map");
    EXPECT_STREQ(the_engine.page.buttons[3].label, "Key");
    const int16_t* ids = the_engine.story.inventory_ids;
    EXPECT_EQ(ids[0], 5001);
    EXPECT_EQ(ids[1], 5000);
    EXPECT_EQ(ids[2], -1);
    EXPECT_EQ(ids[3], 5002);
    EXPECT_EQ(ids[4], 5003);
    EXPECT_EQ(ids[5], -1);
    const headless::control_record* hotword = headless::control_of(the_engine.layout.button_windows[1]);
    ASSERT_NE(hotword, nullptr);
    EXPECT_EQ(hotword->params.kind, PLAT_HOTWORD_BUTTON);
    EXPECT_EQ(hotword->params.id, 5001);
}

TEST_F(Screens, InventoryWithoutACharacterStartsWithTheItems) {
    testing::memory_book_contents c = screens_book();
    c.variables[1].name = "character";  // the name is compared case-sensitively
    testing::memory_book book(c);
    book_use(book.tables());
    the_engine.story.variables[4].flag = 1;
    the_engine.story.variables[4].value = 9;  // a value past the value names shows no name
    build_inventory();
    realise_page_controls();
    EXPECT_EQ(page_lines(), (lines{"text You have the following items", "br", "button 0", "text  : "}));
    EXPECT_EQ(the_engine.story.inventory_ids[4], 5000);
    EXPECT_EQ(the_engine.story.inventory_ids[1], -1);
}

TEST_F(Screens, SelectingAnItemShowsItsDetailPageWithoutMovingThePlace) {
    variable(0).flag = 1;
    variable(4).flag = 1;
    the_engine.play.current_paragraph = 12;
    the_engine.play.shown_paragraph = 6;
    build_inventory();
    realise_page_controls();
    inventory_select(5002);  // Key (Character took 5000, Lamp 5001)
    EXPECT_EQ(the_engine.play.shown_paragraph, 44);
    EXPECT_EQ(the_engine.play.current_paragraph, 12);
    EXPECT_EQ(the_engine.play.on_current_page, 0);
    EXPECT_EQ(the_engine.app.page_rebuild, 1);
}

TEST_F(Screens, SelectingAnUnknownIdOrAnItemWithoutDetailPageDoesNothing) {
    variable(5).flag = 1;  // Coin: no detail page
    the_engine.play.shown_paragraph = 6;
    the_engine.play.on_current_page = 1;
    build_inventory();
    realise_page_controls();
    ASSERT_EQ(the_engine.story.inventory_ids[5], 5001);
    the_engine.app.page_rebuild = 0;
    inventory_select(5001);
    inventory_select(5090);
    inventory_select(-1);
    EXPECT_EQ(the_engine.play.shown_paragraph, 6);
    EXPECT_EQ(the_engine.play.on_current_page, 1);
    EXPECT_EQ(the_engine.app.page_rebuild, 0);
}

}  // namespace
}  // namespace tomelet
