#include "story/hotwords.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/engine.h"
#include "page/links.h"
#include "story/place.h"
#include "tests/story/choose.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "story/game_state.h"
#include "story/markup.h"
#include "tests/story/interpreter_fixture.h"

namespace tomelet {
namespace {

class HotwordsTest : public testing::InterpreterTest {
protected:
    // Runs one tag as a page of its own: the record is hotwords[0].
    static const hotword& built(const std::string& tag_text) {
        run("<" + tag_text + ">");
        EXPECT_EQ(the_engine.play.hotword_count, 1) << tag_text;
        return the_engine.play.hotwords[0];
    }
};

TEST_F(HotwordsTest, LabelledAndPictureButtons) {
    const hotword& h = built("M \"story?\" 6");
    EXPECT_EQ(h.kind, 'M');
    EXPECT_EQ(h.control_id, 5000);
    EXPECT_EQ(h.target1, 6);
    ASSERT_EQ(the_engine.page.button_count, 1);
    EXPECT_STREQ(the_engine.page.buttons[0].label, "story?");
    EXPECT_EQ(the_engine.page.buttons[0].type, CONTROL_HOTWORD);
    EXPECT_EQ(the_engine.page.buttons[0].id, 5000);

    for (const char* text : {"M $12 40", "M 12 40"}) {
        SCOPED_TRACE(text);
        SetUp();
        const hotword& p = built(text);
        EXPECT_EQ(p.control_id, 5000);
        EXPECT_EQ(p.target1, 40);
        EXPECT_EQ(the_engine.page.buttons[0].label_length, 0);
        EXPECT_EQ(the_engine.page.buttons[0].type, CONTROL_PICTURE_BUTTON);
        EXPECT_EQ(the_engine.page.buttons[0].picture, 12);
        EXPECT_EQ(the_engine.page.buttons[0].width, 20);  // picture 12's size
        EXPECT_EQ(the_engine.page.buttons[0].height, 10);
    }

    SetUp();
    const hotword& e = built("g \"\" 3");
    EXPECT_EQ(e.kind, 'g');
    EXPECT_STREQ(the_engine.page.buttons[0].label, "");
    EXPECT_EQ(the_engine.page.buttons[0].type, CONTROL_HOTWORD);
}

TEST_F(HotwordsTest, SecondButtonGetsTheNextId) {
    run("<M \"one\" 1><m \"two\" 2><g $3 3><G>");
    ASSERT_EQ(the_engine.play.hotword_count, 3);
    EXPECT_EQ(the_engine.play.hotwords[0].control_id, 5000);
    EXPECT_EQ(the_engine.play.hotwords[1].control_id, 5001);
    EXPECT_EQ(the_engine.play.hotwords[2].control_id, 5002);
    EXPECT_EQ(the_engine.play.hotwords[1].kind, 'm');
    EXPECT_EQ(the_engine.play.hotwords[2].kind, 'g');
    EXPECT_EQ(the_engine.play.hotwords[2].target1, 3);
}

TEST_F(HotwordsTest, LongLabelIsCutTo99Characters) {
    const hotword& h = built("M \"" + std::string(130, 'w') + "\" 17");
    EXPECT_EQ(std::string(the_engine.page.buttons[0].label), std::string(99, 'w'));
    EXPECT_EQ(h.target1, 17);
}

TEST_F(HotwordsTest, ChanceButtonsKeepRunningSums) {
    const hotword& l = built("L \"underground\" (5) 148 150");
    EXPECT_EQ(l.kind, 'L');
    EXPECT_EQ(l.value, 5);
    EXPECT_EQ(l.chance2, 0);
    EXPECT_EQ(l.chance3, 0);
    EXPECT_EQ(l.target1, 148);
    EXPECT_EQ(l.default_target, 150);
    EXPECT_STREQ(the_engine.page.buttons[0].label, "underground");
    EXPECT_EQ(l.control_id, 5000);

    SetUp();
    const hotword& two = built("d \"door\" (50) 10 (25) 11 12");
    EXPECT_EQ(two.value, 50);
    EXPECT_EQ(two.chance2, 75);
    EXPECT_EQ(two.chance3, 0);
    EXPECT_EQ(two.target2, 11);
    EXPECT_EQ(two.default_target, 12);

    SetUp();
    const hotword& d = built("d \"label\" (50) 1 (30) 2 (20) 3 4");
    EXPECT_EQ(d.kind, 'd');
    EXPECT_EQ(d.value, 50);
    EXPECT_EQ(d.chance2, 80);
    EXPECT_EQ(d.chance3, 100);
    EXPECT_EQ(d.target1, 1);
    EXPECT_EQ(d.target2, 2);
    EXPECT_EQ(d.target3, 3);
    EXPECT_EQ(d.default_target, 4);
}

TEST_F(HotwordsTest, ChanceSumsWrapInEightBits) {
    const hotword& d = built("d \"x\" (100) 1 (100) 2 (100) 3 4");
    EXPECT_EQ(d.value, 100);
    EXPECT_EQ(d.chance2, static_cast<int8_t>(200 - 256));
    EXPECT_EQ(d.chance3, static_cast<int8_t>(300 - 256));
    SetUp();
    const hotword& n = built("d \"x\" (-100) 1 (-100) 2 3");
    EXPECT_EQ(n.value, -100);
    EXPECT_EQ(n.chance2, static_cast<int8_t>(-200 + 256));
}

TEST_F(HotwordsTest, ChanceBandsLeadWhereTheRollSays) {
    // Seeded with 1 the generator gives 41 first: roll 42 of 100.
    built("d \"label\" (40) 1 (2) 2 (20) 3 4");
    the_engine.play.random_state = 1;
    testing::choose(5000, "");
    EXPECT_EQ(the_engine.play.current_paragraph, 3);  // roll 42 lies in the second band (41..42): target 2

    SetUp();
    built("L \"try\" (2) 7 8");  // roll 41 % 20 + 1 = 2
    the_engine.play.random_state = 1;
    testing::choose(5000, "");
    EXPECT_EQ(the_engine.play.current_paragraph, 8);
}

TEST_F(HotwordsTest, AnswerFieldsAndTheirBox) {
    const hotword& s = built("S (50 ) 458 (25 ) 459 (33 ) 459 460");
    EXPECT_EQ(s.kind, 'S');
    EXPECT_STREQ(s.answer1, "50 ");
    EXPECT_STREQ(s.answer2, "25 ");
    EXPECT_STREQ(s.answer3, "33 ");
    EXPECT_EQ(s.target1, 458);
    EXPECT_EQ(s.target2, 459);
    EXPECT_EQ(s.target3, 459);
    EXPECT_EQ(s.default_target, 460);
    EXPECT_EQ(s.control_id, 4000);
    ASSERT_EQ(the_engine.page.edit_box_count, 1);
    EXPECT_EQ(the_engine.page.edit_boxes[0].maximum_length, 3);
    ASSERT_EQ(the_engine.page.page_item_count, 1);
    EXPECT_EQ(the_engine.page.page_items[0].kind, ITEM_EDIT_BOX);

    testing::choose(4000, "25");
    EXPECT_EQ(the_engine.play.current_paragraph, 460);

    SetUp();
    built("S (50 ) 458 (25 ) 459 (33 ) 459 460");
    testing::choose(4000, "51");
    EXPECT_EQ(the_engine.play.current_paragraph, 461);

    SetUp();
    const hotword& one = built("S ( 1 ) 466 467");
    EXPECT_STREQ(one.answer1, " 1 ");
    EXPECT_STREQ(one.answer2, "");
    EXPECT_STREQ(one.answer3, "");
    EXPECT_EQ(the_engine.page.edit_boxes[0].maximum_length, 3);
    testing::choose(4000, "1");
    EXPECT_EQ(the_engine.play.current_paragraph, 467);
}

TEST_F(HotwordsTest, TwoWordAnswerSizesTheBoxByTheLongestAnswer) {
    const hotword& s = built("S (lamp) 5 (BLACKOUT LAMP) 6 7");
    EXPECT_STREQ(s.answer1, "lamp");
    EXPECT_STREQ(s.answer2, "BLACKOUT LAMP");
    EXPECT_EQ(the_engine.page.edit_boxes[0].maximum_length, 13);
    testing::choose(4000, " blackout  lamp ");
    EXPECT_EQ(the_engine.play.current_paragraph, 7);

    SetUp();
    const hotword& empty = built("S () 5 6");
    EXPECT_STREQ(empty.answer1, "");
    EXPECT_EQ(the_engine.page.edit_boxes[0].maximum_length, 0);

    SetUp();
    const hotword& cut = built("S (" + std::string(30, 'z') + ") 5 6");
    EXPECT_EQ(std::string(cut.answer1), std::string(19, 'z'));
    EXPECT_EQ(the_engine.page.edit_boxes[0].maximum_length, 19);
    EXPECT_EQ(cut.target1, 5);
    EXPECT_EQ(cut.default_target, 6);
}

TEST_F(HotwordsTest, BuildersLeaveAFullArrayAlone) {
    the_engine.play.hotword_count = HOTWORDS_SIZE;
    tag_load("M \"x\" 5");
    tag_arguments tag;
    parse_tag(&tag);
    make_hotword(tag);
    make_chance_button(tag);
    make_answer_field(tag);
    EXPECT_EQ(the_engine.page.button_count, 0);
    EXPECT_EQ(the_engine.page.edit_box_count, 0);
    EXPECT_EQ(the_engine.play.hotword_count, HOTWORDS_SIZE);
}

}  // namespace
}  // namespace tomelet
