#include "page/display_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

class DisplayListTest : public ::testing::Test {
protected:
    void SetUp() override {
            drop_held_messages();
        page_clear();
    }
};

TEST_F(DisplayListTest, ConsecutiveTextsMergeIntoOneItem) {
    page_text_item("abc");
    page_text_item("de");
    ASSERT_EQ(the_engine.page.page_item_count, 1);
    EXPECT_EQ(the_engine.page.page_items[0].kind, ITEM_TEXT);
    EXPECT_STREQ(the_engine.page.page_items[0].text, "abcde");
    EXPECT_EQ(the_engine.page.page_text_used, 6);
}

TEST_F(DisplayListTest, AnyOtherItemBetweenTextsKeepsThemApart) {
    page_text_item("abc");
    page_bold_on();
    page_text_item("de");
    ASSERT_EQ(the_engine.page.page_item_count, 3);
    EXPECT_STREQ(the_engine.page.page_items[0].text, "abc");
    EXPECT_EQ(the_engine.page.page_items[1].kind, ITEM_BOLD_ON);
    EXPECT_STREQ(the_engine.page.page_items[2].text, "de");
    EXPECT_EQ(the_engine.page.page_text_used, 7);
}

TEST_F(DisplayListTest, TitlesMergeWithTitlesOnly) {
    page_text_item("text");
    page_title("Ti");
    page_title("tle");
    ASSERT_EQ(the_engine.page.page_item_count, 2);
    EXPECT_EQ(the_engine.page.page_items[1].kind, ITEM_TITLE);
    EXPECT_STREQ(the_engine.page.page_items[1].text, "Title");
}

TEST_F(DisplayListTest, EmptyTextStillMakesAnItem) {
    page_tab();
    page_text_item("");
    ASSERT_EQ(the_engine.page.page_item_count, 2);
    EXPECT_EQ(the_engine.page.page_items[1].kind, ITEM_TEXT);
    EXPECT_STREQ(the_engine.page.page_items[1].text, "");
    EXPECT_EQ(the_engine.page.page_text_used, 1);
}

TEST_F(DisplayListTest, PageTextLimit) {
    // 3716 bytes used fit (3715 characters and a NUL); one more is refused.
    std::string big(3700, 'a');
    page_text_item(big.c_str());
    page_bold_on();
    page_text_item(std::string(14, 'b').c_str());  // used: 3701 + 15 = 3716
    EXPECT_EQ(the_engine.page.page_text_used, 3716);
    EXPECT_EQ(reported_message_count(), 0);
    page_text_item("c");  // 3716 + 1 = 3717: refused
    EXPECT_EQ(the_engine.page.page_text_used, 3716);
    ASSERT_EQ(reported_message_count(), 1);
    EXPECT_STREQ(held_message_text(0), "Page buffer Overflow");
    page_bold_off();
    page_text_item("");  // 3716 + 0 fits: an empty item
    EXPECT_EQ(the_engine.page.page_text_used, 3717);
    EXPECT_EQ(reported_message_count(), 1);
}

TEST_F(DisplayListTest, ItemLimitRefusesAndReports) {
    for (int i = 0; i < PAGE_ITEMS_SIZE; ++i) page_line_break();
    EXPECT_EQ(the_engine.page.page_item_count, PAGE_ITEMS_SIZE);
    EXPECT_EQ(reported_message_count(), 0);
    page_tab();
    page_text_item("x");
    EXPECT_EQ(the_engine.page.page_item_count, PAGE_ITEMS_SIZE);
    EXPECT_EQ(the_engine.page.page_text_used, 0);
    EXPECT_EQ(reported_message_count(), 2);
}

TEST_F(DisplayListTest, MarkersAndPictures) {
    testing::memory_book_contents contents;
    contents.pictures = {{1100, 1, 1}, {1735, 1, 1}};
    testing::memory_book book(contents);
    book.select();
    page_align(1);
    page_picture(1, 0);
    page_picture(2, 1);  // outside the catalogue: nothing
    page_picture_resource(1107);
    page_paragraph_break();
    ASSERT_EQ(the_engine.page.page_item_count, 4);
    EXPECT_EQ(the_engine.page.page_items[0].kind, ITEM_ALIGN_CENTRE);
    EXPECT_EQ(the_engine.page.page_items[1].kind, ITEM_PICTURE);
    EXPECT_EQ(the_engine.page.page_items[1].value, 1735);
    EXPECT_EQ(the_engine.page.page_items[1].inline_flag, 0);
    EXPECT_EQ(the_engine.page.page_items[2].value, 1107);
    EXPECT_EQ(the_engine.page.page_items[2].inline_flag, 1);
    EXPECT_EQ(the_engine.page.page_items[3].kind, ITEM_PARAGRAPH_BREAK);
}

// A code outside 0-2 makes an item of kind 2 + the code, but none that
// would carry a text or a control's index, and none past 32 bits.
TEST_F(DisplayListTest, AlignmentCodesMakeKindTwoPlusTheCode) {
    const struct {
        int32_t code;
        int32_t kind;  // 0: no item
    } cases[] = {
        {0, ITEM_ALIGN_LEFT},  {2, ITEM_ALIGN_RIGHT},  {3, ITEM_BOLD_ON},       {5, 7},
        {6, ITEM_PARAGRAPH_BREAK}, {8, ITEM_TAB},      {11, ITEM_PICTURE},      {100, 102},
        {-5, -3},              {INT32_MIN, INT32_MIN + 2}, {-1, 0},             {10, 0},
        {12, 0},               {13, 0},                {INT32_MAX - 1, 0},      {INT32_MAX, 0},
    };
    for (const auto& c : cases) {
        page_clear();
        page_align(c.code);
        page_text_item("after");
        SCOPED_TRACE(c.code);
        // The text that follows is an item of its own, at the page text's
        // start, whatever came before it.
        const int16_t made = c.kind == 0 ? 0 : 1;
        ASSERT_EQ(the_engine.page.page_item_count, made + 1);
        if (made == 1) {
            EXPECT_EQ(the_engine.page.page_items[0].kind, c.kind);
        }
        EXPECT_EQ(the_engine.page.page_items[made].text, the_engine.page.page_text);
        EXPECT_STREQ(the_engine.page.page_text, "after");
        EXPECT_EQ(the_engine.page.page_text_used, 6);
    }
}

