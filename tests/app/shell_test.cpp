// Start-up, the main window, its fonts and the navigation bar, and the way
// out, as whole runs on the headless back end.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

#include "app/entry.h"
#include "app/navigation.h"
#include "app/screens.h"
#include "app/shell.h"
#include "engine/engine.h"
#include "layout/painter.h"
#include "platform/headless/headless.h"
#include "story/state_file.h"
#include "tests/app/app_run.h"
#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

testing::memory_book_contents shell_book() {
    testing::memory_book_contents c;
    c.pictures = {{1100, 120, 60}, {1703, 200, 80}};
    c.info.title = "The Shell Book";
    c.paragraphs[2] = "<H>Start<J>Welcome.<G>";
    c.paragraphs[12] = "<H>Twelve<J>Here.<G>";
    c.variables = testing::numbered_variables(3, 2);
    return c;
}

class Shell : public testing::AppRun {
protected:
    testing::memory_book book_{shell_book()};
};

TEST_F(Shell, TheWindowIsSizedFromTheScreenHeight) {
    const struct {
        int32_t screen;
        int32_t height;
        int32_t width;
        float points;
    } rows[] = {{768, 706, 529, 16.0f}, {600, 552, 414, 16.0f}, {599, 551, 413, 10.0f}, {300, 320, 240, 10.0f}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.screen);
        finish();
        fresh_backend();
        headless::set_screen_height(row.screen);
        ASSERT_TRUE(start(book_));
        const headless::window_record& w = headless::window();
        EXPECT_EQ(w.height, row.height);
        EXPECT_EQ(w.width, row.width);
        EXPECT_EQ(w.x, 20);
        EXPECT_EQ(w.y, 0);
        EXPECT_STREQ(w.title, "The Shell Book");
        EXPECT_TRUE(w.shown);
        EXPECT_EQ(the_engine.app.font_points, row.points);
        // client_origin is the client rectangle read after creation.
        EXPECT_EQ(the_engine.page.client_origin.left, 0);
        EXPECT_EQ(the_engine.page.client_origin.top, 0);
        EXPECT_EQ(the_engine.page.client_origin.right, w.client_width);
        EXPECT_EQ(the_engine.page.client_origin.bottom, w.client_height);
    }
}

// Any screen height a platform may report sizes a window without overflow.
TEST_F(Shell, WindowSizingHoldsForEveryScreenHeight) {
    const struct {
        int32_t screen, height, width;
    } rows[] = {{768, 706, 529},          {INT32_MAX, 1975684955, 1481763716}, {23342214, 21474836, 16106127},
                {0, 320, 240},            {-1, 320, 240},                      {INT32_MIN, 320, 240},
                {347, 320, 240},          {348, 320, 240},                     {349, 321, 240}};
    for (const auto& row : rows) {
        EXPECT_EQ(window_height_for(row.screen), row.height) << row.screen;
        EXPECT_EQ(window_width_for(row.height), row.width) << row.screen;
    }
    EXPECT_EQ(window_width_for(INT32_MAX), 1610612735);
}

TEST_F(Shell, PageFontHeightsRoundThePixelHeightHalfUp) {
    headless::set_pixels_per_inch(96);
    the_engine.app.font_points = 16.0f;
    EXPECT_EQ(page_font_height(), -21);  // 21.33 + 0.5
    the_engine.app.font_points = 10.0f;
    EXPECT_EQ(page_font_height(), -13);  // 13.33 + 0.5
    headless::set_pixels_per_inch(72);
    EXPECT_EQ(page_font_height(), -10);  // 10.5 truncated
    headless::set_pixels_per_inch(120);
    the_engine.app.font_points = 16.0f;
    EXPECT_EQ(page_font_height(), -27);  // 26.67 + 0.5
}

TEST_F(Shell, CreationMakesBothPageFontsAndDestructionDeletesThem) {
    ASSERT_TRUE(start(book_));
    ASSERT_NE(the_engine.layout.bold_font, nullptr);
    ASSERT_NE(the_engine.layout.normal_font, nullptr);
    EXPECT_EQ(headless::fonts_alive(), 2);
    // -21 at 96 pixels per inch: the 20-pixel face, 10 a character.
    const plat_size extent = plat_text_extent(the_engine.layout.normal_font, "abc", 3);
    EXPECT_EQ(extent.cx, 30);
    EXPECT_EQ(extent.cy, 20);
    // The first page's text is drawn in the normal font (weight 300).
    const headless::draw_record* presents = nullptr;
    for (int32_t i = 0; i < headless::draw_count(); ++i) {
        const headless::draw_record& d = headless::draw(i);
        if (d.kind == headless::DRAW_TEXT && std::strstr(d.text, "Presents") != nullptr) presents = &d;
    }
    ASSERT_NE(presents, nullptr);
    EXPECT_EQ(presents->font, the_engine.layout.normal_font);
    EXPECT_EQ(presents->weight, 300);

    plat_window_post_close();
    headless::pump();
    EXPECT_EQ(headless::fonts_alive(), 0);
    EXPECT_EQ(the_engine.layout.bold_font, nullptr);
    EXPECT_EQ(the_engine.layout.normal_font, nullptr);
    EXPECT_FALSE(headless::running());
    EXPECT_EQ(headless::exit_code(), 0);
}

