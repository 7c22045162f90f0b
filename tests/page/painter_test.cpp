#include "page/painter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/navigation.h"
#include "app/screens.h"
#include "app/window.h"
#include "book/assemble.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "page/messages.h"
#include "page/pictures.h"
#include "platform/headless/headless.h"
#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

// The window's messages go to the painter alone: these tests drive the page
// without the application's handlers.
void paint_handler() { paint_page(); }
void no_op() {}
void no_size(int32_t, int32_t) {}
bool no_command(int32_t, int32_t) { return false; }
bool no_key(int32_t) { return false; }
void no_vscroll(int32_t, int32_t) {}
bool no_item(int32_t, plat_canvas, const plat_rect&) { return false; }
const headless::entry_points painter_only{no_op,  no_op,      no_size, paint_handler, no_command,
                                          no_key, no_vscroll, no_op,   no_item};

// One line per draw of the last paint:
//   text@left,top,right,bottom/format/font (N normal, B bold, D default)
//   #resource@x,y widthxheight
//   inv@left,top,right,bottom
std::vector<std::string> drawn() {
    std::vector<std::string> lines;
    char line[400];
    for (int32_t i = 0; i < headless::draw_count(); ++i) {
        const headless::draw_record& r = headless::draw(i);
        if (r.kind == headless::DRAW_TEXT) {
            const char font = r.font == bold_font ? 'B' : r.font == normal_font ? 'N' : 'D';
            std::snprintf(line, sizeof line, "%s@%d,%d,%d,%d/%x/%c", r.text, r.rect.left, r.rect.top,
                          r.rect.right, r.rect.bottom, r.format, font);
        } else if (r.kind == headless::DRAW_INVERT) {
            std::snprintf(line, sizeof line, "inv@%d,%d,%d,%d", r.rect.left, r.rect.top, r.rect.right,
                          r.rect.bottom);
        } else {
            std::snprintf(line, sizeof line, "#%u@%d,%d %dx%d", static_cast<unsigned>(r.resource), r.x, r.y,
                          r.width, r.height);
        }
        lines.emplace_back(line);
    }
    return lines;
}

using lines = std::vector<std::string>;

// Page fonts of 21 pixels: 10 pixels a character and 20 high, bold or not;
// the default font gives a 16-pixel base line and 7-pixel characters.
class PainterTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        headless::use_entry_points(&painter_only);
        ASSERT_TRUE(plat_window_create("painter", 0, 0, 500 + headless::NON_CLIENT_WIDTH,
                                       400 + headless::NON_CLIENT_HEIGHT));
        resize(500);
        client_origin = plat_rect{0, 0, 500, 400};
        normal_font = plat_font_create(-21, 300);
        bold_font = plat_font_create(-21, 700);
        navigation_reset();
        pending_screen = 0;
        page_rebuild = 0;
        page_height = 357;
        destroy_page_controls();
        page_clear();
        build_bold = 0;
        running_bold = 0;
        pending_bold = 0;
        alignment = 0;
        base_line_height = 16;
        avg_char_width = 7;
        tab_width = 14;
        laid_out_height = 0;
        laid_out_page = 0;
        repaint_after = 0;
    }
    void TearDown() override {
        destroy_page_controls();
        headless::use_entry_points(nullptr);
        the_book = nullptr;
    }
    // A client area `width` wide; text lines end 24 short of it.
    static void resize(int32_t width) {
        headless::set_client_size(width, 400);
        text_area = plat_rect{0, 0, width, 375};
    }
};

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
    paint_page();
    EXPECT_EQ(drawn(), (lines{"abc@223,0,476,20/824/N", "abc@446,20,476,40/824/N", "abc@223,40,476,60/824/N"}));
    EXPECT_EQ(cursor_y, 61);
    EXPECT_EQ(page_rebuild, 0);
}

TEST_F(PainterTest, FullLinesAreDrawnAtOnceFromTheMarginAndTheLastBecomesAPiece) {
    resize(200);  // 152 pixels of line: three 5-character words
    page_align(1);
    page_text_item("aaaa bbbb cccc dddd eeee ffff gggg");
    paint_page();
    EXPECT_EQ(drawn(), (lines{"aaaa bbbb cccc @24,0,176,20/825/N", "dddd eeee ffff @24,21,176,41/825/N",
                              "gggg@68,42,176,62/824/N"}));
    EXPECT_EQ(cursor_y, 63);
}

