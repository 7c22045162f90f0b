#include "page/controls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine.h"
#include "page/display_list.h"

namespace tomelet {
namespace {

// Measures the test controls: a character 7 pixels wide in the normal
// font and 9 in the bold one, 16 high; picture n is n by 2n pixels, and
// pictures from 100 on cannot be read.
page_size test_text(bool bold, const char*, int32_t n) { return page_size{(bold ? 9 : 7) * n, 16}; }
bool test_picture(int32_t number, page_size* size) {
    if (number >= 100) return false;
    *size = page_size{number, 2 * number};
    return true;
}
constexpr page_measures test_measures{test_text, test_picture};

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine_reset();
        the_engine.page.measures = &test_measures;
        the_engine.page.client_origin = page_rect{0, 0, 500, 600};
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
    ASSERT_EQ(the_engine.page.page_item_count, 1);
    EXPECT_EQ(the_engine.page.page_items[0].kind, ITEM_EDIT_BOX);
    EXPECT_EQ(the_engine.page.page_items[0].value, 0);
    EXPECT_EQ(make_edit_box(3), EDIT_BOX_ID_BASE + 1);
}

TEST_F(ControlsTest, EditBoxIsNoWiderThanTheClientAreaAndTakesAtMost199) {
    the_engine.page.client_origin = page_rect{0, 0, 100, 600};
    make_edit_box(10);
    EXPECT_EQ(the_engine.page.edit_boxes[0].width, 100);
    make_edit_box(5000);
    EXPECT_EQ(the_engine.page.edit_boxes[1].maximum_length, 199);
}

// Each kind of button as recorded: its type, id, label, font, size from
// the measures and provisional place, one below the other.
TEST_F(ControlsTest, EveryKindIsRecordedAsData) {
    page_bold_on();
    EXPECT_EQ(make_hotword_button("bold"), 5000);
    page_bold_off();
    EXPECT_EQ(make_hotword_button("a"), 5001);
    EXPECT_EQ(make_hotword_button(""), 5002);
    make_text_button("INSTRUCTIONS", 513);
    EXPECT_EQ(make_hotword_picture(40), 5004);
    EXPECT_EQ(make_hotword_picture(100), 5005);
    EXPECT_EQ(make_check_box("Sound", 518, 98, 20, true), 6);
    const struct {
        uint8_t type;
        int32_t id;
        const char* label;
        uint8_t bold;
        int16_t width, height, y;
        uint8_t has_picture, checked;
    } rows[] = {
        {CONTROL_HOTWORD, 5000, "bold", 1, 4 * 9 + 12, 20, 30, 0, 0},
        {CONTROL_HOTWORD, 5001, "a", 0, 7 + 12, 20, 51, 0, 0},
        {CONTROL_HOTWORD, 5002, "", 0, 12, 20, 72, 0, 0},
        // Push buttons are measured in bold.
        {CONTROL_PUSH_BUTTON, 513, "INSTRUCTIONS", 0, 12 * 9 + 12, 20, 93, 0, 0},
        {CONTROL_PICTURE_BUTTON, 5004, "", 0, 40, 80, 114, 1, 0},
        // A picture that cannot be read takes the text line's width.
        {CONTROL_PICTURE_BUTTON, 5005, "", 0, 476, 16, 195, 0, 0},
        {CONTROL_CHECK_BOX, 518, "Sound", 0, 98, 20, 212, 0, 1},
    };
    ASSERT_EQ(the_engine.page.button_count, 7);
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        const button_entry& b = the_engine.page.buttons[i];
        EXPECT_EQ(b.type, rows[i].type);
        EXPECT_EQ(b.id, rows[i].id);
        EXPECT_STREQ(b.label, rows[i].label);
        EXPECT_EQ(b.label_length, static_cast<int16_t>(std::string(rows[i].label).size()));
        EXPECT_EQ(b.bold, rows[i].bold);
        EXPECT_EQ(b.width, rows[i].width);
        EXPECT_EQ(b.height, rows[i].height);
        EXPECT_EQ(b.x, 0);
        EXPECT_EQ(b.y, rows[i].y);
        EXPECT_EQ(b.has_picture, rows[i].has_picture);
        EXPECT_EQ(b.checked, rows[i].checked);
    }
    EXPECT_EQ(the_engine.page.buttons[4].picture, 40);
    EXPECT_EQ(the_engine.page.cursor_y, 212 + 20 + 1);
}

// Without measures (a story run with no window) a character is the
// average character wide and a line high, and no picture can be read.
TEST_F(ControlsTest, WithoutMeasuresLabelsTakeTheAverageCharacter) {
    the_engine.page.measures = nullptr;
    the_engine.page.avg_char_width = 6;
    the_engine.page.base_line_height = 15;
    make_hotword_button("abcd");
    make_hotword_picture(40);
    EXPECT_EQ(the_engine.page.buttons[0].width, 4 * 6 + 12);
    EXPECT_EQ(the_engine.page.buttons[0].height, 19);
    EXPECT_EQ(the_engine.page.buttons[1].width, 476);
    EXPECT_EQ(the_engine.page.buttons[1].height, 15);
    EXPECT_EQ(the_engine.page.buttons[1].has_picture, 0);
}

// The order of creation across both tables is kept, for the controls to
// be made in it.
TEST_F(ControlsTest, TheOrderOfCreationIsKept) {
    make_hotword_button("a");
    make_edit_box(2);
    make_edit_box(2);
    make_hotword_picture(3);
    const uint8_t expected[] = {1, 0, 0, 1};
    ASSERT_EQ(the_engine.page.control_order_count, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(the_engine.page.control_order[i], expected[i]) << i;
    clear_page_controls();
    EXPECT_EQ(the_engine.page.control_order_count, 0);
    EXPECT_EQ(the_engine.page.button_count, 0);
    EXPECT_EQ(the_engine.page.edit_box_count, 0);
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
        clear_page_controls();
        std::vector<char> label(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i) label[static_cast<size_t>(i)] = static_cast<char>('a' + i % 26);
        EXPECT_EQ(make_hotword_button(label.data(), n), 5000);
        const int32_t kept = n < 199 ? n : 199;
        EXPECT_EQ(the_engine.page.buttons[0].label_length, kept);
        EXPECT_EQ(std::string(the_engine.page.buttons[0].label), std::string(label.data(), static_cast<size_t>(kept)));
        EXPECT_EQ(the_engine.page.buttons[0].width, 7 * kept + 12);
    }
}

TEST_F(ControlsTest, FullTablesRefuseFurtherControls) {
    for (int i = 0; i < CONTROL_TABLE_SIZE; ++i) ASSERT_EQ(make_hotword_button("b"), 5000 + i);
    for (int i = 0; i < CONTROL_TABLE_SIZE; ++i) ASSERT_EQ(make_edit_box(2), 4000 + i);
    const int16_t items = the_engine.page.page_item_count;
    EXPECT_EQ(make_hotword_button("more"), 0);
    EXPECT_EQ(make_hotword_picture(0), 0);
    make_text_button("Ok", 519);
    EXPECT_EQ(make_check_box("Sound", 518, 10, 10, false), -1);
    EXPECT_EQ(make_edit_box(2), 0);
    EXPECT_EQ(the_engine.page.button_count, CONTROL_TABLE_SIZE);
    EXPECT_EQ(the_engine.page.edit_box_count, CONTROL_TABLE_SIZE);
    EXPECT_EQ(the_engine.page.control_order_count, 2 * CONTROL_TABLE_SIZE);
    EXPECT_EQ(the_engine.page.page_item_count, items);
}

}  // namespace
}  // namespace tomelet
