#include "book/assemble.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "book/book.h"
#include "engine/engine.h"
#include "tests/support/memory_book.h"

namespace tomelet {
namespace {

using testing::memory_book;
using testing::memory_book_contents;

// The assembly reports a problem to its caller; the reports are kept here
// in order, as the reader would be shown them.
class AssembleTest : public ::testing::Test {
protected:
    std::vector<std::string> reports;

    void assemble(int32_t n, char* destination) {
        char message[ASSEMBLY_MESSAGE_SIZE];
        std::memset(message, '#', sizeof message);
        // The length reported is the text's whenever the text is written.
        const int32_t unset = -7;
        int32_t length = unset;
        const paragraph_row* row = paragraph_at(n);
        const bool exists = row != nullptr && row->chunk >= 0 && row->chunk < the_engine.book.tables->chunk_count;
        const bool whole = assemble_paragraph(n, destination, message, &length);
        EXPECT_EQ(length, exists ? static_cast<int32_t>(std::strlen(destination)) : unset) << n;
        if (whole) {
            EXPECT_EQ(message[0], '#');  // a paragraph assembled whole reports nothing
        } else {
            reports.emplace_back(message);
        }
    }

    static memory_book_contents small_contents() {
        memory_book_contents contents;
        contents.paragraph_count = 12;
        contents.paragraphs[2] = "<H> Day<J> Some words and more words <G>";
        contents.paragraphs[3] = "x";
        contents.paragraphs[8] = "";
        contents.paragraphs[9] = "";
        return contents;
    }