TEST_F(PainterTest, TabsAdvanceToStopsAtMultiplesOfTheTabWidth) {
    page_tab();
    page_text_item("x");
    page_line_break();
    page_tab();
    page_tab();
    page_text_item("y");
    paint_page();
    EXPECT_EQ(drawn(), (lines{"x@28,0,476,20/824/N", "y@42,20,476,40/824/N"}));

    resize(64);  // right edge 40: a tab to 42 does nothing
    paint_page();
    EXPECT_EQ(drawn(), (lines{"x@28,0,40,20/824/N", "y@28,20,40,40/824/N"}));
}

TEST_F(PainterTest, InlinePictureRaisesItsLineAndAParagraphBreakLeavesOneBlankLine) {
    headless::set_bitmap_size(1704, 128, 128);
    page_picture_resource(1704);
    page_text_item("abc");
    page_paragraph_break();
    page_text_item("b");
    paint_page();
    EXPECT_EQ(drawn(), (lines{"#1704@24,0 128x128", "abc@152,0,476,128/824/N", "b@24,256,476,276/824/N"}));
    EXPECT_EQ(headless::bitmaps_loaded(), 0);
}

TEST_F(PainterTest, PictureThatEndsItsLineIsDrawnWithWhatStoodBeforeIt) {
    testing::memory_book_contents contents;
    contents.pictures = {{1100, 159, 134}};
    testing::memory_book book(contents);
    book.use();
    headless::set_bitmap_size(1100, 159, 134);
    page_text_item("before ");
    page_picture(0, 0);
    page_text_item("after");
    paint_page();
    EXPECT_EQ(drawn(), (lines{"before @24,0,476,134/824/N", "#1100@94,0 159x134", "after@24,134,476,154/824/N"}));

    // A picture button sits in its line like a picture: no gap after it.
    page_clear();
    ASSERT_EQ(make_hotword_picture(0), 5000);
    page_text_item("x");
    paint_page();
    EXPECT_EQ(drawn(), (lines{"x@183,0,476,134/824/N"}));
    EXPECT_EQ(headless::control_of(button_windows[0])->x, 24);
}

TEST_F(PainterTest, PictureWiderThanTheLineGoesAtTheStartOfALineAndReachesPastTheEdge) {
    resize(198);  // a text line of 150 pixels
    headless::set_bitmap_size(1710, 227, 157);
    page_picture_resource(1710);  // even at the top it ends the empty line first
    page_text_item("ab ");
    page_picture_resource(1710);
    paint_page();
    EXPECT_EQ(drawn(), (lines{"#1710@24,16 227x157", "ab @24,174,174,194/824/N", "#1710@24,194 227x157"}));

    page_clear();
    page_align(1);
    page_picture_resource(1710);
    paint_page();
    EXPECT_EQ(drawn(), (lines{"#1710@-26,16 227x157"}));

    // So do an edit box and a button wider than the line.
    page_clear();
    page_align(0);
    ASSERT_EQ(make_edit_box(30), 4000);
    ASSERT_EQ(make_hotword_button("a label wider than the line"), 5000);
    paint_page();
    const headless::control_record* box = headless::control_of(edit_box_windows[0]);
    const headless::control_record* button = headless::control_of(button_windows[0]);
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
    line_height = base_line_height + 4;
    paint_page();
    EXPECT_EQ(drawn(), (lines{"a@24,20,476,40/824/N"}));
    paint_page();
    EXPECT_EQ(drawn(), (lines{"a@24,16,476,36/824/N"}));
}

TEST_F(PainterTest, UnreadablePictureTakesAWholeLineAndDrawsNothing) {
    page_picture_resource(4242);
    page_text_item("a");
    paint_page();
    EXPECT_EQ(measure_picture(4242).cx, 476);
    EXPECT_EQ(measure_picture(4242).cy, 16);
    EXPECT_EQ(drawn(), (lines{"a@24,33,476,53/824/N"}));  // below an empty line and its own
    EXPECT_EQ(headless::bitmaps_loaded(), 0);
}