TEST_F(DisplayListTest, BoldSwitchesTrackTheBuildState) {
    page_bold_on();
    EXPECT_EQ(the_engine.page.build_bold, 1);
    page_bold_off();
    EXPECT_EQ(the_engine.page.build_bold, 0);
}

TEST_F(DisplayListTest, FlushWordsEmitsAndEmptiesTheBuffer) {
    char buffer[16] = "two words ";
    EXPECT_EQ(page_flush_words(buffer), 10);
    EXPECT_STREQ(buffer, "");
    EXPECT_STREQ(the_engine.page.page_items[0].text, "two words ");
}

TEST_F(DisplayListTest, ShowErrorCutsTextTo99Characters) {
    std::string long_text(150, 'e');
    show_error(long_text.c_str());
    ASSERT_EQ(reported_message_count(), 1);
    EXPECT_EQ(std::string(held_message_text(0)), std::string(99, 'e'));
    EXPECT_TRUE(the_engine.page.held[0].default_caption);
    EXPECT_EQ(the_engine.page.held[0].buttons, MESSAGE_OK);
    EXPECT_FALSE(the_engine.page.held[0].close_after);
}

// A run of known length builds the same page as the same text given whole:
// joined or not, short (one block) or long, up to and past both limits.
TEST_F(DisplayListTest, RunsAndTitlesOfKnownLengthBuildWhatWholeTextsBuild) {
    struct step {
        int length;   // characters of the run; -1: a bold switch instead
        bool spare;   // the source may be read 32 characters on
        bool title = false;  // a title (its length known) instead of a run
    };
    const std::vector<std::vector<step>> cases = {
        {{3, true}, {5, false}},                      // joined to the text before
        {{3, true}, {-1, false}, {31, true}},         // a new item after a marker
        {{32, true}, {33, true}, {1, false}},         // block edges
        {{1800, false}, {1800, false}, {200, true}},  // the page text overflows
        {{3700, false}, {15, true}, {1, true}},       // the last byte that fits
        {{3, true, true}, {5, false, true}, {2, true}},                  // titles join titles only
        {{1800, false, true}, {1800, false, true}, {200, false, true}},  // a title overflows
    };
    const std::string source(4000, 'r');
    for (size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE(c);
        const auto build = [&](bool runs) {
            SetUp();
            std::string out;
            for (const step& s : cases[c]) {
                const std::string whole = source.substr(0, static_cast<size_t>(s.length < 0 ? 0 : s.length));
                if (s.length < 0) {
                    page_bold_on();
                } else if (s.title) {
                    if (runs) {
                        page_title_run(whole.c_str(), s.length);
                    } else {
                        page_title(whole.c_str());
                    }
                } else if (runs) {
                    page_text_run(source.data(), s.length, s.spare ? s.length + 32 : s.length);
                } else {
                    page_text_item(whole.c_str());
                }
            }
            for (int i = 0; i < the_engine.page.page_item_count; ++i) {
                out += std::to_string(the_engine.page.page_items[i].kind) + ":" +
                       (the_engine.page.page_items[i].text != nullptr ? std::to_string(std::string(the_engine.page.page_items[i].text).size()) : "-") + " ";
            }
            return out + "used " + std::to_string(the_engine.page.page_text_used) + " messages " +
                   std::to_string(reported_message_count());
        };
        EXPECT_EQ(build(true), build(false));
    }
    // A full list refuses a run as it refuses a text.
    SetUp();
    for (int i = 0; i < PAGE_ITEMS_SIZE; ++i) page_line_break();
    page_text_run("x", 1, 1);
    EXPECT_EQ(the_engine.page.page_item_count, PAGE_ITEMS_SIZE);
    EXPECT_EQ(the_engine.page.page_text_used, 0);
    EXPECT_EQ(reported_message_count(), 1);
}

// The two-word store gives back every field as written, also at the ends
// of each field's range, and touches nothing past the item.
TEST(StorePageItem, EveryFieldReadsBackAsWritten) {
    static const char text[] = "x";
    const page_item cases[] = {
        {ITEM_TEXT, 0, 0, text},          {ITEM_PICTURE, 7, 1, nullptr},   {ITEM_BUTTON, INT16_MAX, 0, nullptr},
        {ITEM_EDIT_BOX, -1, 255, text},   {INT32_MIN, INT16_MIN, 1, text}, {-1, 0, 0, nullptr},
        {INT32_MAX, 12345, 200, text + 1},
    };
    for (const page_item& item : cases) {
        page_item slots[3];
        std::memset(slots, 0xa5, sizeof slots);
        store_page_item(&slots[1], item);
        EXPECT_EQ(slots[1].kind, item.kind);
        EXPECT_EQ(slots[1].value, item.value);
        EXPECT_EQ(slots[1].inline_flag, item.inline_flag);
        EXPECT_EQ(slots[1].text, item.text);
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(slots);
        for (size_t k = 0; k < sizeof slots[0]; ++k) {
            EXPECT_EQ(bytes[k], 0xa5);
            EXPECT_EQ(bytes[2 * sizeof slots[0] + k], 0xa5);
        }
    }
}

}  // namespace
}  // namespace tomelet