// The bar's six buttons, left to right.
const int32_t BAR_IDS[6] = {CMD_INSTRUCTIONS, CMD_RESTART, CMD_INFORMATION, CMD_RETURN, CMD_PREVIOUS, CMD_NEXT};

plat_bitmap image(uint16_t resource) {
    // Loading gives the same handle for the same resource.
    plat_bitmap b = plat_bitmap_load(resource);
    plat_bitmap_free(b);
    return b;
}

TEST_F(Shell, TheBarIsMadeAlongTheBottomOfTheClientArea) {
    ASSERT_TRUE(start(book_));
    const headless::window_record& w = headless::window();
    ASSERT_EQ(w.client_width, 506);
    ASSERT_EQ(w.client_height, 662);
    const char* captions[6] = {"?", "Rstrt", "Info", "Rtrn", "Prev", "Next"};
    const uint16_t images[6] = {1112, 1107, 1108, 1109, 1110, 1111};
    for (int32_t position = 0; position < 6; ++position) {
        SCOPED_TRACE(position);
        plat_control handle = headless::control_by_id(BAR_IDS[position]);
        const headless::control_record* r = headless::control_of(handle);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->params.kind, PLAT_BAR_BUTTON);
        EXPECT_STREQ(r->params.text, captions[position]);
        // Made at 506 / 6 = 84 pixels a button.
        EXPECT_EQ(r->params.x, position * 84);
        EXPECT_EQ(r->params.y, 662 - 25);
        EXPECT_EQ(r->params.width, 84);
        EXPECT_EQ(r->params.height, NAV_BAR_HEIGHT);
        // The switchable three have been set by the first page since.
        if (position < 3) {
            EXPECT_EQ(r->image, image(images[position]));
        }
    }
    EXPECT_EQ(the_engine.layout.text_area.right, 506);
    EXPECT_EQ(the_engine.layout.text_area.bottom, 662 - 25);
    // The bar's nine images stay loaded for the run.
    EXPECT_GE(headless::bitmaps_loaded(), 9);
}

TEST_F(Shell, EverySizeChangeLaysTheBarOutAgain) {
    ASSERT_TRUE(start(book_));
    headless::set_client_size(529, 500);
    for (int32_t position = 0; position < 6; ++position) {
        SCOPED_TRACE(position);
        const headless::control_record* r = headless::control_of(headless::control_by_id(BAR_IDS[position]));
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->x, position * 88);
        EXPECT_EQ(r->y, 475);
        EXPECT_EQ(r->width, position == 5 ? 89 : 88);
        EXPECT_EQ(r->height, 25);
    }
    EXPECT_EQ(the_engine.layout.text_area.right, 529);
    EXPECT_EQ(the_engine.layout.text_area.bottom, 475);
    EXPECT_EQ(the_engine.layout.page_height, 500 - 43);
    const plat_scroll_info info = plat_scroll_get();
    EXPECT_EQ(info.minimum, 0);
    EXPECT_EQ(info.page, 457);
}

TEST_F(Shell, TheBarShowsWhichWaysAreOpen) {
    ASSERT_TRUE(start(book_));
    nav_set_states(true, false, true);
    const headless::control_record* rtrn = headless::control_of(headless::control_by_id(CMD_RETURN));
    const headless::control_record* next = headless::control_of(headless::control_by_id(CMD_NEXT));
    const headless::control_record* prev = headless::control_of(headless::control_by_id(CMD_PREVIOUS));
    ASSERT_NE(rtrn, nullptr);
    ASSERT_NE(next, nullptr);
    ASSERT_NE(prev, nullptr);
    EXPECT_TRUE(rtrn->enabled);
    EXPECT_EQ(rtrn->image, image(1109));
    EXPECT_FALSE(next->enabled);
    EXPECT_EQ(next->image, image(1115));
    EXPECT_TRUE(prev->enabled);
    EXPECT_EQ(prev->image, image(1110));
    nav_set_states(false, true, false);
    EXPECT_FALSE(rtrn->enabled);
    EXPECT_EQ(rtrn->image, image(1113));
    EXPECT_TRUE(next->enabled);
    EXPECT_EQ(next->image, image(1111));
    EXPECT_FALSE(prev->enabled);
    EXPECT_EQ(prev->image, image(1114));
    // The other three are never disabled.
    for (int32_t id : {CMD_INSTRUCTIONS, CMD_RESTART, CMD_INFORMATION}) {
        EXPECT_TRUE(headless::control_of(headless::control_by_id(id))->enabled);
    }
}

