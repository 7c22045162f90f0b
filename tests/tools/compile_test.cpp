// The book compiler's library: the text format, the chunks, the character
// set, the compiled tables and the stats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

#include "book/assemble.h"
#include "book/book.h"
#include "engine/engine.h"
#include "page/display_list.h"
#include "platform/headless/headless.h"
#include "story/story_state.h"
#include "tests/tools/book_folder.h"

namespace tomelet {
namespace {

using bookc::compile_result;
using testing::all_diagnostics;
using testing::book_folder;
using testing::small_catalogue;
using testing::two_pages;

std::string assembled(bookc::compiled_book& book, int32_t n) {
    headless::reset();
    book_use(book.tables());
    std::strcpy(the_engine.book.paragraph_text, "unchanged");
    char problem[ASSEMBLY_MESSAGE_SIZE];
    if (!assemble_paragraph(n, the_engine.book.paragraph_text, problem)) show_error(problem);
    return the_engine.book.paragraph_text;
}

TEST(BookcText, WordsAreJoinedBySingleSpacesAndAssembleAsTheEngineReadsThem) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/a.tml",
                 "\xEF\xBB\xBF@@ a comment before the first header\n"
                 "\n"
                 "@2 a note after the number\n"
                 "<H>Two<J>\tGo   <M \"on\"\n"
                 "@@ a comment inside the paragraph\n"
                 "\n"
                 "   2>  <G>\r\n"
                 "@ 3\r\n"
                 "<H>Three<J>Back <M \"back\" 1><G>\n"
                 "@ 5\n");
    compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    bookc::compiled_book& book = *result.book;
    EXPECT_EQ(book.paragraph_count, 5);
    EXPECT_EQ(assembled(book, 2), "<H>Two<J> Go <M \"on\" 2> <G> ");
    EXPECT_EQ(assembled(book, 3), "<H>Three<J>Back <M \"back\" 1><G> ");
    EXPECT_EQ(assembled(book, 5), "");
    EXPECT_EQ(reported_message_count(), 0);
    // Paragraphs 1 and 4 were never written: the engine refuses them.
    EXPECT_EQ(book.index[1].chunk, -1);
    EXPECT_EQ(book.index[4].chunk, -1);
    EXPECT_EQ(assembled(book, 4), "unchanged");
    EXPECT_EQ(reported_message_count(), 1);
    EXPECT_EQ(book.index[5].first, book.index[5].end);
    EXPECT_GE(book.index[5].chunk, 0);
}

TEST(BookcText, TheCatalogueBecomesTheEnginesTables) {
    book_folder folder;
    folder.write("book.toml", small_catalogue(R"(
[[bitmap]]
resource = 1107
file = "pictures/nav.bmp"

[[sound]]
name = "WIND"
file = "sounds/wind.wav"
)"));
    folder.write("pictures/nav.bmp", std::string("BM\x01\x02", 4));
    folder.write("sounds/wind.wav", std::string("RIFF\x04\0\0\0WAVEdata", 16));
    folder.write("text/a.tml", two_pages());
    compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    const book_tables* t = result.book->tables();
    book_use(t);
    ASSERT_EQ(t->picture_count, 2);
    EXPECT_EQ(picture_at(0)->resource, 1100);
    EXPECT_EQ(picture_at(0)->width, 10);
    EXPECT_EQ(picture_at(0)->height, 20);
    EXPECT_EQ(picture_at(1)->resource, 1101);
    EXPECT_EQ(picture_at(2), nullptr);
    ASSERT_EQ(t->sound_count, 2);
    EXPECT_STREQ(sound_name(0), "BELL");
    EXPECT_STREQ(sound_name(1), "WIND");
    ASSERT_EQ(t->variable_count, 2);
    EXPECT_STREQ(variable_at(0)->name, "Day");
    EXPECT_EQ(variable_at(0)->value_count, 2);
    EXPECT_EQ(variable_at(0)->detail_target, 2);
    EXPECT_STREQ(value_name(variable_at(0), 1), "Tuesday");
    EXPECT_EQ(variable_at(1)->detail_target, -1);  // no detail page given
    EXPECT_STREQ(value_name(variable_at(1), 2), "merry");
    ASSERT_EQ(t->restart_point_count, 1);
    EXPECT_STREQ(restart_point_at(0)->name, "Start");
    EXPECT_EQ(restart_point_at(0)->initial_paragraph, 1);
    EXPECT_EQ(restart_state_at(0)->paragraph, 1);
    EXPECT_EQ(restart_state_at(0)->set, 0);
    EXPECT_STREQ(t->book_info->title, "Small Book");
    EXPECT_STREQ(t->book_info->authors, "Tester");
    EXPECT_EQ(t->book_info->opening_picture, 0);
    EXPECT_EQ(t->book_info->title_picture, 1);
    ASSERT_EQ(t->resource_count, 2);
    const book_resource* bitmap = t->resources[0].name == nullptr ? &t->resources[0] : &t->resources[1];
    const book_resource* sound = t->resources[0].name == nullptr ? &t->resources[1] : &t->resources[0];
    EXPECT_EQ(bitmap->name, nullptr);
    EXPECT_EQ(bitmap->number, 1107);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bitmap->bytes), bitmap->size), std::string("BM\x01\x02", 4));
    ASSERT_NE(sound->name, nullptr);
    EXPECT_STREQ(sound->name, "WIND");
    EXPECT_EQ(sound->number, 0);
    EXPECT_EQ(sound->size, 16u);
    EXPECT_EQ(the_engine.story.inventory_ids[1], -1);
}