TEST_F(PainterTest, TitleIsCentredAcrossTheClientAndInvertedOnlyAtTheTop) {
    page_text_item("abc ");
    page_title("Chapter One");
    page_text_item("Body");
    paint_page();
    EXPECT_EQ(drawn(), (lines{"abc @24,0,476,20/824/N", "Chapter One@0,20,500,40/821/B", "inv@0,20,500,40",
                              "Body@24,40,476,60/824/N"}));

    scroll_origin = -10;
    paint_page();
    EXPECT_EQ(drawn(), (lines{"abc @24,-10,476,10/824/N", "Chapter One@0,10,500,30/821/B", "Body@24,30,476,50/824/N"}));
    EXPECT_EQ(scroll_origin, -10);  // the page's height did not change
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
    paint_page();
    EXPECT_EQ(drawn(), (lines{"abc @24,0,476,20/824/N", "def @64,0,476,20/824/B", "gh@104,0,476,20/824/N",
                              "xy@24,20,476,40/824/B"}));
    EXPECT_EQ(running_bold, 1);
    EXPECT_EQ(pending_bold, 1);
}

TEST_F(PainterTest, ControlsArePlacedInTheirLinesAndShownOnlyAboveTheBar) {
    page_text_item("Name: ");
    ASSERT_EQ(make_edit_box(10), 4000);  // 142 x 24
    ASSERT_EQ(make_hotword_button("go"), 5000);  // 32 x 24
    page_text_item("ok");
    const int32_t invalidated = headless::invalidate_count();
    paint_page();
    EXPECT_EQ(drawn(), (lines{"Name: @24,0,476,24/824/N", "ok@262,0,476,24/824/N"}));
    const headless::control_record* box = headless::control_of(edit_box_windows[0]);
    const headless::control_record* button = headless::control_of(button_windows[0]);
    ASSERT_NE(box, nullptr);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ((std::vector<int32_t>{box->x, box->y, box->width, box->height}), (std::vector<int32_t>{84, 0, 142, 24}));
    EXPECT_EQ((std::vector<int32_t>{button->x, button->y}), (std::vector<int32_t>{228, 0}));
    EXPECT_TRUE(box->shown);
    EXPECT_TRUE(button->shown);
    EXPECT_TRUE(box->focused);
    // The controls moved from where they were made: one more paint is asked.
    EXPECT_EQ(headless::invalidate_count(), invalidated + 1);
    EXPECT_EQ(repaint_after, 0);

    paint_page();  // in place now: nothing more
    EXPECT_EQ(headless::invalidate_count(), invalidated + 1);

    text_area.bottom = 24;  // lower edges reach the bar
    paint_page();
    EXPECT_FALSE(box->shown);
    EXPECT_FALSE(button->shown);

    scroll_origin = -100;  // scrolled off the top: still shown
    paint_page();
    EXPECT_EQ(box->y, -100);
    EXPECT_TRUE(box->shown);
}

TEST_F(PainterTest, LastEditBoxLaidOutHasTheFocus) {
    make_edit_box(2);
    make_edit_box(2);
    paint_page();
    EXPECT_EQ(headless::focused_control(), edit_box_windows[1]);
}

TEST_F(PainterTest, NewPageWithControlsIsPaintedTwiceThenSettles) {
    make_edit_box(2);
    plat_window_show();
    EXPECT_EQ(headless::paint_count(), 2);
    plat_window_invalidate();
    plat_window_update();
    EXPECT_EQ(headless::paint_count(), 3);
    EXPECT_EQ(headless::paint_refusals(), 0);
}

TEST_F(PainterTest, PlaceFarBelowTheStoredRangeDoesNotMoveTheControlEveryPaint) {
    make_edit_box(3);
    place_control(ITEM_EDIT_BOX, 0, 30, 40000, 44);
    EXPECT_EQ(repaint_after, 1);
    EXPECT_EQ(edit_boxes[0].y, INT16_MAX);
    EXPECT_FALSE(headless::control_of(edit_box_windows[0])->shown);
    repaint_after = 0;
    place_control(ITEM_EDIT_BOX, 0, 30, 40000, 44);
    EXPECT_EQ(repaint_after, 0);
    place_control(ITEM_BUTTON, 7, 30, 0, 44);  // no such button
    EXPECT_EQ(repaint_after, 0);
}

