#include "layout/realise.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/engine.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "page/messages.h"
#include "platform/headless/headless.h"
#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

class RealiseTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        engine_reset();
        the_engine.page.client_origin = page_rect{0, 0, 500, 600};
        the_engine.page.right_edge = 476;
        the_engine.page.cursor_y = 30;
        the_engine.layout.normal_font = plat_font_create(-21, 300);
        the_engine.layout.bold_font = plat_font_create(-21, 700);
        install_page_measures();
    }
    void TearDown() override {
        destroy_page_controls();
        the_engine.book.tables = nullptr;
    }
};

// The controls are made in the order the page recorded them, across both
// tables, each of its kind, with its id, caption and recorded place, and
// hidden but for the picture button (left as it is) and the check box
// (shown at once, checked as recorded); a second call makes only what was
// recorded since.
TEST_F(RealiseTest, MakesEveryControlInThePagesOrder) {
    testing::memory_book_contents contents;
    contents.pictures = {{1704, 1, 1}};
    testing::memory_book book(contents);
    book.select();
    headless::set_bitmap_size(1704, 128, 64);
    make_hotword_button("go");
    make_edit_box(10);
    make_text_button("INSTRUCTIONS", 513);
    make_hotword_picture(0);
    make_check_box("Sound", 518, 98, 20, true);
    realise_page_controls();
    make_edit_box(3);
    realise_page_controls();
    realise_page_controls();

    const struct {
        plat_control_kind kind;
        int32_t id;
        const char* text;
        int32_t y, width, height;
        bool shown, checked;
    } rows[] = {
        {PLAT_HOTWORD_BUTTON, 5000, "", 30, 32, 24, false, false},
        {PLAT_EDIT_BOX, 4000, "", 55, 142, 24, false, false},
        {PLAT_PUSH_BUTTON, 513, "INSTRUCTIONS", 80, 132, 24, false, false},
        {PLAT_PICTURE_BUTTON, 5002, "", 105, 128, 64, true, false},
        {PLAT_CHECK_BOX, 518, "Sound", 170, 98, 20, true, true},
        {PLAT_EDIT_BOX, 4001, "", 191, 44, 24, false, false},
    };
    ASSERT_EQ(headless::control_count(), 6);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const headless::control_record& r = headless::control(i);
        EXPECT_EQ(r.params.kind, rows[i].kind);
        EXPECT_EQ(r.params.id, rows[i].id);
        EXPECT_STREQ(r.params.text, rows[i].text);
        EXPECT_EQ(r.params.x, 0);
        EXPECT_EQ(r.params.y, rows[i].y);
        EXPECT_EQ(r.params.width, rows[i].width);
        EXPECT_EQ(r.params.height, rows[i].height);
        EXPECT_EQ(r.shown, rows[i].shown);
        EXPECT_EQ(r.checked, rows[i].checked);
    }
    EXPECT_EQ(headless::control(1).params.max_length, 10);
    EXPECT_EQ(headless::control_of(the_engine.layout.edit_box_windows[1]), &headless::control(5));
    EXPECT_EQ(headless::control_of(the_engine.layout.button_windows[3]), &headless::control(4));
    EXPECT_EQ(the_engine.page.buttons[2].has_picture, 1);
    EXPECT_EQ(headless::resource_of(the_engine.layout.button_bitmaps[2]), 1704);
    EXPECT_EQ(headless::bitmaps_loaded(), 1);
    EXPECT_EQ(reported_message_count(), 0);

    destroy_page_controls();
    EXPECT_EQ(headless::bitmaps_loaded(), 0);
    for (int i = 0; i < 6; ++i) EXPECT_FALSE(headless::control(i).alive) << i;
    EXPECT_EQ(the_engine.page.button_count, 0);
    EXPECT_EQ(the_engine.page.edit_box_count, 0);
    EXPECT_EQ(the_engine.page.control_order_count, 0);
    EXPECT_EQ(the_engine.layout.button_windows[0], nullptr);
}