// A picture's alternative text is optional, converted like every text of
// the catalogue, and reaches both the tables and the generated source.
TEST(BookcText, PicturesCarryTheirAlternativeText) {
    book_folder folder;
    std::string catalogue = small_catalogue();
    catalogue.replace(catalogue.find("height = 20\n"), 12, "height = 20\nalt = \"A caf\xC3\xA9 sign\"\n");
    folder.write("book.toml", catalogue);
    folder.write("text/a.tml", two_pages());
    compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    book_use(result.book->tables());
    EXPECT_STREQ(picture_at(0)->alt, "A caf\xE9 sign");
    EXPECT_STREQ(picture_at(1)->alt, "");  // none given
    const std::string code = bookc::generate_cpp(*result.book, "my_book");
    EXPECT_NE(code.find("{1100, 10, 20, \"A caf\\351 sign\"}"), std::string::npos);
    EXPECT_NE(code.find("{1101, 0, 0, \"\"}"), std::string::npos);

    catalogue.replace(catalogue.find("alt = "), std::strlen("alt = \"A caf\xC3\xA9 sign\""), "alt = 5");
    folder.write("book.toml", catalogue);
    result = folder.compile();
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(testing::reported(result, folder.name("book.toml") + ":", "'picture.alt' must be a string"))
        << all_diagnostics(result);
}

TEST(BookcText, WithoutATextListEveryTmlFileUnderTextIsReadInPathOrder) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/b.tml", "@ 3\n<H>Three<J>Back <M \"back\" 1><G>\n");
    folder.write("text/a/z.tml", "@ 2\n<H>Two<J>Go <M \"on\" 2><G>\n");
    folder.write("text/notes.txt", "not a text file\n");
    compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    EXPECT_EQ(result.book->index[2].first, 0);  // a/z.tml comes before b.tml
    EXPECT_GT(result.book->index[3].first, 0);

    book_folder listed;
    std::string catalogue = small_catalogue();
    catalogue.insert(catalogue.find('\n') + 1, "text = [\"two.tml\", \"one.tml\"]\n");
    listed.write("book.toml", catalogue);
    listed.write("one.tml", "@ 2\n<H>Two<J>Go <M \"on\" 2><G>\n");
    listed.write("two.tml", "@ 3\n<H>Three<J>Back <M \"back\" 1><G>\n");
    listed.write("text/ignored.tml", "this would be an error\n");
    result = listed.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    EXPECT_EQ(result.book->index[3].first, 0);  // the list's order
}

TEST(BookcCharset, Utf8BecomesWindows1252) {
    std::string out;
    std::string error;
    ASSERT_TRUE(bookc::utf8_to_cp1252("caf\xC3\xA9 \xE2\x80\x93 \xE2\x80\x9Cq\xE2\x80\x9D \xE2\x82\xAC\xC3\xBF \xC5\x92",
                                      &out, &error));
    EXPECT_EQ(out, "caf\xE9 \x96 \x93q\x94 \x80\xFF \x8C");

    EXPECT_FALSE(bookc::utf8_to_cp1252("\xE2\x86\x92", &out, &error));  // U+2192 has no place
    EXPECT_NE(error.find("U+2192"), std::string::npos);
    EXPECT_FALSE(bookc::utf8_to_cp1252("a\x01", &out, &error));
    EXPECT_NE(error.find("control"), std::string::npos);
    EXPECT_FALSE(bookc::utf8_to_cp1252("\xC2\x81", &out, &error));  // a C1 control, though 0x81 is a byte
    EXPECT_FALSE(bookc::utf8_to_cp1252("a\tb", &out, &error));
    EXPECT_TRUE(bookc::utf8_to_cp1252("a\tb", &out, &error, "\t"));
    for (const char* invalid : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x80", "\xE2\x82"}) {
        EXPECT_FALSE(bookc::utf8_to_cp1252(invalid, &out, &error)) << invalid;
        EXPECT_EQ(error, "invalid UTF-8");
    }
}

