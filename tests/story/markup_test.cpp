#include "story/markup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine.h"
#include "page/links.h"
#include "story/place.h"
#include "tests/story/choose.h"
#include "book/book.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "story/game_state.h"
#include "story/hotwords.h"
#include "story/state_file.h"
#include "story/tag_reader.h"
#include "tests/story/interpreter_fixture.h"

namespace tomelet {
namespace {

class MarkupTest : public testing::InterpreterTest {
protected:
    // The page as one line per item: kind, then the text of text items.
    static std::string page() {
        std::string out;
        for (int32_t i = 0; i < item_count(); ++i) {
            switch (item_kind(i)) {
                case ITEM_TEXT: out += "T[" + item_text(i) + "]"; break;
                case ITEM_TITLE: out += "H[" + item_text(i) + "]"; break;
                case ITEM_BOLD_ON: out += "B"; break;
                case ITEM_BOLD_OFF: out += "D"; break;
                case ITEM_PARAGRAPH_BREAK: out += "P"; break;
                case ITEM_BREAK: out += "U"; break;
                case ITEM_TAB: out += "Tab"; break;
                case ITEM_ALIGN_LEFT: out += "W0"; break;
                case ITEM_ALIGN_CENTRE: out += "W1"; break;
                case ITEM_ALIGN_RIGHT: out += "W2"; break;
                case ITEM_PICTURE:
                    out += "V" + std::to_string(the_engine.page.page_items[i].value) + (the_engine.page.page_items[i].inline_flag ? "i" : "");
                    break;
                case ITEM_BUTTON: out += "Btn" + std::to_string(the_engine.page.page_items[i].value); break;
                case ITEM_EDIT_BOX: out += "Box" + std::to_string(the_engine.page.page_items[i].value); break;
                default: out += "?"; break;
            }
            out += " ";
        }
        return out;
    }
    static int32_t count_of(const std::string& text) {
        int32_t n = 0;
        for (int32_t i = 0; i < message_count(); ++i) n += message(i) == text ? 1 : 0;
        return n;
    }
};

// ---- the scanner -----------------------------------------------------------

TEST_F(MarkupTest, WorkedRuns) {
    run("<Y><H>Day<J> <F> <G> ");
    EXPECT_EQ(page(), "H[Day] ");

    SetUp();
    run("and <M \"Underground\" 748> map.<P> ");
    EXPECT_EQ(page(), "T[and ] Btn0 T[map.] P ");
    ASSERT_EQ(the_engine.play.hotword_count, 1);
    EXPECT_EQ(the_engine.play.hotwords[0].kind, 'M');
    EXPECT_EQ(the_engine.play.hotwords[0].target1, 748);
    EXPECT_STREQ(the_engine.page.buttons[0].label, "Underground");
    EXPECT_EQ(message_count(), 0);
}

TEST_F(MarkupTest, TextAfterTheLastTagIsNotShown) {
    run("some words at the end ");
    EXPECT_EQ(item_count(), 0);
    run("<G> trailing words ");
    EXPECT_EQ(item_count(), 0);
}

TEST_F(MarkupTest, SpacesAfterTagsAreDroppedAndWordsKeepTheirs) {
    run("A <B>b<D> c ");
    EXPECT_EQ(page(), "T[A ] B T[b] D ");
    SetUp();
    run("A <B>b<D> c <G> ");
    EXPECT_EQ(page(), "T[A ] B T[b] D T[c ] ");
    SetUp();
    run("x<a>y <G> ");  // the space tag, outside a title
    EXPECT_EQ(page(), "T[x y ] ");
    SetUp();
    run("x <F> y <G> ");  // a letter without meaning still emits the text before it
    EXPECT_EQ(page(), "T[x y ] ");
    SetUp();
    run("x <F>");
    EXPECT_EQ(page(), "T[x ] ");
}

TEST_F(MarkupTest, BracesTagsAndStrayCharacters) {
    run("a{b}c <G> ");  // `{` is dropped, `}` starts a gap
    EXPECT_EQ(page(), "T[abc ] ");
    SetUp();
    run("<M \"a{b\" 3> <G>");  // dropped inside a tag too
    EXPECT_STREQ(the_engine.page.buttons[0].label, "ab");
    SetUp();
    run("<M \"x}y <G> ");  // a `}` abandons the unfinished tag
    EXPECT_EQ(page(), "T[y ] ");
    EXPECT_EQ(the_engine.play.hotword_count, 0);
    SetUp();
    run("a > b <> <G> ");  // a `>` outside a tag and the empty tag do nothing
    EXPECT_EQ(page(), "T[a  b ] ");
    EXPECT_EQ(message_count(), 0);
}

// Only `<`, `>`, `{` and `}` stop a stretch of text: every other byte, the
// stops' neighbours and bytes with the top bit set among them, is text,
// wherever it stands in the blocks the scanner searches.
TEST_F(MarkupTest, EveryOtherByteIsText) {
    for (int c = 1; c < 256; ++c) {
        if (c == '<' || c == '>' || c == '{' || c == '}') continue;
        SCOPED_TRACE(c);
        const std::string run_text = "ab" + std::string(37, static_cast<char>(c));
        SetUp();
        run(run_text + "<G> ");
        EXPECT_EQ(page(), "T[" + run_text + "] ");
    }
    // And `{`, `}` and `>` are acted on (dropped from the text) wherever
    // they stand in those blocks.
    for (const char stop : {'{', '}', '>'}) {
        for (size_t at = 0; at <= 40; ++at) {
            SCOPED_TRACE(std::string(1, stop) + " at " + std::to_string(at));
            SetUp();
            run("ab" + std::string(at, 'x') + stop + std::string(40 - at, 'x') + "<G> ");
            EXPECT_EQ(page(), "T[ab" + std::string(40, 'x') + "] ");
        }
    }
}

TEST_F(MarkupTest, ConditionsElseAndElseIf) {
    const std::string text = "<O (%38 = 1) >{X }<E>{Y }<G>";
    run(text);
    EXPECT_EQ(page(), "T[Y ] ");
    EXPECT_EQ(the_engine.play.last_condition, 0);
    SetUp();
    set_value(38, 1);
    run(text);
    EXPECT_EQ(page(), "T[X ] ");
    EXPECT_EQ(the_engine.play.last_condition, 1);

    // A skipped block runs none of its tags.
    SetUp();
    run("<O (%2 = 1)>{<R %5 3><B>text<M \"m\" 3>}<G>");
    EXPECT_EQ(value(5), 0);
    EXPECT_EQ(item_count(), 0);
    EXPECT_EQ(the_engine.play.hotword_count, 0);

    // False, true, then a third block skipped without evaluating it: its
    // condition would show a message if it were evaluated.
    SetUp();
    set_value(1, 1);
    run("<O (%1 = 0)>{a }<o (%1 = 1)>{b }<o =)>{c }<E>{d }<G>");
    EXPECT_EQ(page(), "T[b ] ");
    EXPECT_EQ(message_count(), 0);
    EXPECT_EQ(the_engine.play.last_condition, 1);
    // With the earlier conditions false, the else-if is evaluated.
    SetUp();
    run("<O (%1 = 1)>{a }<o =)>{c }<G>");
    EXPECT_EQ(count_of("Can't remove an operand from an empty stack!"), 1);
}

TEST_F(MarkupTest, LastConditionStartsTrueOnEveryPage) {
    run("<O (%1 = 1)>{a }<G>");
    EXPECT_EQ(the_engine.play.last_condition, 0);
    run("<E>{else }<G>");
    EXPECT_EQ(page(), "");  // E is false: the new page starts with 1
}

TEST_F(MarkupTest, TitlesHoldTheirWords) {
    set_value(19, 5);
    run("<H>Day <l %19><J>");
    EXPECT_EQ(page(), "H[Day Saturday] ");
    SetUp();
    set_value(19, 2);
    set_value(104, 2);
    run("<H><l %19><a><l %104><J>text <G>");
    EXPECT_EQ(page(), "H[Wednesday lunch time] T[text ] ");
    // An empty title still makes its item.
    SetUp();
    run("<H><J>");
    EXPECT_EQ(page(), "H[] ");
    EXPECT_EQ(the_engine.play.hold_words, 0);
}

TEST_F(MarkupTest, HoldWordsIsKeptAcrossPages) {
    run("<H>abc ");
    EXPECT_EQ(the_engine.play.hold_words, 1);
    run("def<J>");
    EXPECT_EQ(page(), "H[def] ");
}

TEST_F(MarkupTest, LongRunsAreEmittedEarlyWithoutChangingThePage) {
    const std::string run_151 = std::string(150, 'r') + " ";
    run(run_151 + "tail ");
    ASSERT_EQ(item_count(), 1);
    EXPECT_EQ(item_text(0), run_151);
    SetUp();
    run(run_151 + "tail <G>");
    EXPECT_EQ(page(), "T[" + run_151 + "tail ] ");
    // A run of 150 characters is not yet emitted.
    SetUp();
    run(std::string(149, 'r') + " tail");
    EXPECT_EQ(item_count(), 0);
    // While a title is collected nothing is emitted early.
    SetUp();
    run("<H>" + run_151 + "tail ");
    EXPECT_EQ(item_count(), 0);
}

TEST_F(MarkupTest, LayoutTags) {
    run("<W 1><T><U><P><V 5><v 6><W 2><W 0><W 7><B><D><G>");
    EXPECT_EQ(page(), "W1 Tab U P V1705 V1706i W2 W0 U B D ");  // W 7: an item of kind 9, a break
    // A picture outside the catalogue places nothing.
    SetUp();
    run("<V 40><v -1><G>");
    EXPECT_EQ(item_count(), 0);
}

// A tag that is read leaves the cursor where its reading stops, any other
// on 1, however the cursor stood before.
TEST_F(MarkupTest, EveryTagLeavesTheCursorWhereItsReadingStops) {
    struct example {
        const char* text;
        int32_t cursor;
    };
    const example examples[] = {
        {"a", 1}, {"P", 1}, {"B", 1}, {"C", 1}, {"D", 1}, {"E", 1}, {"H", 1}, {"J", 1}, {"T", 1}, {"U", 1},
        {"G", 1}, {"Y", 1}, {"", 1}, {"o (%1 = 0)", 1}, {"O (%1 = 0)", 10}, {"M \"x\" 5", 7}, {"m $2 4 x", 6},
        {"L \"Try\" 50 7 8", 14}, {"A 2", 3}, {"W 1", 3}, {"N %7", 4}, {"R %3 1", 6}, {"r %5 -1 \"y\" 4", 13},
        {"l %19", 5}, {"n 12", 4}, {"s *1", 4}, {"u *1 \"z\" 3", 10},
    };
    for (const example& e : examples) {
        SCOPED_TRACE(e.text);
        tag_load(e.text);
        the_engine.play.tag_cursor = -7;
        run_tag();
        EXPECT_EQ(the_engine.play.tag_cursor, e.cursor);
        the_engine.play.hold_words = 0;
    }
}

// ---- tags that change the story ---------------------------------------------

TEST_F(MarkupTest, ImmediateFlags) {
    run("<N %98><N %7 >");
    EXPECT_EQ(flag(98), 1);
    EXPECT_EQ(flag(7), 1);
    run("<Q %98>");
    EXPECT_EQ(flag(98), 0);
    EXPECT_EQ(the_engine.play.hotword_count, 0);
    EXPECT_EQ(the_engine.page.button_count, 0);
}

TEST_F(MarkupTest, FlagHotwordsWaitForTheClick) {
    run("<N %98 \"stethoscope\" 13><Q %7 $2 14><G>");
    ASSERT_EQ(the_engine.play.hotword_count, 2);
    EXPECT_EQ(the_engine.play.hotwords[0].kind, 'N');
    EXPECT_EQ(the_engine.play.hotwords[0].index, 98);
    EXPECT_EQ(the_engine.play.hotwords[0].target1, 13);
    EXPECT_EQ(the_engine.play.hotwords[1].kind, 'Q');
    EXPECT_EQ(the_engine.play.hotwords[1].index, 7);
    EXPECT_EQ(the_engine.play.hotwords[1].target1, 14);
    EXPECT_EQ(flag(98), 0);
    EXPECT_STREQ(the_engine.page.buttons[0].label, "stethoscope");
    EXPECT_EQ(the_engine.page.buttons[1].label_length, 0);  // a picture button
}

TEST_F(MarkupTest, AssignmentsClampToTheValues) {
    run("<R %43 1>");
    EXPECT_EQ(value(43), 1);
    run("<R %17 9>");
    EXPECT_EQ(value(17), 1);  // two values: clamped to 1

    set_value(5, 0);
    run("<r %5 -1>");
    EXPECT_EQ(value(5), 0);  // counts down and stops at 0
    set_value(5, 3);
    run("<r %5 5>");
    EXPECT_EQ(value(5), 5);  // six values: stops at the top
    run("<r %5 -2>");
    EXPECT_EQ(value(5), 3);
    set_value(110, 0);
    for (int i = 0; i < 4; ++i) run("<r %110 1>");
    EXPECT_EQ(value(110), 2);

    // A negative plain number stores 0 (not its low eight bits).
    set_value(5, 4);
    run("<R %5 -3>");
    EXPECT_EQ(value(5), 0);

    // The value of another variable, clamped.
    set_value(104, 5);
    run("<R %8 %104>");
    EXPECT_EQ(value(8), 5);
    run("<R %17 %104>");
    EXPECT_EQ(value(17), 1);

    // Numbers keep their low 16 bits before the clamp.
    set_value(5, 0);
    run("<r %5 65537>");
    EXPECT_EQ(value(5), 1);
    EXPECT_EQ(message_count(), 0);
}

TEST_F(MarkupTest, RandomAssignmentTakesTheValueCount) {
    // Seeded with 1 the generator gives 41, 18467, 6334.
    run("<R %5 z>");
    EXPECT_EQ(value(5), 41 % 6);
    run("<R %17 z>");
    EXPECT_EQ(value(17), 18467 % 2);
    run("<R %19 z \"pick a day\" 30><G>");
    EXPECT_EQ(the_engine.play.hotwords[0].value, 6334 % 6);
    EXPECT_EQ(value(19), 0);  // assigned only on the click
}

TEST_F(MarkupTest, VariableWithoutValuesGetsZero) {
    run("<R %3 z>");
    EXPECT_EQ(value(3), 0);
    run("<R %3 2>");
    EXPECT_EQ(value(3), 0);
    run("<r %3 4>");
    EXPECT_EQ(value(3), 0);
    run("<l %3>x<G>");  // no value name to show
    EXPECT_EQ(page(), "T[x] ");
}

TEST_F(MarkupTest, AssignmentHotwordsAreWorkedOutWhenBuilt) {
    run("<R %17 1 \"label\" 22><R %17 5 \"label\" 22><G>");
    ASSERT_EQ(the_engine.play.hotword_count, 2);
    EXPECT_EQ(the_engine.play.hotwords[0].kind, 'R');
    EXPECT_EQ(the_engine.play.hotwords[0].index, 17);
    EXPECT_EQ(the_engine.play.hotwords[0].value, 1);
    EXPECT_EQ(the_engine.play.hotwords[0].target1, 22);
    EXPECT_EQ(the_engine.play.hotwords[1].value, 1);
    EXPECT_EQ(value(17), 0);

    SetUp();
    set_value(5, 2);
    run("<r %5 1 \"up\" 9><G>");
    EXPECT_EQ(the_engine.play.hotwords[0].kind, 'R');  // r makes records of kind R
    EXPECT_EQ(the_engine.play.hotwords[0].value, 3);
    set_value(5, 0);
    testing::choose(5000, "");
    EXPECT_EQ(value(5), 3);  // the value of the build, not of the click
    EXPECT_EQ(the_engine.play.current_paragraph, 10);
}

TEST_F(MarkupTest, ValueNamesAndOutOfRangeValues) {
    set_value(19, 5);
    run("It is <l %19>.<G>");
    EXPECT_EQ(page(), "T[It is Saturday.] ");
    // A value at or above the count (a loaded file may hold any byte) and a
    // variable outside the catalogue show nothing.
    SetUp();
    set_value(19, 200);
    run("It is <l %19><l %500><l %-1>.<G>");
    EXPECT_EQ(page(), "T[It is .] ");
    EXPECT_EQ(message_count(), 0);
}

TEST_F(MarkupTest, VariablesOutsideTheCatalogueAreLeftAlone) {
    run("<N %500><Q %-1><R %500 1><r %116 1><R %1 %999><G>");
    EXPECT_EQ(value(1), 0);  // the value of a variable that does not exist is 0
    EXPECT_EQ(message_count(), 0);
    // As hotwords they still lead on; only the assignment is skipped.
    run("<N %500 \"n\" 3><R %116 4 \"r\" 4><G>");
    ASSERT_EQ(the_engine.play.hotword_count, 2);
    EXPECT_EQ(the_engine.play.hotwords[0].index, 500);
    EXPECT_EQ(the_engine.play.hotwords[1].value, 0);
}

TEST_F(MarkupTest, OnlyTheCharactersUpToIndex32767AreRead) {
    // The `>` of <B> stands at index spaces + 2.
    const struct {
        int32_t spaces;
        int32_t items;
    } cases[] = {{32000, 1}, {32765, 1}, {32766, 0}, {40000, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spaces);
        SetUp();
        run(std::string(static_cast<size_t>(c.spaces), ' ') + "<B>");
        EXPECT_EQ(item_count(), c.items);
    }
    // A run or a tag that passes the end of what is read: 32768 characters
    // of the run, 32767 of the tag after its `<`.
    SetUp();
    run(std::string(40000, 'w'));
    EXPECT_EQ(message_count(), 32768 - 299);
    SetUp();
    run("<" + std::string(40000, 'q'));
    EXPECT_EQ(message_count(), 32767 - 399);
}

TEST_F(MarkupTest, LinksTakeTheirTargets) {
    run("<n 12><p 3><G>");
    EXPECT_EQ(the_engine.page.next_link.kind, LINK_PARAGRAPH);
    EXPECT_EQ(the_engine.page.next_link.target, 12);
    EXPECT_EQ(the_engine.page.prev_link.kind, LINK_PARAGRAPH);
    EXPECT_EQ(the_engine.page.prev_link.target, 3);
    EXPECT_EQ(item_count(), 0);
}

TEST_F(MarkupTest, SoundsFollowTheSwitchAndAreKeptInThePage) {
    run("<A 3><G>");
    EXPECT_EQ(the_engine.page.page_sound_count, 0);
    set_sound_switch(1);
    run("<A 3><A  3><A 1><A 4><A -1><C><G>");
    const auto names = [] {
        std::vector<std::string> out;
        for (int32_t i = 0; i < the_engine.page.page_sound_count; ++i) out.emplace_back(the_engine.page.page_sounds[i] != nullptr ? the_engine.page.page_sounds[i] : "stop");
        return out;
    };
    // two spaces: the number ends at once
    EXPECT_EQ(names(), (std::vector<std::string>{"BELL", "CLOCK", "DOOR", "stop"}));

    // More than the page keeps: the first ones and the last, which is heard.
    page_clear();
    std::string many;
    for (int32_t i = 0; i < PAGE_SOUNDS_SIZE + 4; ++i) many += "<A 3>";
    run(many + "<A 1><G>");
    std::vector<std::string> kept(PAGE_SOUNDS_SIZE - 1, "BELL");
    kept.emplace_back("DOOR");
    EXPECT_EQ(names(), kept);
}

TEST_F(MarkupTest, RestartPointsSaveAndOfferTheirButtons) {
    the_engine.play.shown_paragraph = 7;
    set_value(4, 1);
    set_flag(9, 1);
    run("<s *2><G>");
    const restart_state* point = restart_state_at(2);
    EXPECT_EQ(point->set, 1);
    EXPECT_EQ(point->paragraph, 6);
    EXPECT_EQ(restart_snapshot(2)[2 * 4 + 1], 1);  // value of 4
    EXPECT_EQ(restart_snapshot(2)[2 * 9], 1);      // flag of 9

    run("<u *2 \"back to\">{inside }<u *1 \"never\">{hidden }<G>");
    EXPECT_EQ(page(), "Btn0 T[Third inside ] ");
    ASSERT_EQ(the_engine.play.hotword_count, 1);
    EXPECT_EQ(the_engine.play.hotwords[0].kind, 'u');
    EXPECT_EQ(the_engine.play.hotwords[0].index, 2);
    EXPECT_STREQ(the_engine.page.buttons[0].label, "back to");

    // Points outside the table are neither saved nor offered.
    SetUp();
    run("<s *9><s *-1><u *9 \"x\">{hidden }<G>");
    EXPECT_EQ(item_count(), 0);
    EXPECT_EQ(the_engine.play.hotword_count, 0);
    EXPECT_EQ(message_count(), 0);
}

// ---- limits ----------------------------------------------------------------

// The running text keeps 299 characters and a tag 399; the counts go on
// with every character that arrives, and the messages show them.
TEST_F(MarkupTest, RunAndTagLimits) {
    const auto lengths = [](int32_t from, int32_t to) {
        std::vector<int32_t> out;
        for (int32_t n = from; n <= to; ++n) out.push_back(n);
        return out;
    };
    const std::string w299(299, 'w');
    const std::string long_label(450, 'q');
    const struct {
        const char* name;
        std::string text;
        std::vector<int32_t> word;     // "%d is Too many letters in word", in order
        std::vector<int32_t> command;  // "%d is Too many letters in command", in order
        std::string first_item;        // the text of the page's first item
    } cases[] = {
        {"299 characters", w299 + "<G>", {}, {}, w299},
        {"a run of 305", std::string(305, 'w') + "<G>", lengths(300, 305), {}, w299},
        {"a held run of 310", "<H>" + std::string(310, 'w') + "<J>", lengths(300, 310), {}, w299},
        // The space that ends a long run counts too; the early emission
        // then empties the run.
        {"a run of 310 and a space", std::string(310, 'w') + " abc<G>", lengths(300, 311), {}, w299 + "abc"},
        // a: the separator is counted without a check; the next character
        // arrives at 301.
        {"a space at 299", "<H>" + w299 + "<a><J>", {}, {}, w299},
        {"a character after the space", "<H>" + w299 + "<a>x<J>", {301}, {}, w299},
        // l: each name of 200 characters is added in one piece.
        {"three long value names", "<H><l %40><l %40><l %40><J>", {400, 600}, {}, std::string(200, 'a') + std::string(99, 'a')},
        {"two names and a space", "<H><l %40><a><l %40><J>", {401}, {}, std::string(200, 'a') + " " + std::string(98, 'a')},
        // u: the point's name and a space, in one piece, with or without a title.
        {"a restart point's name", "<H>" + std::string(296, 'w') + "<u *0 \"b\">{}<J>", {302}, {}, ""},
        {"a tag of 399", "<M \"" + std::string(393, 'q') + "\" 5><G>", {}, {}, ""},
        // M, space, quote, 450 q, quote, space, 5: 456 characters.
        {"a tag of 456", "<M \"" + long_label + "\" 5><G>", {}, lengths(400, 456), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        the_engine.play.shown_paragraph = 5;
        run("<s *0>");
        run(c.text);
        std::vector<std::string> expected;
        for (int32_t n : c.word) expected.push_back(std::to_string(n) + " is Too many letters in word");
        for (int32_t n : c.command) expected.push_back(std::to_string(n) + " is Too many letters in command");
        std::vector<std::string> shown;
        for (int32_t i = 0; i < message_count(); ++i) shown.push_back(message(i));
        EXPECT_EQ(shown, expected);
        if (!c.first_item.empty()) {
            ASSERT_GT(item_count(), 0);
            EXPECT_EQ(item_text(0), c.first_item);
        }
        EXPECT_EQ(the_engine.play.pending_length, 0);
    }

    // The tag is read as the 399 characters it kept: a label of 99 and no target.
    SetUp();
    run("<M \"" + long_label + "\" 5><G>");
    ASSERT_EQ(the_engine.play.hotword_count, 1);
    EXPECT_EQ(std::string(the_engine.page.buttons[0].label), std::string(99, 'q'));
    EXPECT_EQ(the_engine.play.hotwords[0].target1, 0);
}

TEST_F(MarkupTest, HotwordRecordsStopAtOneHundred) {
    std::string text;
    for (int i = 0; i < 102; ++i) text += "<M \"h\" " + std::to_string(i) + ">";
    text += "<N %1 \"n\" 5><N %2><R %5 4><B><G>";
    run(text);
    EXPECT_EQ(the_engine.play.hotword_count, HOTWORDS_SIZE);
    EXPECT_EQ(the_engine.page.button_count, HOTWORDS_SIZE);
    EXPECT_EQ(the_engine.play.hotwords[99].target1, 99);
    EXPECT_EQ(the_engine.play.hotwords[99].control_id, 5099);
    // After the hundredth record every tag shows the message: the 100th,
    // 101st and 102nd M, the two N, R, B and G.
    EXPECT_EQ(count_of("Hotwords structure array overflow"), 3 + 5);
    // Immediate forms still act.
    EXPECT_EQ(flag(2), 1);
    EXPECT_EQ(value(5), 4);
    EXPECT_EQ(flag(1), 0);

    // 99 records: no message.
    SetUp();
    text.clear();
    for (int i = 0; i < 99; ++i) text += "<L \"h\" (5) 1 2>";
    run(text + "<G>");
    EXPECT_EQ(the_engine.play.hotword_count, 99);
    EXPECT_EQ(message_count(), 0);
}

// Once every record is in use the text reads on as before: the same page
// and messages as on a page of its own, and the message after every tag
// that runs to its end (a condition's, and a skip's, end before it).
TEST_F(MarkupTest, AFullTableOfRecordsLeavesTheRestOfThePageAsItWas) {
    struct example {
        std::string text;
        int32_t reported;  // tags that end with the message
    };
    const example examples[] = {
        {" a word <a><P>  <U>more <B>text<D> <G>", 6},
        {"{<O (%1 = 1)> skipped <M \"x\" 3>} after <T><G>", 2},
        {"<O (%1 = 0)> yes } <o (%1 = 1)> no } <E> else <G>", 0},
        {"<V " + std::string(420, '0') + "5> <P> <G>", 3},
        {"<W 1 <P> stray > text <H>Title <l %19> <J> <G> tail", 5},
        {"<U>", 1},
        {"<U> <", 1},
    };
    std::string full;
    for (int i = 0; i < HOTWORDS_SIZE; ++i) full += "<S (a) 1 2>";
    for (const example& e : examples) {
        SCOPED_TRACE(e.text);
        SetUp();
        run(e.text);
        const std::string alone = page();
        const int32_t messages_alone = message_count();
        const int32_t state_alone = the_engine.play.scan_state;
        SetUp();
        run(full);
        const std::string records = page();
        clear_messages();
        run(full + e.text);
        EXPECT_EQ(page(), records + alone);
        EXPECT_EQ(count_of("Hotwords structure array overflow"), 1 + e.reported);
        EXPECT_EQ(message_count(), 1 + e.reported + messages_alone);
        EXPECT_EQ(the_engine.play.scan_state, state_alone);
        EXPECT_EQ(the_engine.play.hotword_count, HOTWORDS_SIZE);
    }
}

// Every tag clears the control id and first target of the next free
// record; what a page leaves there is what its last tag left.
TEST_F(MarkupTest, TheLastTagLeavesTheNextFreeRecordCleared) {
    struct step {
        const char* text;
        int32_t records;
        bool cleared;  // the record after them
    };
    const step steps[] = {
        {"", 0, false},                       // no tag
        {"<B>", 0, true},
        {"<M \"a\" 3>", 1, false},            // the last tag made the record
        {"<M \"a\" 3> <B>", 1, true},
        {"<M \"a\" 3><E>{x}", 1, true},       // a tag that returns early
        {"<M \"a\" 3><B", 1, false},          // a tag never run
        {"<B{>", 0, true},                    // a tag read character by character
        {"<M \"a\" 3><M {\"b\" 4>", 2, false},
    };
    for (const step& s : steps) {
        SCOPED_TRACE(s.text);
        SetUp();
        for (hotword& h : the_engine.play.hotwords) h.control_id = h.target1 = 77;
        run(s.text);
        ASSERT_EQ(the_engine.play.hotword_count, s.records);
        EXPECT_EQ(the_engine.play.hotwords[s.records].control_id, s.cleared ? 0 : 77);
        EXPECT_EQ(the_engine.play.hotwords[s.records].target1, s.cleared ? 0 : 77);
    }
}

// A tag of any length up to past the 32 characters read in one step, and
// at any distance from the end of the text, is read whole.
TEST_F(MarkupTest, TagsOfEveryLengthNearTheEndOfTheText) {
    for (int length = 0; length <= 40; ++length) {
        for (const char* tail : {"", " ", "<G>", " and a few more words<G>"}) {
            const std::string label(static_cast<size_t>(length), 'x');
            SCOPED_TRACE(std::to_string(length) + tail);
            SetUp();
            run("<M \"" + label + "\" 3>" + tail);
            ASSERT_EQ(the_engine.play.hotword_count, 1);
            EXPECT_EQ(the_engine.play.hotwords[0].target1, 3);
            EXPECT_EQ(std::string(the_engine.page.buttons[0].label), label);
            const bool ends_in_g = std::string(tail).find('<') != std::string::npos;
            EXPECT_EQ(the_engine.play.tag_length, ends_in_g ? 1 : length + 6);
        }
    }
}

TEST_F(MarkupTest, FullRecordsStillOfferRestartPointNames) {
    the_engine.play.shown_paragraph = 5;
    run("<s *0>");
    std::string text;
    for (int i = 0; i < 100; ++i) text += "<S (a) 1 2>";
    run(text + "<u *0 \"back\">{}<G>");
    EXPECT_EQ(the_engine.play.hotword_count, HOTWORDS_SIZE);
    EXPECT_EQ(the_engine.page.edit_box_count, HOTWORDS_SIZE);
    EXPECT_EQ(the_engine.page.button_count, 0);
    EXPECT_EQ(item_text(item_count() - 1), "First ");
}

TEST_F(MarkupTest, LongAndMalformedTextsStayInTheirBuffers) {
    // Unclosed tags, stray markers and tags without their markers.
    const char* texts[] = {
        "<M", "<M \"", "<L \"x", "<S (", "<N %", "<R %1 %", "<u *", "<s", "<l", "<A", "<O ((((", "<d \"a\" (1) 2 (3",
        "<S (a) 1 (b) 2 (c) 3 (d) 4 5>", "<L \"a\" (1) 2 (3) 4 (5) 6 (7) 8 9>", "<<<<>>>>{{{{}}}}", "<R>", "<N>",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        SetUp();
        run(std::string(text) + "<G>");
        run(text);
    }
    // A long paragraph of words and tags.
    std::string long_text;
    for (int i = 0; i < 300; ++i) long_text += "word <B>more words<D> ";
    SetUp();
    run(long_text + "<G>");
    EXPECT_EQ(item_count(), PAGE_ITEMS_SIZE);  // the display list refuses the rest
}

}  // namespace
}  // namespace tomelet
