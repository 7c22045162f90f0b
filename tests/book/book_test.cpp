#include "book/book.h"

#include <gtest/gtest.h>

#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

using testing::memory_book;
using testing::memory_book_contents;

memory_book_contents catalogue_contents() {
    memory_book_contents contents;
    contents.pictures = {{1100, 159, 134}, {1717, 141, 130}, {1735, 130, 157}};
    contents.sounds = {"TUBE_TRAIN", "LUGER", "PISTOL_LUGER"};
    contents.variables = {{"Day", {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"}, 28},
                      {"Empty", {}, 29}};
    contents.restart_points = {{"Monday", 402}, {"Tuesday", 402}};
    return contents;
}

TEST(BookTest, LookupsStayInsideTheirTables) {
    memory_book book(catalogue_contents());
    book.select();
    ASSERT_NE(picture_at(0), nullptr);
    EXPECT_EQ(picture_at(0)->resource, 1100);
    EXPECT_EQ(picture_at(2)->resource, 1735);
    EXPECT_EQ(picture_at(3), nullptr);
    EXPECT_EQ(picture_at(-1), nullptr);
    EXPECT_STREQ(sound_name(0), "TUBE_TRAIN");
    EXPECT_STREQ(sound_name(2), "PISTOL_LUGER");
    EXPECT_EQ(sound_name(3), nullptr);
    EXPECT_EQ(variable_at(2), nullptr);
    EXPECT_EQ(restart_point_at(2), nullptr);
    EXPECT_EQ(paragraph_at(0), nullptr);
    EXPECT_EQ(paragraph_at(21), nullptr);
}

TEST(BookTest, ValueNamesOnlyBelowTheValueCount) {
    memory_book book(catalogue_contents());
    book.select();
    EXPECT_STREQ(value_name(variable_at(0), 5), "Saturday");
    EXPECT_EQ(value_name(variable_at(0), 6), nullptr);
    EXPECT_EQ(value_name(variable_at(0), 255), nullptr);
    EXPECT_EQ(value_name(variable_at(1), 0), nullptr);
    EXPECT_EQ(value_name(nullptr, 0), nullptr);
}

TEST(BookTest, TheBookIdIsTheBooksOwnWhenValid) {
    const struct {
        const char* id;
        const char* used;
    } cases[] = {
        {"VBQ2CorvinAshby", "VBQ2CorvinAshby"},
        {"a", "a"},
        {"A2345678901234567890123456789012", "A2345678901234567890123456789012"},  // 32: the longest
        {"A23456789012345678901234567890123", FALLBACK_BOOK_ID},                 // 33
        {"", FALLBACK_BOOK_ID},
        {nullptr, FALLBACK_BOOK_ID},
        {"two words", FALLBACK_BOOK_ID},
        {"../up", FALLBACK_BOOK_ID},
        {"Caf\xE9", FALLBACK_BOOK_ID},
    };
    for (const auto& c : cases) {
        memory_book_contents contents = catalogue_contents();
        contents.info.id = c.id;
        memory_book book(std::move(contents));
        book.select();
        EXPECT_STREQ(book_id(), c.used) << (c.id != nullptr ? c.id : "(null)");
    }
    book_select(nullptr);
    EXPECT_STREQ(book_id(), FALLBACK_BOOK_ID);
}

TEST(BookTest, StateRecordSizeOfTheFullBook) {
    EXPECT_EQ(state_record_size(116, 5), 3056);
    EXPECT_EQ(state_record_size(0, 0), 35);
}

}  // namespace
}  // namespace tomelet