TEST_F(Shell, ANewReaderStartsWithTheOpeningSequence) {
    ASSERT_TRUE(start(book_));
    EXPECT_EQ(the_engine.play.shown_paragraph, 2);
    EXPECT_EQ(the_engine.play.current_paragraph, 2);
    // "Presents" was built by the first paint and passed the sequence on.
    EXPECT_EQ(the_engine.app.pending_screen, SCREEN_TITLE);
    EXPECT_TRUE(headless::timer_running());
    EXPECT_EQ(sound_switch(), 1);
}

TEST_F(Shell, AReaderWithASavedPlaceGoesStraightToIt) {
    ASSERT_TRUE(start(book_));
    goto_paragraph(12, GOTO_TAKE_UP);
    ASSERT_TRUE(restart_program(book_));
    EXPECT_EQ(the_engine.play.shown_paragraph, 12);
    EXPECT_EQ(the_engine.play.current_paragraph, 12);
    EXPECT_EQ(the_engine.app.pending_screen, 0);
    EXPECT_FALSE(headless::timer_running());
    EXPECT_EQ(the_engine.play.on_current_page, 1);
}

TEST_F(Shell, ASecondCopyIsRefusedWhileTheFileIsHeld) {
    book_.select();
    bool existed = false;
    plat_file held = plat_file_open_exclusive(state_file_name(), &existed);
    ASSERT_NE(held, nullptr);

    // No running copy to be found: the reader is told.
    EXPECT_FALSE(start(book_));
    ASSERT_EQ(headless::message_count(), 1);
    EXPECT_STREQ(headless::message(0).text, "I cannot the book?");
    EXPECT_TRUE(headless::message(0).default_caption);
    EXPECT_FALSE(headless::message(0).owned);
    EXPECT_EQ(headless::message(0).buttons, PLAT_BOX_OK);
    EXPECT_EQ(headless::window().created, 0);

    // A running copy is brought to the front instead, silently.
    fresh_backend();
    headless::set_running_copy(true);
    EXPECT_FALSE(start(book_));
    EXPECT_EQ(headless::running_copy_raised(), 1);
    EXPECT_EQ(headless::message_count(), 0);
    EXPECT_EQ(headless::window().created, 0);
    plat_file_close(held);
}

TEST_F(Shell, AWindowThatCannotBeMadeEndsTheRunAndLetsTheFileGo) {
    headless::fail_next_window();
    EXPECT_FALSE(start(book_));
    ASSERT_EQ(headless::message_count(), 1);
    EXPECT_FALSE(headless::message(0).owned);
    EXPECT_EQ(the_engine.app.state_file, nullptr);
    bool existed = false;
    plat_file again = plat_file_open_exclusive(state_file_name(), &existed);
    EXPECT_NE(again, nullptr);
    plat_file_close(again);
}

TEST_F(Shell, TheClassNameIsTheStateFilesBaseName) {
    book_.select();
    EXPECT_STREQ(window_class_name(), "TestBook");  // the book's id
    EXPECT_EQ(std::string(window_class_name()) + ".dat", std::string(state_file_name()));
    // Known before the book is in use, for a back end that claims it first.
    EXPECT_STREQ(app_state_file_name_of(book_.tables()), "TestBook.dat");
    EXPECT_STREQ(app_state_file_name_of(nullptr), "tomelet.dat");
}

}  // namespace
}  // namespace tomelet

namespace tomelet {
namespace {

// The numbers a page script reads by name: each name once (a second row
// would silently stand for the first), each with its constant's value.
TEST(NamedNumbers, EachNameOnceWithItsConstantsValue) {
    int32_t count = 0;
    const named_number* numbers = app_named_numbers(&count);
    ASSERT_GT(count, 0);
    std::set<std::string> names;
    auto value_of = [&](const std::string& name) {
        for (int32_t i = 0; i < count; ++i) {
            if (name == numbers[i].name) return numbers[i].value;
        }
        return -1;
    };
    for (int32_t i = 0; i < count; ++i) EXPECT_TRUE(names.insert(numbers[i].name).second) << numbers[i].name;
    EXPECT_EQ(value_of("CMD_SOUNDS_OK"), CMD_SOUNDS_OK);
    EXPECT_EQ(value_of("EDIT_COMMIT"), EDIT_COMMIT);
    EXPECT_EQ(value_of("PLAT_ANSWER_NO"), PLAT_ANSWER_NO);
    EXPECT_EQ(value_of("ITEM_BUTTON"), ITEM_BUTTON);
    EXPECT_EQ(value_of("PLACE_NO_PARAGRAPH"), PLACE_NO_PARAGRAPH);
}

}  // namespace
}  // namespace tomelet