// The layout's measures: a label in the layout's bold or normal font (bold
// for push buttons and hotwords made in bold), a picture by its bitmap, and
// a picture that cannot be loaded takes the text line's width.
TEST_F(RealiseTest, LabelsAndPicturesAreMeasuredInTheLayoutsFontsAndBitmaps) {
    const plat_size normal = plat_text_extent(the_engine.layout.normal_font, "word", 4);
    page_bold_on();
    make_hotword_button("word");
    page_bold_off();
    make_hotword_button("word");
    EXPECT_EQ(the_engine.page.buttons[0].width, plat_text_extent(the_engine.layout.bold_font, "word", 4).cx + 12);
    EXPECT_EQ(the_engine.page.buttons[1].width, normal.cx + 12);
    EXPECT_EQ(the_engine.page.buttons[1].height, normal.cy + 4);
    make_hotword_picture(7);  // no book: no picture
    EXPECT_EQ(the_engine.page.buttons[2].width, 476);
    EXPECT_EQ(the_engine.page.buttons[2].has_picture, 0);
    realise_page_controls();
    EXPECT_EQ(the_engine.layout.button_bitmaps[2], nullptr);
    EXPECT_EQ(headless::bitmaps_loaded(), 0);
}

// A control the platform cannot make is reported as before: a failed
// answer field goes on, a failed button or check box closes the program.
TEST_F(RealiseTest, ControlsThatCannotBeMadeAreReported) {
    const struct {
        void (*make)();
        const char* text;
        const char* caption;
        bool close_after;
    } rows[] = {
        {[] { make_edit_box(4); }, "Null Edit Box", "Bad Edit Box", false},
        {[] { make_hotword_button("x"); }, "Could not create button", " Error 8", true},
        {[] { make_check_box("Sound", 518, 98, 20, false); }, "Could not create button", "No Memory", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        destroy_page_controls();
        drop_held_messages();
        row.make();
        headless::fail_next_controls(1);
        realise_page_controls();
        ASSERT_EQ(reported_message_count(), 1);
        EXPECT_STREQ(held_message_text(0), row.text);
        EXPECT_STREQ(the_engine.page.held[0].caption, row.caption);
        EXPECT_EQ(the_engine.page.held[0].close_after, row.close_after);
        EXPECT_EQ(the_engine.page.button_count + the_engine.page.edit_box_count, 1);
    }
}

// The hotwords and push buttons in a row are made together; one that
// cannot be made is reported (the program closes) and the rest are made.
TEST_F(RealiseTest, AButtonThatCannotBeMadeLeavesTheRestOfItsRow) {
    make_hotword_button("a");
    make_hotword_button("b");
    make_text_button("OK", 513);
    headless::fail_next_controls(1);
    realise_page_controls();
    realise_page_controls();
    EXPECT_EQ(reported_message_count(), 1);
    EXPECT_EQ(the_engine.layout.realised_buttons, 3);
    EXPECT_EQ(the_engine.layout.button_windows[0], nullptr);
    ASSERT_EQ(headless::control_count(), 2);
    EXPECT_EQ(headless::control_of(the_engine.layout.button_windows[1])->params.id, 5001);
    EXPECT_STREQ(headless::control_of(the_engine.layout.button_windows[2])->text, "OK");
}

// A picture button's bitmap is loaded once, for its measure, and kept for
// its control; only the last picture measured is kept, and a page's
// bitmaps are all freed with its controls, made or not.
TEST_F(RealiseTest, APictureButtonsBitmapIsLoadedOnce) {
    testing::memory_book_contents contents;
    contents.pictures = {{1704, 1, 1}, {1705, 1, 1}};
    testing::memory_book book(contents);
    book.select();
    const struct {
        std::vector<int32_t> pictures;
        bool realised;
        int32_t loads;
    } rows[] = {{{0}, true, 1}, {{0, 1}, true, 3}, {{1, 1}, true, 3}, {{0}, false, 1}, {{7}, true, 0}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.pictures.size() * 10 + row.realised);
        destroy_page_controls();
        headless::reset();
        headless::set_bitmap_size(1704, 128, 64);
        headless::set_bitmap_size(1705, 32, 32);
        for (const int32_t number : row.pictures) make_hotword_picture(number);
        if (row.realised) realise_page_controls();
        EXPECT_EQ(headless::bitmap_loads(), row.loads);
        for (size_t i = 0; row.realised && i < row.pictures.size(); ++i) {
            const int32_t resource = row.pictures[i] == 7 ? -1 : 1704 + row.pictures[i];
            EXPECT_EQ(headless::resource_of(the_engine.layout.button_bitmaps[i]), resource) << i;
            EXPECT_EQ(headless::control_of(the_engine.layout.button_windows[i])->image,
                      the_engine.layout.button_bitmaps[i]);
        }
        destroy_page_controls();
        EXPECT_EQ(headless::bitmaps_loaded(), 0);
    }
}

}  // namespace
}  // namespace tomelet
