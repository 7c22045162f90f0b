#include "layout/painter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "book/book.h"
#include "engine/engine.h"
#include "layout/pictures.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "platform/headless/headless.h"
#include "tests/layout/painter_fixture.h"
#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

using testing::drawn;
using testing::lines;
using testing::PainterTest;

// Puts in use a book whose catalogue holds one picture, `resource`, of
// width x height, and gives the headless back end its bitmap of that size.
std::unique_ptr<testing::memory_book> use_picture_book(uint16_t resource, uint16_t width, uint16_t height) {
    testing::memory_book_contents contents;
    contents.pictures = {{resource, width, height}};
    auto book = std::make_unique<testing::memory_book>(contents);
    book->select();
    headless::set_bitmap_size(resource, width, height);
    return book;
}

TEST_F(PainterTest, ShortLinesArePendingAndAlignedAsAWholeWhenDrawn) {
    page_align(1);
    page_text_item("abc");
    page_line_break();
    page_align(2);
    page_text_item("abc");
    page_line_break();
    page_align(0);
    page_text_item("abc");
    page_align(1);  // holds for the line still pending
    draw();
    EXPECT_EQ(drawn(), (lines{"abc@223,0,476,20/1c/N", "abc@446,20,476,40/1c/N", "abc@223,40,476,60/1c/N"}));
    EXPECT_EQ(the_engine.page.cursor_y, 61);
}

TEST_F(PainterTest, FullLinesAreDrawnAtOnceFromTheMarginAndTheLastBecomesAPiece) {
    resize(200);  // 152 pixels of line: three 5-character words
    page_align(1);
    page_text_item("aaaa bbbb cccc dddd eeee ffff gggg");
    draw();
    EXPECT_EQ(drawn(), (lines{"aaaa bbbb cccc @24,0,176,20/1d/N", "dddd eeee ffff @24,21,176,41/1d/N",
                              "gggg@68,42,176,62/1c/N"}));
    EXPECT_EQ(the_engine.page.cursor_y, 63);
}

TEST_F(PainterTest, TabsAdvanceToStopsAtMultiplesOfTheTabWidth) {
    page_tab();
    page_text_item("x");
    page_line_break();
    page_tab();
    page_tab();
    page_text_item("y");
    draw();
    EXPECT_EQ(drawn(), (lines{"x@28,0,476,20/1c/N", "y@42,20,476,40/1c/N"}));

    resize(64);  // right edge 40: a tab to 42 does nothing
    draw();
    EXPECT_EQ(drawn(), (lines{"x@28,0,40,20/1c/N", "y@28,20,40,40/1c/N"}));
}

TEST_F(PainterTest, InlinePictureRaisesItsLineAndAParagraphBreakLeavesOneBlankLine) {
    headless::set_bitmap_size(1704, 128, 128);
    page_picture_resource(1704);
    page_text_item("abc");
    page_paragraph_break();
    page_text_item("b");
    draw();
    EXPECT_EQ(drawn(), (lines{"#1704@24,0 128x128", "abc@152,0,476,128/1c/N", "b@24,256,476,276/1c/N"}));
    EXPECT_EQ(headless::bitmaps_loaded(), 0);
}

TEST_F(PainterTest, PictureThatEndsItsLineIsDrawnWithWhatStoodBeforeIt) {
    const auto book = use_picture_book(1100, 159, 134);
    page_text_item("before ");
    page_picture(0, 0);
    page_text_item("after");
    draw();
    EXPECT_EQ(drawn(), (lines{"before @24,0,476,134/1c/N", "#1100@94,0 159x134", "after@24,134,476,154/1c/N"}));

    // A picture button sits in its line like a picture: no gap after it.
    page_clear();
    ASSERT_EQ(make_hotword_picture(0), 5000);
    page_text_item("x");
    draw();
    EXPECT_EQ(drawn(), (lines{"x@183,0,476,134/1c/N"}));
    EXPECT_EQ(headless::control_of(the_engine.layout.button_windows[0])->x, 24);
}

TEST_F(PainterTest, PictureWiderThanTheLineGoesAtTheStartOfALineAndReachesPastTheEdge) {
    resize(198);  // a text line of 150 pixels
    headless::set_bitmap_size(1710, 227, 157);
    page_picture_resource(1710);  // even at the top it ends the empty line first
    page_text_item("ab ");
    page_picture_resource(1710);
    draw();
    EXPECT_EQ(drawn(), (lines{"#1710@24,16 227x157", "ab @24,174,174,194/1c/N", "#1710@24,194 227x157"}));

    page_clear();
    page_align(1);
    page_picture_resource(1710);
    draw();
    EXPECT_EQ(drawn(), (lines{"#1710@-26,16 227x157"}));

    // So do an edit box and a button wider than the line.
    page_clear();
    page_align(0);
    ASSERT_EQ(make_edit_box(30), 4000);
    ASSERT_EQ(make_hotword_button("a label wider than the line"), 5000);
    draw();
    const headless::control_record* box = headless::control_of(the_engine.layout.edit_box_windows[0]);
    const headless::control_record* button = headless::control_of(the_engine.layout.button_windows[0]);
    ASSERT_GT(box->width, 150);
    ASSERT_GT(button->width, 150);
    EXPECT_EQ((std::vector<int32_t>{box->x, box->y, button->x, button->y}),
              (std::vector<int32_t>{24, 16, 24, 16 + box->height}));
}