    std::string last_message() const { return reports.empty() ? std::string() : reports.back(); }
};

TEST_F(AssembleTest, JoinsWordsEachFollowedByOneSpace) {
    memory_book book(small_contents());
    book.select();
    assemble(2, the_engine.book.paragraph_text);
    EXPECT_STREQ(the_engine.book.paragraph_text, "<H> Day<J> Some words and more words <G> ");
    assemble(3, the_engine.book.paragraph_text);
    EXPECT_STREQ(the_engine.book.paragraph_text, "x ");
    EXPECT_EQ(std::strlen(the_engine.book.paragraph_text), 2u);
    EXPECT_EQ(static_cast<int32_t>(reports.size()), 0);
}

TEST_F(AssembleTest, EmptyParagraphAssemblesToEmptyString) {
    memory_book book(small_contents());
    book.select();
    std::strcpy(the_engine.book.paragraph_text, "previous");
    assemble(8, the_engine.book.paragraph_text);
    EXPECT_STREQ(the_engine.book.paragraph_text, "");
    EXPECT_EQ(static_cast<int32_t>(reports.size()), 0);
}

TEST_F(AssembleTest, MissingOrOutOfRangeParagraphIsReportedAndBufferKept) {
    memory_book book(small_contents());
    book.select();
    for (int n : {1, 0, -5, 13, 32767}) {
        std::strcpy(the_engine.book.paragraph_text, "kept");
        reports.clear();
        assemble(n, the_engine.book.paragraph_text);
        EXPECT_STREQ(the_engine.book.paragraph_text, "kept") << n;
        ASSERT_EQ(static_cast<int32_t>(reports.size()), 1) << n;
        EXPECT_EQ(last_message(), "Paragraph " + std::to_string(n) + " does not exist");
    }
}

TEST_F(AssembleTest, SameWordIsOnePoolEntryWithinAChunkOnly) {
    memory_book_contents contents = small_contents();
    contents.chunk_per_paragraph = true;
    contents.paragraphs[4] = "words words";
    memory_book book(contents);
    book.select();
    const book_tables* b = book.tables();
    const paragraph_row& row = b->paragraph_index[4];
    EXPECT_EQ(b->chunk_table[row.chunk].sequence[row.first], b->chunk_table[row.chunk].sequence[row.first + 1]);
    EXPECT_NE(b->paragraph_index[2].chunk, row.chunk);
}

// A text of exactly the limit assembles whole; one more character is
// reported with the paragraph's word count, and nothing is written past
// the limit.
TEST_F(AssembleTest, LengthLimit) {
    memory_book_contents contents = small_contents();
    // 3316 characters: 828 words of three letters and a space (3312) and one
    // of three (4 with its space).
    std::string at_limit;
    for (int i = 0; i < 829; ++i) at_limit += "abc ";
    ASSERT_EQ(at_limit.size(), 3316u);
    contents.paragraphs[4] = at_limit;
    contents.paragraphs[5] = at_limit + "z";
    memory_book book(contents);
    book.select();

    assemble(4, the_engine.book.paragraph_text);
    EXPECT_EQ(std::strlen(the_engine.book.paragraph_text), 3316u);
    EXPECT_EQ(static_cast<int32_t>(reports.size()), 0);

    std::memset(the_engine.book.paragraph_text, '#', sizeof the_engine.book.paragraph_text);
    assemble(5, the_engine.book.paragraph_text);
    ASSERT_EQ(static_cast<int32_t>(reports.size()), 1);
    EXPECT_EQ(last_message(), "830 is Too many words");
    EXPECT_EQ(std::strlen(the_engine.book.paragraph_text), 3316u);
    // A short word goes as one 8-byte block, so up to 7 bytes past the
    // text's end may be written, never past the buffer's (3320 bytes; a
    // sanitized build catches a write beyond it).
    EXPECT_EQ(the_engine.book.paragraph_text[3316], '\0');
}

TEST_F(AssembleTest, AParagraphFarOverTheLimitNeverOverrunsTheBuffer) {
    memory_book_contents contents = small_contents();
    std::string huge;
    for (int i = 0; i < 2000; ++i) huge += "abcdefgh ";
    contents.paragraphs[6] = huge;
    memory_book book(contents);
    book.select();
    char guarded[PARAGRAPH_TEXT_SIZE + 16];
    std::memset(guarded, '#', sizeof guarded);
    assemble(6, guarded);
    EXPECT_EQ(static_cast<int32_t>(reports.size()), 1);
    EXPECT_LE(std::strlen(guarded), static_cast<size_t>(PARAGRAPH_TEXT_LIMIT));
    for (size_t i = PARAGRAPH_TEXT_SIZE; i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], '#');
}

// Words of every length the fast copy tells apart (under 8, 8 to 16, 17 and
// more, and long ones that are measured), in paragraphs that end before,
// at and past the limit, come out as the rule a word at a time gives.
TEST_F(AssembleTest, WordsOfEveryLengthUpToAndPastTheLimit) {
    const std::vector<std::vector<int>> patterns = {
        {1, 7, 8, 16, 17, 3}, {16}, {17}, {15, 2, 20, 9}, {5, 300, 4}, {254, 1}, {255, 6, 16},
    };
    for (const std::vector<int>& pattern : patterns) {
        for (const int words : {10, 150, 180, 400, 3000}) {
            std::string paragraph;
            for (int i = 0; i < words; ++i) {
                paragraph += std::string(static_cast<size_t>(pattern[static_cast<size_t>(i) % pattern.size()]),
                                         static_cast<char>('a' + i % 26));
                paragraph += ' ';
            }
            // The rule: each word and a space, up to the first word that
            // would bring the text to the limit.
            std::string expected;
            bool whole = true;
            size_t at = 0;
            while (at < paragraph.size()) {
                const size_t space = paragraph.find(' ', at);
                const std::string word = paragraph.substr(at, space - at);
                if (expected.size() + word.size() >= static_cast<size_t>(PARAGRAPH_TEXT_LIMIT)) {
                    whole = false;
                    break;
                }
                expected += word + " ";
                at = space + 1;
            }
            SCOPED_TRACE(std::to_string(pattern[0]) + "... x" + std::to_string(words));
            memory_book_contents contents = small_contents();
            contents.paragraphs[4] = paragraph;
            memory_book book(contents);
            book.select();
            reports.clear();
            char guarded[PARAGRAPH_TEXT_SIZE + 16];
            std::memset(guarded, '#', sizeof guarded);
            assemble(4, guarded);
            EXPECT_EQ(std::string(guarded), expected);
            EXPECT_EQ(reports.empty(), whole);
            for (size_t i = PARAGRAPH_TEXT_SIZE; i < sizeof guarded; ++i) EXPECT_EQ(guarded[i], '#');
        }
    }
}

}  // namespace
}  // namespace tomelet
