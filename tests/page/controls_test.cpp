#include "page/controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine.h"
#include "page/display_list.h"
#include "platform/headless/headless.h"
#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        engine_reset();
        the_engine.page.client_origin = plat_rect{0, 0, 500, 600};
        the_engine.page.right_edge = 476;
        the_engine.page.cursor_y = 30;
    }
};

TEST(PageControlIds, NameAnAnswerFieldAHotwordOrNeither) {
    const struct {
        int32_t id;
        page_control_kind kind;
        int32_t index;
    } rows[] = {{-1, PAGE_CONTROL_NONE, -1},         {0, PAGE_CONTROL_NONE, -1},
                {519, PAGE_CONTROL_NONE, -1},        {EDIT_BOX_ID_BASE - 1, PAGE_CONTROL_NONE, -1},
                {EDIT_BOX_ID_BASE, PAGE_ANSWER_FIELD, 0}, {EDIT_BOX_ID_BASE + 99, PAGE_ANSWER_FIELD, 99},
                {BUTTON_ID_BASE - 1, PAGE_ANSWER_FIELD, BUTTON_ID_BASE - 1 - EDIT_BOX_ID_BASE},
                {BUTTON_ID_BASE, PAGE_HOTWORD, 0},   {BUTTON_ID_BASE + 99, PAGE_HOTWORD, 99}};
    for (const auto& row : rows) {
        EXPECT_EQ(page_control_kind_of(row.id), row.kind) << row.id;
        EXPECT_EQ(page_control_index(row.id), row.index) << row.id;
    }
}

TEST_F(ControlsTest, EditBoxSizeIdAndProvisionalPlace) {
    EXPECT_EQ(make_edit_box(10), EDIT_BOX_ID_BASE);
    const edit_box_entry& box = the_engine.page.edit_boxes[0];
    EXPECT_EQ(box.width, 142);
    EXPECT_EQ(box.height, 24);
    EXPECT_EQ(box.x, 0);
    EXPECT_EQ(box.y, 30);
    EXPECT_EQ(box.maximum_length, 10);
    EXPECT_EQ(the_engine.page.cursor_y, 30 + 24 + 1);
    const headless::control_record* r = headless::control_of(the_engine.page.edit_box_windows[0]);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->params.kind, PLAT_EDIT_BOX);
    EXPECT_EQ(r->params.id, 4000);
    EXPECT_EQ(r->params.max_length, 10);
    EXPECT_FALSE(r->shown);
    ASSERT_EQ(the_engine.page.page_item_count, 1);
    EXPECT_EQ(the_engine.page.page_items[0].kind, ITEM_EDIT_BOX);
    EXPECT_EQ(the_engine.page.page_items[0].value, 0);
    EXPECT_EQ(make_edit_box(3), EDIT_BOX_ID_BASE + 1);
}

TEST_F(ControlsTest, EditBoxIsNoWiderThanTheClientAreaAndTakesAtMost199) {
    the_engine.page.client_origin = plat_rect{0, 0, 100, 600};
    make_edit_box(10);
    EXPECT_EQ(the_engine.page.edit_boxes[0].width, 100);
    make_edit_box(5000);
    EXPECT_EQ(the_engine.page.edit_boxes[1].maximum_length, 199);
}

TEST_F(ControlsTest, EditBoxThatCannotBeCreatedIsReportedAndTheBuildGoesOn) {
    headless::fail_next_controls(1);
    EXPECT_EQ(make_edit_box(4), 4000);
    ASSERT_EQ(reported_message_count(), 1);
    EXPECT_STREQ(held_message_text(0), "Null Edit Box");
    EXPECT_STREQ(the_engine.page.held[0].caption, "Bad Edit Box");
    EXPECT_EQ(the_engine.page.edit_box_count, 1);
    EXPECT_FALSE(the_engine.page.held[0].close_after);
}

TEST_F(ControlsTest, ButtonWidthFromTheLabelExtent) {
    // The headless default font measures 7 pixels a character, 16 high.
    EXPECT_EQ(make_hotword_button("a"), 5000);
    EXPECT_EQ(the_engine.page.buttons[0].width, 7 + 12);
    EXPECT_EQ(the_engine.page.buttons[0].height, 20);
    EXPECT_EQ(the_engine.page.buttons[0].label_length, 1);
    EXPECT_EQ(make_hotword_button(""), 5001);
    EXPECT_EQ(the_engine.page.buttons[1].width, 12);
    const headless::control_record* r = headless::control_of(the_engine.page.button_windows[0]);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->params.kind, PLAT_HOTWORD_BUTTON);
    EXPECT_STREQ(r->params.text, "");
    EXPECT_FALSE(r->shown);
}

TEST_F(ControlsTest, ScreenButtonsArePushButtonsWithTheirCaption) {
    make_text_button("INSTRUCTIONS", 513);
    const headless::control_record* r = headless::control_of(the_engine.page.button_windows[0]);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->params.kind, PLAT_PUSH_BUTTON);
    EXPECT_EQ(r->params.id, 513);
    EXPECT_STREQ(r->params.text, "INSTRUCTIONS");
}