TEST(BookcCharset, TextAndCatalogueAreConvertedOrReportedWithTheirLine) {
    book_folder folder;
    folder.write("book.toml", std::string(small_catalogue()).replace(0, std::strlen("[book]\ntitle = \"Small Book\""),
                                                                     "[book]\ntitle = \"Caf\xC3\xA9 \xE2\x80\x94 Book\""));
    folder.write("text/a.tml", "@ 2\n<H>Caf\xC3\xA9<J>Go <M \"on\" 2><G>\n@ 3\n<H>Three<J>Back <M \"back\" 1><G>\n");
    compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    EXPECT_EQ(result.book->info.title, "Caf\xE9 \x97 Book");
    EXPECT_EQ(assembled(*result.book, 2), "<H>Caf\xE9<J>Go <M \"on\" 2><G> ");

    folder.write("text/a.tml", two_pages() + "@ 4\n<H>Four<J>\nan arrow \xE2\x86\x92 here<G>\n@ 5\n<H>\x7F<J><G>\n");
    std::string catalogue = small_catalogue();
    catalogue.replace(catalogue.find("Tester"), 6, "Tes\tter");  // line 3
    folder.write("book.toml", catalogue);
    result = folder.compile();
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(testing::reported(result, folder.name("text/a.tml") + ":7: error:", "U+2192"))
        << all_diagnostics(result);
    EXPECT_TRUE(testing::reported(result, folder.name("text/a.tml") + ":9: error:", "control character"));
    EXPECT_TRUE(testing::reported(result, folder.name("book.toml") + ":3: error:", "control character"));
}

// ---- chunks ------------------------------------------------------------

// A book of `count` paragraphs (2 ..), each of about 3000 characters: many
// words of its own and a few words that every paragraph shares.
std::string big_text(int32_t count) {
    std::string text;
    for (int32_t n = 2; n < 2 + count; ++n) {
        text += "@ " + std::to_string(n) + "\n<H>Page<J>the shared words";
        for (int32_t w = 0; w < 330; ++w) {
            text += " p" + std::to_string(n) + "w" + std::to_string(w);
            if (w % 10 == 0) text += "\n";
        }
        text += " the end <M \"next\" " + std::to_string(n < count ? n : 1) + "><G>\n";
    }
    return text;
}

TEST(BookcChunks, ABigBookIsSplitIntoChunksThatKeepEveryInvariant) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    const int32_t count = 120;
    folder.write("text/a.tml", big_text(count));
    compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    bookc::compiled_book& book = *result.book;
    ASSERT_GE(book.chunks.size(), 10u);

    int32_t paragraphs_seen = 0;
    for (size_t k = 0; k < book.chunks.size(); ++k) {
        const bookc::compiled_chunk& chunk = book.chunks[k];
        SCOPED_TRACE("chunk " + std::to_string(k));
        ASSERT_LT(chunk.pool.size(), static_cast<size_t>(bookc::POOL_LIMIT));
        if (k + 1 < book.chunks.size()) {
            // Closed at the target size, not far past it.
            EXPECT_GE(chunk.pool.size(), static_cast<size_t>(bookc::CHUNK_TARGET));
            EXPECT_LT(chunk.pool.size(), static_cast<size_t>(bookc::CHUNK_TARGET + PARAGRAPH_TEXT_LIMIT));
        }
        // The pool: distinct words, each a NUL-terminated string.
        std::set<std::string> words;
        std::set<uint16_t> starts;
        ASSERT_EQ(chunk.pool.back(), '\0');
        for (size_t at = 0; at < chunk.pool.size(); at = chunk.pool.find('\0', at) + 1) {
            EXPECT_TRUE(words.insert(chunk.pool.c_str() + at).second) << "stored twice: " << chunk.pool.c_str() + at;
            starts.insert(static_cast<uint16_t>(at));
        }
        EXPECT_EQ(static_cast<int32_t>(words.size()), chunk.distinct_words);
        // In order of first occurrence: each new offset is the end of the
        // pool as it stood.
        uint32_t pool_end = 0;
        for (const uint16_t offset : chunk.sequence) {
            ASSERT_TRUE(starts.count(offset)) << offset;
            if (offset >= pool_end) {
                ASSERT_EQ(offset, pool_end);
                pool_end += static_cast<uint32_t>(std::strlen(chunk.pool.c_str() + offset)) + 1;
            }
        }
        EXPECT_EQ(pool_end, chunk.pool.size());
        // The paragraphs' ranges cover the sequence exactly.
        std::vector<std::pair<int32_t, int32_t>> ranges;
        for (int32_t n = 1; n <= book.paragraph_count; ++n) {
            if (book.index[static_cast<size_t>(n)].chunk == static_cast<int16_t>(k)) {
                ranges.push_back({book.index[static_cast<size_t>(n)].first, book.index[static_cast<size_t>(n)].end});
            }
        }
        std::sort(ranges.begin(), ranges.end());
        int32_t covered = 0;
        for (const auto& [first, end] : ranges) {
            EXPECT_EQ(first, covered);
            EXPECT_GE(end, first);
            covered = end;
        }
        EXPECT_EQ(covered, static_cast<int32_t>(chunk.sequence.size()));
        EXPECT_EQ(static_cast<int32_t>(ranges.size()), chunk.paragraphs);
        paragraphs_seen += chunk.paragraphs;
    }
    EXPECT_EQ(paragraphs_seen, count);
    // Every paragraph still assembles to its own words.
    const std::string last = assembled(book, count + 1);
    EXPECT_EQ(last.compare(0, 28, "<H>Page<J>the shared words p"), 0) << last.substr(0, 40);
    EXPECT_NE(last.find(" p" + std::to_string(count + 1) + "w329 the end "), std::string::npos);
    EXPECT_EQ(reported_message_count(), 0);
}