// What raises the line height before a layout (the Sounds screen's builder
// adds 4 pixels) holds for that layout's first line, not for later paints.
TEST_F(PainterTest, ARaisedLineHeightHoldsForTheNextLayoutsFirstLineOnly) {
    page_line_break();
    page_text_item("a");
    the_engine.layout.line_height = the_engine.page.base_line_height + 4;
    draw();
    EXPECT_EQ(drawn(), (lines{"a@24,20,476,40/1c/N"}));
    draw();
    EXPECT_EQ(drawn(), (lines{"a@24,16,476,36/1c/N"}));
}

TEST_F(PainterTest, UnreadablePictureTakesAWholeLineAndDrawsNothing) {
    page_picture_resource(4242);
    page_text_item("a");
    draw();
    EXPECT_EQ(measure_picture(4242).cx, 476);
    EXPECT_EQ(measure_picture(4242).cy, 16);
    EXPECT_EQ(drawn(), (lines{"a@24,33,476,53/1c/N"}));  // below an empty line and its own
    EXPECT_EQ(headless::bitmaps_loaded(), 0);
}

TEST_F(PainterTest, TitleIsCentredAcrossTheClientAndInvertedOnlyAtTheTop) {
    page_text_item("abc ");
    page_title("Chapter One");
    page_text_item("Body");
    draw();
    EXPECT_EQ(drawn(), (lines{"abc @24,0,476,20/1c/N", "Chapter One@0,20,500,40/19/B", "inv@0,20,500,40",
                              "Body@24,40,476,60/1c/N"}));

    the_engine.layout.scroll_origin = -10;
    draw();
    EXPECT_EQ(drawn(), (lines{"abc @24,-10,476,10/1c/N", "Chapter One@0,10,500,30/19/B", "Body@24,30,476,50/1c/N"}));
    EXPECT_EQ(the_engine.layout.scroll_origin, -10);  // the page's height did not change
}

TEST_F(PainterTest, BoldSwitchesTakeEffectAtTheirPlaceInTheLine) {
    page_text_item("abc ");
    page_bold_on();
    page_text_item("def ");
    page_bold_off();
    page_text_item("gh");
    page_line_break();
    page_bold_on();  // at the start of a line: at once
    page_text_item("xy");
    draw();
    EXPECT_EQ(drawn(), (lines{"abc @24,0,476,20/1c/N", "def @64,0,476,20/1c/B", "gh@104,0,476,20/1c/N",
                              "xy@24,20,476,40/1c/B"}));
    EXPECT_EQ(the_engine.layout.running_bold, 1);
    EXPECT_EQ(the_engine.layout.pending_bold, 1);
}