TEST_F(ControlsTest, LabelIsCutTo199Characters) {
    const std::string label(250, 'w');
    make_hotword_button(label.c_str());
    make_hotword_button(label.c_str(), 250);  // the length given
    make_hotword_button(label.c_str(), 12);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(the_engine.page.buttons[i].label_length, 199);
        EXPECT_EQ(std::string(the_engine.page.buttons[i].label), std::string(199, 'w'));
        EXPECT_EQ(the_engine.page.buttons[i].width, 199 * 7 + 12);
    }
    EXPECT_EQ(std::string(the_engine.page.buttons[2].label), std::string(12, 'w'));
}

// Every label length the copy treats apart, each given in a buffer of
// exactly its characters (no NUL after them), so that a read past them
// shows under the sanitizers.
TEST_F(ControlsTest, LabelsOfEveryLengthAreCopiedWhole) {
    std::vector<int32_t> lengths;
    for (int32_t n = 0; n <= 40; ++n) lengths.push_back(n);
    lengths.insert(lengths.end(), {63, 64, 65, 198, 199, 200});
    for (const int32_t n : lengths) {
        SCOPED_TRACE(n);
        destroy_page_controls();
        std::vector<char> label(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) label[static_cast<size_t>(i)] = static_cast<char>('a' + i % 26);
        EXPECT_EQ(make_hotword_button(label.data(), n), 5000);
        const int32_t kept = n < 199 ? n : 199;
        EXPECT_EQ(the_engine.page.buttons[0].label_length, kept);
        EXPECT_EQ(std::string(the_engine.page.buttons[0].label), std::string(label.data(), static_cast<size_t>(kept)));
        EXPECT_EQ(the_engine.page.buttons[0].width, 7 * kept + 12);
    }
}

TEST_F(ControlsTest, BoldAtBuildTimeIsRecorded) {
    page_bold_on();
    make_hotword_button("bold");
    EXPECT_EQ(the_engine.page.buttons[0].bold, 1);
}

TEST_F(ControlsTest, FailedTextButtonReportsAndClosesTheProgram) {
    headless::fail_next_controls(1);
    make_hotword_button("x");
    ASSERT_EQ(reported_message_count(), 1);
    EXPECT_STREQ(held_message_text(0), "Could not create button");
    EXPECT_STREQ(the_engine.page.held[0].caption, " Error 8");
    EXPECT_TRUE(the_engine.page.held[0].close_after);
}

TEST_F(ControlsTest, PictureButtonTakesTheBitmapsSizeAndOwnsIt) {
    testing::memory_book_contents contents;
    contents.pictures = {{1100, 1, 1}, {1704, 1, 1}};
    testing::memory_book book(contents);
    book.select();
    headless::set_bitmap_size(1704, 128, 128);
    EXPECT_EQ(make_hotword_picture(1), 5000);
    EXPECT_EQ(the_engine.page.buttons[0].width, 128);
    EXPECT_EQ(the_engine.page.buttons[0].height, 128);
    EXPECT_EQ(the_engine.page.buttons[0].label_length, 0);
    EXPECT_NE(the_engine.page.buttons[0].bitmap, nullptr);
    EXPECT_EQ(headless::bitmaps_loaded(), 1);
    const headless::control_record* r = headless::control_of(the_engine.page.button_windows[0]);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->params.kind, PLAT_PICTURE_BUTTON);
    EXPECT_TRUE(r->shown);  // picture buttons are not hidden at creation

    // A picture without a bitmap takes the text line's width.
    EXPECT_EQ(make_hotword_picture(0), 5001);
    EXPECT_EQ(the_engine.page.buttons[1].width, 476);
    EXPECT_EQ(the_engine.page.buttons[1].bitmap, nullptr);

    destroy_page_controls();
    EXPECT_EQ(headless::bitmaps_loaded(), 0);
    EXPECT_FALSE(headless::control(0).alive);
    EXPECT_EQ(the_engine.page.button_count, 0);
}

TEST_F(ControlsTest, FullTablesRefuseFurtherControls) {
    for (int i = 0; i < CONTROL_TABLE_SIZE; ++i) ASSERT_EQ(make_hotword_button("b"), 5000 + i);
    for (int i = 0; i < CONTROL_TABLE_SIZE; ++i) ASSERT_EQ(make_edit_box(2), 4000 + i);
    const int16_t items = the_engine.page.page_item_count;
    EXPECT_EQ(make_hotword_button("more"), 0);
    EXPECT_EQ(make_hotword_picture(0), 0);
    make_text_button("Ok", 519);
    EXPECT_EQ(make_edit_box(2), 0);
    EXPECT_EQ(the_engine.page.button_count, CONTROL_TABLE_SIZE);
    EXPECT_EQ(the_engine.page.edit_box_count, CONTROL_TABLE_SIZE);
    EXPECT_EQ(the_engine.page.page_item_count, items);

    destroy_page_controls();
    for (int i = 0; i < headless::control_count(); ++i) EXPECT_FALSE(headless::control(i).alive);
}

}  // namespace
}  // namespace tomelet