TEST_F(PainterTest, ScrollRangeCoversWholePages) {
    testing::memory_book_contents contents;
    contents.pictures = {{2001, 10, 10}};
    testing::memory_book book(contents);
    book.use();
    page_picture(0, 0);  // a picture that ends its line: the page is as tall as it
    struct example {
        int32_t height, page, maximum;
    };
    for (const example e : {example{1000, 400, 1200}, example{800, 400, 800}, example{300, 400, 399},
                            example{300, 0, 300}}) {
        headless::set_bitmap_size(2001, 10, e.height);
        page_height = e.page;
        paint_page();
        const plat_scroll_info info = plat_scroll_get();
        EXPECT_EQ(laid_out_height, e.height);
        EXPECT_EQ(scroll_max, e.maximum) << e.height << " in pages of " << e.page;
        EXPECT_EQ((std::vector<int32_t>{info.minimum, info.maximum, info.page}),
                  (std::vector<int32_t>{0, e.maximum, e.page}));
    }

    // Unchanged height and page: the range is left alone.
    plat_scroll_set(PLAT_SCROLL_RANGE, plat_scroll_info{0, 77, 0, 0, 0});
    paint_page();
    EXPECT_EQ(plat_scroll_get().maximum, 77);

    // A changed height while scrolled: back to the top, painted once more.
    headless::set_bitmap_size(2001, 10, 500);
    scroll_origin = -40;
    const int32_t invalidated = headless::invalidate_count();
    paint_page();
    EXPECT_EQ(scroll_origin, 0);
    EXPECT_EQ(headless::invalidate_count(), invalidated + 1);
}

TEST_F(PainterTest, EmptyPageDrawsNothingAndSetsTheRangeOnlyForANewPageHeight) {
    laid_out_page = page_height;
    plat_scroll_set(PLAT_SCROLL_RANGE, plat_scroll_info{0, 77, 0, 0, 0});
    scroll_origin = -5;
    paint_page();
    EXPECT_EQ(headless::draw_count(), 0);
    EXPECT_EQ(cursor_y, -5);
    EXPECT_EQ(plat_scroll_get().maximum, 77);

    page_height = 200;
    paint_page();
    EXPECT_EQ(plat_scroll_get().maximum, 199);
}

TEST_F(PainterTest, WordWiderThanTheLineIsSplitAtTheMargin) {
    resize(100);  // 52 pixels of line: five characters
    page_text_item("ab abcdefghijkl");
    paint_page();
    EXPECT_EQ(drawn(), (lines{"ab @24,0,76,20/824/N", "abcde@24,21,76,41/824/N", "fghij@24,42,76,62/824/N",
                              "kl@24,63,76,83/824/N"}));

    resize(30);  // no room at all: a character a line, and the layout ends
    page_clear();
    page_text_item("abc");
    paint_page();
    EXPECT_EQ(drawn(), (lines{"a@24,0,6,20/824/N", "b@24,21,6,41/824/N", "c@24,42,6,62/824/N"}));
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
    paint_page();
    std::string fonts;
    std::string text;
    bool second_line = false;
    for (int32_t i = 0; i < headless::draw_count(); ++i) {
        const headless::draw_record& r = headless::draw(i);
        fonts += r.font == bold_font ? 'B' : 'N';
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
    paint_page();
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
    EXPECT_EQ(fit_text(fit_scratch, "abc def", height, width, nullptr), 4);
    EXPECT_STREQ(fit_scratch, "abc ");
    EXPECT_EQ((std::vector<int32_t>{height, width}), (std::vector<int32_t>{16, 28}));
    height = 10;  // 28 is not less than 28: nothing fits, nothing changes
    EXPECT_EQ(fit_text(fit_scratch, "abc def", height, width, nullptr), 0);
    EXPECT_EQ((std::vector<int32_t>{height, width}), (std::vector<int32_t>{10, 28}));
    width = 43;  // a run without spaces goes only whole
    EXPECT_EQ(fit_text(fit_scratch, "abcdef", height, width, nullptr), 6);

    std::string long_run;
    for (int i = 0; i < 300; ++i) long_run += "a ";
    width = 1000000;
    EXPECT_EQ(fit_text(fit_scratch, long_run.c_str(), height, width, nullptr), 498);
    EXPECT_EQ(fit_scratch[498], '\0');
}

// ---- the rebuild ---------------------------------------------------------

class RebuildTest : public PainterTest {
protected:
    void SetUp() override {
        PainterTest::SetUp();
        testing::memory_book_contents contents;
        std::string many_boxes;
        for (int i = 0; i < 40; ++i) many_boxes += "<S (x) 1 1>";
        contents.paragraphs = {{2, "Hello there<U>"},
                               {3, "Words <S (x) 1 1><M \"go\" 1>"},
                               {4, many_boxes + "<M \"go\" 1>"}};
        book_ = std::make_unique<testing::memory_book>(contents);
        book_->use();
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
    EXPECT_EQ(drawn(), (lines{"Hello there@24,0,476,20/824/N"}));
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