TEST_F(PainterTest, ControlsArePlacedInTheirLinesAndShownOnlyAboveTheBar) {
    page_text_item("Name: ");
    ASSERT_EQ(make_edit_box(10), 4000);  // 142 x 24
    ASSERT_EQ(make_hotword_button("go"), 5000);  // 32 x 24
    page_text_item("ok");
    const int32_t invalidated = headless::invalidate_count();
    draw();
    EXPECT_EQ(drawn(), (lines{"Name: @24,0,476,24/1c/N", "ok@262,0,476,24/1c/N"}));
    const headless::control_record* box = headless::control_of(the_engine.layout.edit_box_windows[0]);
    const headless::control_record* button = headless::control_of(the_engine.layout.button_windows[0]);
    ASSERT_NE(box, nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ((std::vector<int32_t>{box->x, box->y, box->width, box->height}), (std::vector<int32_t>{84, 0, 142, 24}));
    EXPECT_EQ((std::vector<int32_t>{button->x, button->y}), (std::vector<int32_t>{228, 0}));
    EXPECT_TRUE(box->shown);
    EXPECT_TRUE(button->shown);
    EXPECT_TRUE(box->focused);
    // The controls moved from where they were made before the paint began:
    // no second paint is asked, now or on the next paint.
    EXPECT_EQ(headless::invalidate_count(), invalidated);
    EXPECT_EQ(the_engine.layout.repaint_after, 0);
    draw();
    EXPECT_EQ(headless::invalidate_count(), invalidated);

    the_engine.layout.text_area.bottom = 24;  // lower edges reach the bar
    draw();
    EXPECT_FALSE(box->shown);
    EXPECT_FALSE(button->shown);

    the_engine.layout.scroll_origin = -100;  // scrolled off the top: still shown
    draw();
    EXPECT_EQ(box->y, -100);
    EXPECT_TRUE(box->shown);
}

TEST_F(PainterTest, LastEditBoxLaidOutHasTheFocus) {
    make_edit_box(2);
    make_edit_box(2);
    draw();
    EXPECT_EQ(headless::focused_control(), the_engine.layout.edit_box_windows[1]);
}

TEST_F(PainterTest, NewPageWithControlsIsPaintedOnceWithItsControlsInPlace) {
    page_text_item("Name: ");
    make_edit_box(2);
    plat_window_show();
    EXPECT_EQ(headless::paint_count(), 1);
    EXPECT_EQ(drawn(), (lines{"Name: @24,0,476,24/1c/N"}));
    EXPECT_EQ(headless::control_of(the_engine.layout.edit_box_windows[0])->x, 84);
    plat_window_invalidate();
    plat_window_update();
    EXPECT_EQ(headless::paint_count(), 2);
    EXPECT_EQ(headless::paint_refusals(), 0);
}

// A page with more draws than the layout can note before the paint (one
// character a line, then pictures) is laid out again as it is drawn: every
// draw is made, in one paint.
TEST_F(PainterTest, PageTooLongForTheNotesIsDrawnAsItIsLaidOut) {
    const auto book = use_picture_book(2001, 10, 10);
    resize(30);  // no room on a line: each character is a line of its own
    const std::string text(PAGE_TEXT_SIZE - 1, 'a');
    page_text_item(text.c_str());
    while (the_engine.page.page_item_count < PAGE_ITEMS_SIZE) page_picture(0, 0);
    const int32_t invalidated = headless::invalidate_count();
    draw();
    EXPECT_EQ(headless::draw_count(), PAGE_TEXT_SIZE - 1 + PAGE_ITEMS_SIZE - 1);
    EXPECT_EQ(drawn()[0], "a@24,0,6,20/1c/N");
    EXPECT_EQ(headless::invalidate_count(), invalidated);
}

TEST_F(PainterTest, PlaceFarBelowTheStoredRangeDoesNotMoveTheControlEveryPaint) {
    make_edit_box(3);
    realise_page_controls();
    place_control(ITEM_EDIT_BOX, 0, 30, 40000, 44);
    EXPECT_EQ(the_engine.layout.repaint_after, 1);
    EXPECT_EQ(the_engine.page.edit_boxes[0].y, INT16_MAX);
    EXPECT_FALSE(headless::control_of(the_engine.layout.edit_box_windows[0])->shown);
    the_engine.layout.repaint_after = 0;
    place_control(ITEM_EDIT_BOX, 0, 30, 40000, 44);
    EXPECT_EQ(the_engine.layout.repaint_after, 0);
    place_control(ITEM_BUTTON, 7, 30, 0, 44);  // no such button
    EXPECT_EQ(the_engine.layout.repaint_after, 0);
}

TEST_F(PainterTest, ScrollRangeCoversWholePages) {
    const auto book = use_picture_book(2001, 10, 10);
    page_picture(0, 0);  // a picture that ends its line: the page is as tall as it
    struct example {
        int32_t height, page, maximum;
    };
    for (const example e : {example{1000, 400, 1200}, example{800, 400, 800}, example{300, 400, 399},
                            example{300, 0, 300}}) {
        headless::set_bitmap_size(2001, 10, e.height);
        the_engine.layout.page_height = e.page;
        draw();
        const plat_scroll_info info = plat_scroll_get();
        EXPECT_EQ(the_engine.layout.laid_out_height, e.height);
        EXPECT_EQ(the_engine.layout.scroll_max, e.maximum) << e.height << " in pages of " << e.page;
        EXPECT_EQ((std::vector<int32_t>{info.minimum, info.maximum, info.page}),
                  (std::vector<int32_t>{0, e.maximum, e.page}));
    }

    // Unchanged height and page: the range is left alone.
    plat_scroll_set(PLAT_SCROLL_RANGE, plat_scroll_info{0, 77, 0, 0, 0});
    draw();
    EXPECT_EQ(plat_scroll_get().maximum, 77);

    // A changed height while scrolled: back to the top, and laid out again
    // from there before it is painted.
    headless::set_bitmap_size(2001, 10, 500);
    the_engine.layout.scroll_origin = -40;
    const int32_t invalidated = headless::invalidate_count();
    draw();
    EXPECT_EQ(the_engine.layout.scroll_origin, 0);
    EXPECT_EQ(the_engine.page.cursor_y, 500);
    EXPECT_EQ(headless::invalidate_count(), invalidated);
}

TEST_F(PainterTest, EmptyPageDrawsNothingAndSetsTheRangeOnlyForANewPageHeight) {
    the_engine.layout.laid_out_page = the_engine.layout.page_height;
    plat_scroll_set(PLAT_SCROLL_RANGE, plat_scroll_info{0, 77, 0, 0, 0});
    the_engine.layout.scroll_origin = -5;
    draw();
    EXPECT_EQ(headless::draw_count(), 0);
    EXPECT_EQ(the_engine.page.cursor_y, -5);
    EXPECT_EQ(plat_scroll_get().maximum, 77);

    the_engine.layout.page_height = 200;
    draw();
    EXPECT_EQ(plat_scroll_get().maximum, 199);
}

TEST_F(PainterTest, WordWiderThanTheLineIsSplitAtTheMargin) {
    resize(100);  // 52 pixels of line: five characters
    page_text_item("ab abcdefghijkl");
    draw();
    EXPECT_EQ(drawn(), (lines{"ab @24,0,76,20/1c/N", "abcde@24,21,76,41/1c/N", "fghij@24,42,76,62/1c/N",
                              "kl@24,63,76,83/1c/N"}));

    resize(30);  // no room at all: a character a line, and the layout ends
    page_clear();
    page_text_item("abc");
    draw();
    EXPECT_EQ(drawn(), (lines{"a@24,0,6,20/1c/N", "b@24,21,6,41/1c/N", "c@24,42,6,62/1c/N"}));
}

TEST_F(PainterTest, LineWithMorePiecesThanItHoldsGoesOnOnTheNextLine) {
    std::string expected_fonts;
    for (int i = 0; i < 6; ++i) {
        page_bold_on();
        page_text_item("x ");
        page_bold_off();
        page_text_item("y ");
        expected_fonts += "BN";
    }
    draw();
    std::string fonts;
    std::string text;
    bool second_line = false;
    for (int32_t i = 0; i < headless::draw_count(); ++i) {
        const headless::draw_record& r = headless::draw(i);
        fonts += r.font == the_engine.layout.bold_font ? 'B' : 'N';
        text += r.text;
        second_line = second_line || r.rect.top == 21;
    }
    EXPECT_EQ(fonts, expected_fonts);
    EXPECT_EQ(text, "x y x y x y x y x y x y ");
    EXPECT_TRUE(second_line);
}

TEST_F(PainterTest, VeryWideLineKeepsItsPiecesWithinTheLineText) {
    resize(5000);
    std::string words;
    for (int i = 0; i < 60; ++i) words += "abcd ";
    page_text_item(words.c_str());
    draw();
    ASSERT_EQ(headless::draw_count(), 2);
    EXPECT_EQ(headless::draw(0).n, 195);
    EXPECT_EQ(headless::draw(0).rect.top, 0);
    EXPECT_EQ(headless::draw(1).n, 105);
    EXPECT_EQ(headless::draw(1).rect.top, 21);
    EXPECT_EQ(std::string(headless::draw(1).text), words.substr(195));
}

TEST_F(PainterTest, FitTextBreaksOnlyAfterSpacesAndWalksAtMost499Characters) {
    // The default font: 7 pixels a character, 16 high.
    int32_t height = 10;
    int32_t width = 30;
    EXPECT_EQ(fit_text(the_engine.layout.fit_scratch, "abc def", height, width, nullptr), 4);
    EXPECT_STREQ(the_engine.layout.fit_scratch, "abc ");
    EXPECT_EQ((std::vector<int32_t>{height, width}), (std::vector<int32_t>{16, 28}));
    height = 10;  // 28 is not less than 28: nothing fits, nothing changes
    EXPECT_EQ(fit_text(the_engine.layout.fit_scratch, "abc def", height, width, nullptr), 0);
    EXPECT_EQ((std::vector<int32_t>{height, width}), (std::vector<int32_t>{10, 28}));
    width = 43;  // a run without spaces goes only whole
    EXPECT_EQ(fit_text(the_engine.layout.fit_scratch, "abcdef", height, width, nullptr), 6);

    std::string long_run;
    for (int i = 0; i < 300; ++i) long_run += "a ";
    width = 1000000;
    EXPECT_EQ(fit_text(the_engine.layout.fit_scratch, long_run.c_str(), height, width, nullptr), 498);
    EXPECT_EQ(the_engine.layout.fit_scratch[498], '\0');
}

}  // namespace
}  // namespace tomelet