// ---- stats and generated code -------------------------------------------

TEST(BookcStats, TheShapeOfASmallBook) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/a.tml", two_pages() + "@ 5\n@ 7\n<H>Seven<J>the end the end<G>\n");
    compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    const std::string pool_words[] = {"<H>Two<J>Go", "<M", "\"on\"", "2><G>", "<H>Three<J>Back", "\"back\"",
                                      "1><G>", "<H>Seven<J>the", "end", "the", "end<G>"};
    size_t pool = 0;
    for (const std::string& w : pool_words) pool += w.size() + 1;
    EXPECT_EQ(bookc::stats_text(*result.book),
              "paragraphs 7\n"
              "missing 1 4 6\n"
              "empty 5\n"
              "chunk 0 pool " + std::to_string(pool) + " distinct 11 words 12 paragraphs 4\n"
              "longest 32\n"
              "pictures 2\n"
              "sounds 1\n"
              "variables 2\n"
              "restart_points 1\n");
}

TEST(BookcGenerate, TheGeneratedSourceEscapesTextAndNamesTheSymbol) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/a.tml",
                 "@ 2\n<H>\"Caf\xC3\xA9\"<J>a\\b ?\?= \xC3\xA9" "2 <M \"on\" 2><G>\n@ 3\n<H>Three<J>Back <M \"back\" 1><G>\n");
    compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    const std::string code = bookc::generate_cpp(*result.book, "my_book");
    EXPECT_NE(code.find("#include \"book/book.h\""), std::string::npos);
    EXPECT_NE(code.find("extern const book_tables my_book;"), std::string::npos);
    EXPECT_NE(code.find("const book_tables my_book = {"), std::string::npos);
    EXPECT_NE(code.find("\"<H>\\\"Caf\\351\\\"<J>a\\\\b\\0\""), std::string::npos);
    EXPECT_NE(code.find("\"\\?\\?=\\0\""), std::string::npos);
    EXPECT_NE(code.find("\"\\3512\\0\""), std::string::npos);  // an octal escape never runs on
    EXPECT_NE(code.find("{-1, 0, 0},  // 1"), std::string::npos);
    // The book is read-only data: every table const, no storage for a
    // reader's state.
    EXPECT_NE(code.find("const tomelet::variable_row variable_catalogue[]"), std::string::npos);
    EXPECT_NE(code.find("const tomelet::restart_point restart_points[]"), std::string::npos);
    EXPECT_EQ(code.find("state_record"), std::string::npos);

    EXPECT_TRUE(bookc::valid_symbol("compiled_book"));
    EXPECT_TRUE(bookc::valid_symbol("_b2"));
    EXPECT_FALSE(bookc::valid_symbol("2b"));
    EXPECT_FALSE(bookc::valid_symbol("my-book"));
    EXPECT_FALSE(bookc::valid_symbol(""));
}

TEST(BookcGenerate, CompilingLeavesTheBookInUseAsItWas) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/a.tml", two_pages() + "@ 4\n<H>Four<J><O (%1 = 2)>{x}<G>\n");
    compile_result first = folder.compile();
    ASSERT_TRUE(first.ok());
    book_use(first.book->tables());
    compile_result second = folder.compile();
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(the_engine.book.tables, first.book->tables());
}

}  // namespace
}  // namespace tomelet
