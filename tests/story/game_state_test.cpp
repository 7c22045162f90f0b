#include "story/game_state.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/engine.h"
#include "page/links.h"
#include "story/place.h"
#include "tests/story/choose.h"
#include "book/book.h"
#include "story/hotwords.h"
#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

using testing::memory_book;
using testing::memory_book_contents;

memory_book_contents story_contents() {
    memory_book_contents shape;
    shape.paragraph_count = 787;
    shape.variables = testing::numbered_variables(116, 6);
    for (const char* day : {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday"}) {
        shape.restart_points.push_back({day, 402});
    }
    return shape;
}

// The generator state that makes the next story_random give `roll` as a
// roll of 1 to `sides`.
uint32_t state_for_roll(int32_t sides, int32_t roll) {
    for (uint32_t s = 0;; ++s) {
        const uint32_t next = s * 214013u + 2531011u;
        if (static_cast<int32_t>((next >> 16) & 0x7FFFu) % sides + 1 == roll) return s;
    }
}

class GameState : public ::testing::Test {
protected:
    void SetUp() override {
            engine_reset();
        book_use(book_.tables());
        // Reading paragraph 120.
        the_engine.play.shown_paragraph = 120;
        the_engine.play.current_paragraph = 120;
        the_engine.play.on_current_page = 1;
        testing::rebuild_asked = 0;
    }

    hotword& add(char kind, int16_t control_id, int16_t target1) {
        hotword& h = the_engine.play.hotwords[the_engine.play.hotword_count++];
        h = hotword{};
        h.kind = kind;
        h.control_id = control_id;
        h.target1 = target1;
        return h;
    }

    // Picks the next roll, then resolves the choice.
    void roll_and_resolve(int32_t sides, int32_t roll, int16_t key) {
        the_engine.play.random_state = state_for_roll(sides, roll);
        the_engine.play.random_seeded = 1;
        testing::choose(key, "");
    }

    variable_state& var(int32_t i) { return the_engine.story.variables[i]; }

    memory_book book_{story_contents()};
};

TEST_F(GameState, GeneratorSeededWithOneGivesTheKnownSequence) {
    the_engine.play.random_state = 1;
    the_engine.play.random_seeded = 1;
    EXPECT_EQ(story_random(), 41);
    EXPECT_EQ(story_random(), 18467);
    EXPECT_EQ(story_random(), 6334);
}

TEST_F(GameState, SetNextRandomGivesThatNumber) {
    // value, what story_random gives next (modulo 32768)
    const int32_t cases[][2] = {{0, 0}, {41, 41}, {6334, 6334}, {32767, 32767}, {32768, 0}, {40000, 7232}};
    for (const auto& c : cases) {
        story_set_next_random(c[0]);
        EXPECT_EQ(the_engine.play.random_seeded, 1);
        EXPECT_EQ(story_random(), c[1]) << c[0];
    }
}

TEST_F(GameState, GeneratorSeedsFromTheTickCountOnceAtFirstUse) {
    story_note_clock(60 * 1000 + 59);  // seed 1000
    EXPECT_EQ(story_random(), 3304);
    EXPECT_EQ(the_engine.play.random_seeded, 1);
    story_note_clock(5);  // not seeded again
    EXPECT_EQ(story_random(), 8221);

    the_engine.play.random_seeded = 0;
    story_note_clock(0xFFFFFFFFu);  // seed 71582788: the state wraps
    EXPECT_EQ(story_random(), 25159);
    EXPECT_EQ(story_random(), 5945);
}

TEST_F(GameState, LuckRollAgainstTheChance) {
    hotword& h = add('L', 5000, 30);
    h.default_target = 40;
    h.value = 5;
    for (int32_t roll = 1; roll <= 20; ++roll) {
        roll_and_resolve(20, roll, 5000);
        EXPECT_EQ(the_engine.play.current_paragraph, roll <= 5 ? 31 : 41) << "roll " << roll;
    }
    // The chance is the low 16 bits of the value, signed.
    for (int32_t value : {20, 25, 0x10014}) {
        h.value = value;
        roll_and_resolve(20, 20, 5000);
        EXPECT_EQ(the_engine.play.current_paragraph, 31) << value;
    }
    for (int32_t value : {0, 0x1FFFF, -3}) {
        h.value = value;
        roll_and_resolve(20, 1, 5000);
        EXPECT_EQ(the_engine.play.current_paragraph, 41) << value;
    }
    // The seed 1 gives 41 first: roll 2.
    h.value = 2;
    the_engine.play.random_state = 1;
    testing::choose(5000, "");
    EXPECT_EQ(the_engine.play.current_paragraph, 31);
    h.value = 1;
    the_engine.play.random_state = 1;
    testing::choose(5000, "");
    EXPECT_EQ(the_engine.play.current_paragraph, 41);
}

TEST_F(GameState, PercentRollFallsInCumulativeBands) {
    hotword& h = add('d', 5001, 10);
    h.target2 = 20;
    h.target3 = 30;
    h.default_target = 99;
    // One band of 50.
    h.value = 50;
    const struct {
        int32_t roll;
        int16_t paragraph;
    } one_band[] = {{1, 11}, {50, 11}, {51, 100}, {100, 100}};
    for (const auto& c : one_band) {
        roll_and_resolve(100, c.roll, 5001);
        EXPECT_EQ(the_engine.play.current_paragraph, c.paragraph) << "roll " << c.roll;
    }
    // 50, 25, 25 as running sums: the default is never reached.
    h.chance2 = 75;
    h.chance3 = 100;
    const struct {
        int32_t roll;
        int16_t paragraph;
    } three_bands[] = {{1, 11}, {50, 11}, {51, 21}, {75, 21}, {76, 31}, {100, 31}};
    for (const auto& c : three_bands) {
        roll_and_resolve(100, c.roll, 5001);
        EXPECT_EQ(the_engine.play.current_paragraph, c.paragraph) << "roll " << c.roll;
    }
    // A sum that wrapped below zero never matches; the seed 1 rolls 42.
    h.chance3 = -106;
    roll_and_resolve(100, 90, 5001);
    EXPECT_EQ(the_engine.play.current_paragraph, 100);
    h.value = 42;
    the_engine.play.random_state = 1;
    testing::choose(5001, "");
    EXPECT_EQ(the_engine.play.current_paragraph, 11);
}

TEST(CompareAnswer, BlanksAndCaseAreIgnored) {
    EXPECT_EQ(compare_answer("25", " 25"), 0);
    EXPECT_EQ(compare_answer("Old Mill", "oldmill"), 0);
    EXPECT_EQ(compare_answer("Old Mill", "  OLD   mill  "), 0);
    EXPECT_EQ(compare_answer("", "   "), 0);
    EXPECT_EQ(compare_answer(" ", ""), 0);
    EXPECT_EQ(compare_answer("{", "["), '{' - '[');  // only a..z change
}

TEST(CompareAnswer, ReturnsTheFirstDifferenceAsSignedBytes) {
    EXPECT_EQ(compare_answer("ABC", "ABD"), 'C' - 'D');
    EXPECT_EQ(compare_answer("abc", "ABD"), 'C' - 'D');
    EXPECT_EQ(compare_answer("AB", "A"), 'B');
    EXPECT_EQ(compare_answer("A", "AB "), -'B');
    EXPECT_EQ(compare_answer("\xE9", "A"), -23 - 'A');
    EXPECT_EQ(compare_answer("A", nullptr), 1);
    EXPECT_EQ(compare_answer(nullptr, nullptr), 1);
}

TEST_F(GameState, TypedAnswerSelectsTheFirstMatchingTarget) {
    hotword& h = add('S', 4000, 457);
    std::strcpy(h.answer1, "50 ");
    std::strcpy(h.answer2, "25 ");
    std::strcpy(h.answer3, "25");
    h.target2 = 458;
    h.target3 = 459;
    h.default_target = 460;
    const struct {
        const char* typed;
        int16_t paragraph;
    } cases[] = {{" 25", 459}, {"5 0", 458}, {"50", 458}, {"", 461}, {"   ", 461}, {"51", 461}, {"2", 461}};
    for (const auto& c : cases) {
        the_engine.play.current_paragraph = 120;
        testing::choose(4000, c.typed);
        EXPECT_EQ(the_engine.play.current_paragraph, c.paragraph) << '"' << c.typed << '"';
    }
    testing::choose(4000, nullptr);
    EXPECT_EQ(the_engine.play.current_paragraph, 461);
}

TEST_F(GameState, TypedAnswerEmptyAnswersNeverMatchAndFullFieldsStayInside) {
    hotword& h = add('S', 4000, 10);
    h.target2 = 20;
    h.default_target = 30;
    // answer1 fills its whole field without a NUL; answer2 follows it.
    std::memset(h.answer1, 'A', ANSWER_SIZE);
    std::strcpy(h.answer2, "B");
    testing::choose(4000, "AAAAAAAAAAAAAAAAAAAAB");
    EXPECT_EQ(the_engine.play.current_paragraph, 31);
    testing::choose(4000, "AAAAAAAAAAAAAAAAAAAA");
    EXPECT_EQ(the_engine.play.current_paragraph, 11);
    testing::choose(4000, "b");
    EXPECT_EQ(the_engine.play.current_paragraph, 21);
    // Empty answers (answer3) never match a text that is not blank.
    testing::choose(4000, "x");
    EXPECT_EQ(the_engine.play.current_paragraph, 31);
}

TEST_F(GameState, VariableChoicesChangeTheVariableAndFollow) {
    add('N', 5000, 200).index = 7;
    add('Q', 5001, 201).index = 7;
    hotword& r = add('R', 5002, 202);
    r.index = 9;
    r.value = 0x1FF;  // stored as its low 8 bits

    testing::choose(5000, "");
    EXPECT_EQ(var(7).flag, 1);
    EXPECT_EQ(the_engine.play.current_paragraph, 201);
    EXPECT_EQ(the_engine.play.shown_paragraph, 201);
    EXPECT_EQ(testing::rebuild_asked, 1);
    testing::choose(5001, "");
    EXPECT_EQ(var(7).flag, 0);
    EXPECT_EQ(the_engine.play.current_paragraph, 202);
    // The value was worked out when the page was built; the variable as it
    // is at the click does not matter.
    var(9).value = 3;
    testing::choose(5002, "");
    EXPECT_EQ(var(9).value, 0xFF);
    EXPECT_EQ(the_engine.play.current_paragraph, 203);
}

TEST_F(GameState, IndexesOutsideTheTablesTouchNothing) {
    add('N', 5000, 200).index = 116;
    add('R', 5001, 201).index = -1;
    hotword& u = add('u', 5002, 202);
    u.index = 5;
    var(115).value = 4;
    testing::choose(5000, "");
    EXPECT_EQ(the_engine.play.current_paragraph, 201);  // still followed
    testing::choose(5001, "");
    EXPECT_EQ(the_engine.play.current_paragraph, 202);
    testing::rebuild_asked = 0;
    testing::choose(5002, "");  // no restart point 5: nowhere to go
    EXPECT_EQ(the_engine.play.current_paragraph, 202);
    EXPECT_EQ(testing::rebuild_asked, 0);
    EXPECT_EQ(var(115).value, 4);
    for (int32_t i = 0; i < 116; ++i) EXPECT_EQ(var(i).flag, 0);
}

TEST_F(GameState, ModesOfTheOtherKinds) {
    add('g', 5000, 300);
    add('m', 5001, 301);
    add('M', 5002, 302);
    add('x', 5003, 303);

    testing::choose(5000, "");  // look up: the place stays
    EXPECT_EQ(the_engine.play.shown_paragraph, 301);
    EXPECT_EQ(the_engine.play.current_paragraph, 120);
    EXPECT_EQ(the_engine.play.on_current_page, 0);
    testing::choose(5002, "");  // follow from a side page only shows
    EXPECT_EQ(the_engine.play.shown_paragraph, 303);
    EXPECT_EQ(the_engine.play.current_paragraph, 120);
    EXPECT_EQ(the_engine.play.on_current_page, 0);
    testing::choose(5001, "");  // take up
    EXPECT_EQ(the_engine.play.shown_paragraph, 302);
    EXPECT_EQ(the_engine.play.current_paragraph, 302);
    EXPECT_EQ(the_engine.play.on_current_page, 1);
    testing::choose(5003, "");  // an unknown kind follows
    EXPECT_EQ(the_engine.play.current_paragraph, 304);
    EXPECT_EQ(the_engine.play.on_current_page, 1);
}

TEST_F(GameState, KeyLookupTakesTheFirstRecordAmongTheCounted) {
    add('M', 5000, 10);
    add('M', 5000, 20);
    add('M', 5001, 30);
    the_engine.play.hotword_count = 2;  // the third record is not on the page
    testing::choose(5000, "");
    EXPECT_EQ(the_engine.play.current_paragraph, 11);

    testing::rebuild_asked = 0;
    testing::choose(5001, "");
    testing::choose(4000, "");
    EXPECT_EQ(the_engine.play.current_paragraph, 11);
    EXPECT_EQ(testing::rebuild_asked, 0);

    the_engine.play.hotword_count = 1000;  // a count beyond the table stays inside it
    testing::choose(5001, "");
    EXPECT_EQ(the_engine.play.current_paragraph, 31);
}

TEST_F(GameState, TheLargestTargetWrapsWithoutOverflow) {
    add('M', 5000, 32767);
    testing::choose(5000, "");
    EXPECT_EQ(the_engine.play.current_paragraph, -32768);
}

TEST_F(GameState, RestartPointRestoresEveryVariableAndTakesUpItsParagraph) {
    for (int32_t i = 0; i < 116; ++i) {
        var(i).value = static_cast<uint8_t>(i % 6);
        var(i).flag = static_cast<uint8_t>(i % 2);
    }
    the_engine.play.shown_paragraph = 403;
    take_restart_snapshot(2);
    const restart_state& point = the_engine.story.restart_points[2];
    EXPECT_EQ(point.set, 1);
    EXPECT_EQ(point.paragraph, 402);
    const uint8_t* snapshot = restart_snapshot(2);
    EXPECT_EQ(snapshot[2 * 7], 1);      // flag of 7
    EXPECT_EQ(snapshot[2 * 7 + 1], 1);  // value of 7
    EXPECT_EQ(snapshot[2 * 115 + 1], 115 % 6);
    EXPECT_EQ(the_engine.story.restart_points[1].set, 0);

    for (int32_t i = 0; i < 116; ++i) {
        var(i).value = 5;
        var(i).flag = 1 - var(i).flag;
    }
    the_engine.play.on_current_page = 0;  // even from a side page
    add('u', 5000, 0).index = 2;
    testing::choose(5000, "");
    for (int32_t i = 0; i < 116; ++i) {
        EXPECT_EQ(var(i).value, i % 6) << i;
        EXPECT_EQ(var(i).flag, i % 2) << i;
    }
    EXPECT_EQ(the_engine.play.current_paragraph, 403);
    EXPECT_EQ(the_engine.play.shown_paragraph, 403);
    EXPECT_EQ(the_engine.play.on_current_page, 1);

    take_restart_snapshot(5);  // outside the table: ignored
    take_restart_snapshot(-1);
    for (int32_t k = 0; k < 5; ++k) EXPECT_EQ(the_engine.story.restart_points[k].set, k == 2 ? 1 : 0);
}

TEST_F(GameState, ClearingKeepsSnapshotsUntilAPointIsSavedAgain) {
    var(3).value = 2;
    var(3).flag = 1;
    the_engine.play.shown_paragraph = 50;
    take_restart_snapshot(0);
    take_restart_snapshot(4);

    clear_story_variables();
    clear_restart_points();
    for (int32_t i = 0; i < 116; ++i) {
        EXPECT_EQ(var(i).value, 0);
        EXPECT_EQ(var(i).flag, 0);
    }
    for (int32_t k = 0; k < 5; ++k) EXPECT_EQ(the_engine.story.restart_points[k].set, 0);
    EXPECT_EQ(the_engine.story.restart_points[0].paragraph, 49);
    EXPECT_EQ(restart_snapshot(0)[2 * 3], 1);
    EXPECT_EQ(restart_snapshot(0)[2 * 3 + 1], 2);

    the_engine.play.shown_paragraph = 60;
    take_restart_snapshot(0);
    EXPECT_EQ(the_engine.story.restart_points[0].paragraph, 59);
    EXPECT_EQ(restart_snapshot(0)[2 * 3], 0);
    EXPECT_EQ(restart_snapshot(0)[2 * 3 + 1], 0);
    EXPECT_EQ(restart_snapshot(4)[2 * 3 + 1], 2);
}

// The book stays untouched; using it again puts the story's state back to
// the book's initial values.
TEST_F(GameState, UsingABookResetsTheStorysState) {
    var(0).value = 3;
    var(1).flag = 1;
    restart_state_at(1)->set = 1;
    restart_state_at(1)->paragraph = 77;
    restart_snapshot(1)[3] = 9;
    the_engine.story.state_record[40] = 5;
    the_engine.story.inventory_ids[2] = 5000;
    book_use(book_.tables());
    EXPECT_EQ(var(0).value, 0);
    EXPECT_EQ(var(1).flag, 0);
    EXPECT_EQ(restart_state_at(1)->set, 0);
    EXPECT_EQ(restart_state_at(1)->paragraph, 402);
    EXPECT_EQ(restart_snapshot(1)[3], 0);
    EXPECT_EQ(the_engine.story.state_record[40], 0);
    EXPECT_EQ(the_engine.story.inventory_ids[2], -1);
    EXPECT_EQ(variable_state_at(116), nullptr);
    EXPECT_EQ(restart_state_at(5), nullptr);
    EXPECT_EQ(restart_snapshot(5), nullptr);
    EXPECT_EQ(restart_snapshot(-1), nullptr);
}

}  // namespace
}  // namespace tomelet
