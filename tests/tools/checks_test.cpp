// The book compiler's checks: every error with its file and line, all of
// them reported, and the warnings that still compile.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "book/book.h"
#include "tests/tools/book_folder.h"

namespace tomelet {
namespace {

using bookc::compile_result;
using testing::all_diagnostics;
using testing::book_folder;
using testing::reported;
using testing::small_catalogue;
using testing::two_pages;

// Lines joined with line breaks; the first is line 1.
std::string lines(const std::vector<std::string>& text) {
    std::string joined;
    for (const std::string& line : text) joined += line + "\n";
    return joined;
}

class BookcChecks : public ::testing::Test {
protected:
    // Compiles the small catalogue with the two linked pages in text/a.tml
    // followed by `more` (whose first line is line 5).
    compile_result compile(const std::string& more, const std::string& catalogue = small_catalogue()) {
        folder_.write("book.toml", catalogue);
        folder_.write("text/a.tml", two_pages() + more);
        return folder_.compile();
    }

    // "FOLDER/text/a.tml:LINE: error:"
    std::string at(int32_t line, const char* kind = "error") const {
        return folder_.name("text/a.tml") + ":" + std::to_string(line) + ": " + kind + ":";
    }
    std::string in_catalogue(int32_t line) const {
        return folder_.name("book.toml") + ":" + std::to_string(line) + ": error:";
    }

    book_folder folder_;
};

TEST_F(BookcChecks, TheSmallBookCompilesCleanly) {
    const compile_result result = compile("");
    EXPECT_TRUE(result.ok()) << all_diagnostics(result);
    EXPECT_EQ(result.warnings, 0);
    EXPECT_TRUE(result.diagnostics.empty());
}

TEST_F(BookcChecks, BracesAndTagsAreReportedWhereTheyStart) {
    const compile_result result = compile(lines({
        "@ 4",                                // 5
        "<H>Four<J>{a {b}",                   // 6: { inside a block
        "c} <G>",                             // 7: } without {
        "@ 5",                                // 8
        "<H>Five<J>text } <G>",               // 9: } without {
        "@ 6",                                // 10
        "<H>Six<J><O (%0 = 1)>{open",         // 11: block open at the end
        "<G>",                                // 12
        "@ 7",                                // 13
        "<H>Seven<J>text <B",                 // 14: a tag holds <
        "more <G>",                           // 15
        "@ 8",                                // 16
        "<H>Eight<J><G> text <U",             // 17: tag not closed
        "@ 9",                                // 18
        "<H>Nine<J><M \"a{b\" 2> <G>",        // 19: a tag holds {
        "@ 10",                               // 20
        "<H>Ten<J>{<M \"a}b\" 2> <G>",        // 21: a tag holds }
        "@ 11",                               // 22
        "<H>Eleven<J><F" + std::string(399, 'x') + "><G>",  // 23: 400 characters
        "@ 12",                               // 24
        "<H>Twelve<J><W 0" + std::string(396, ' ') + "><G>",  // 25: 399: fine
        "@ 13",                               // 26
        "<H>Thirteen<J> {<U>} <O (%0 = 1)>{} <E>{}",  // 27: fine
        "<G>",                                // 28
    }));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(reported(result, at(6), "'{' inside a block")) << all_diagnostics(result);
    EXPECT_TRUE(reported(result, at(7), "'}' without '{'"));
    EXPECT_TRUE(reported(result, at(9), "'}' without '{'"));
    EXPECT_TRUE(reported(result, at(11), "a block is still open at the end of the paragraph"));
    EXPECT_TRUE(reported(result, at(14), "a tag holds '<'"));
    EXPECT_TRUE(reported(result, at(17), "a tag is not closed by the end of the paragraph"));
    EXPECT_TRUE(reported(result, at(19), "a tag holds '{'"));
    EXPECT_TRUE(reported(result, at(21), "a tag holds '}'"));
    EXPECT_TRUE(reported(result, at(23), "a tag of 400 characters"));
    EXPECT_EQ(result.errors, 9) << all_diagnostics(result);
    EXPECT_EQ(result.book, nullptr);
}

TEST_F(BookcChecks, TargetsMustLeadToParagraphsWithText) {
    const compile_result result = compile(lines({
        "@ 4",                                            // 5: empty
        "@ 5",                                            // 6
        "<H>Five<J><M \"a\" 7>",                          // 7: paragraph 8 is missing
        "<g \"a\" 3>",                                    // 8: paragraph 4 is empty
        "<m 0 2> <N %0> <Q %0> <R %0 1> <r %0 1>",        // 9: fine (immediate)
        "<N %0 \"a\" 9> <Q %0 \"a\" 2>",                  // 10: N
        "<R %0 1 \"a\" 9> <r %0 1 \"a\" 2>",              // 11: R
        "<L \"a\" (5) 1 9>",                              // 12: default target
        "<d \"a\" (5) 1 (5) 9 (5) 2 1>",                  // 13: target2
        "<S (x) 1 (y) 2 (z) 9 1>",                        // 14: target3
        "<n 9> <p 1> <u *0 \"back\">{}",                  // 15: n
        "<G>",                                            // 16
    }));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(reported(result, at(7), "target 7 leads to paragraph 8, which has no text")) << all_diagnostics(result);
    EXPECT_TRUE(reported(result, at(8), "target 3 leads to paragraph 4"));
    EXPECT_TRUE(reported(result, at(10), "target 9"));
    EXPECT_TRUE(reported(result, at(11), "target 9"));
    EXPECT_TRUE(reported(result, at(12), "target 9"));
    EXPECT_TRUE(reported(result, at(13), "target 9"));
    EXPECT_TRUE(reported(result, at(14), "target 9"));
    EXPECT_TRUE(reported(result, at(15), "target 9"));
    EXPECT_EQ(result.errors, 8) << all_diagnostics(result);
}

TEST_F(BookcChecks, NumbersMustBeWithinTheirTables) {
    // Two variables, two pictures, one sound, one restart point.
    const compile_result result = compile(lines({
        "@ 4",                                              // 5
        "<H>Four<J><N %2> <Q %1> <l %5> <l %1>",            // 6: N 2, l 5
        "<R %0 %7> <R %0 %1> <r %-1 1>",                    // 7: R %7, r -1
        "<O (%1 = 0) & (%2 = %0)>{} <o (X %40000)>{}",      // 8: 2, 40000 (40000 - 65536 never)
        "<V 2> <v 1> <M $5 2> <M 4 2> <M $1 2>",            // 9: V 2, M $5, M 4
        "<A 1> <A 0> <s *1> <s *0> <u *3 \"x\">{}",         // 10: A 1, s 1, u 3
        "<G>",                                              // 11
    }));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(reported(result, at(6), "variable 2 is outside its table (0 to 1)")) << all_diagnostics(result);
    EXPECT_TRUE(reported(result, at(6), "variable 5"));
    EXPECT_TRUE(reported(result, at(7), "variable 7"));
    EXPECT_TRUE(reported(result, at(7), "variable -1"));
    EXPECT_TRUE(reported(result, at(8), "variable 2"));
    EXPECT_TRUE(reported(result, at(8), "the number 40000 is larger than the reader keeps"));
    EXPECT_TRUE(reported(result, at(9), "picture 2 is outside its table (0 to 1)"));
    EXPECT_TRUE(reported(result, at(9), "picture 5"));
    EXPECT_TRUE(reported(result, at(9), "picture 4"));
    EXPECT_TRUE(reported(result, at(10), "sound 1 is outside its table (0 to 0)"));
    EXPECT_TRUE(reported(result, at(10), "restart point 1"));
    EXPECT_TRUE(reported(result, at(10), "restart point 3"));
    EXPECT_EQ(result.errors, 12) << all_diagnostics(result);
}

TEST_F(BookcChecks, LabelsAnswersAndHotwordsHaveTheirLimits) {
    std::vector<std::string> text = {
        "@ 4",                                                               // 5
        "<H>Four<J><M \"" + std::string(100, 'a') + "\" 2>",                 // 6: label of 100
        "<M \"" + std::string(99, 'a') + "\" 2>",                            // 7: fine
        "<L \"" + std::string(120, 'b') + "\" (5) 1 2>",                     // 8: chance label
        "<S (" + std::string(20, 'c') + ") 2 (" + std::string(19, 'c') + ") 2 2>",  // 9: answer of 20
        "<G>",                                                               // 10
        "@ 5",                                                               // 11
        "<H>Five<J>",                                                        // 12
    };
    // Paragraph 5: 99 hotword-making tags are fine, with immediate ones
    // between them; paragraph 6: the 100th is an error.
    for (int32_t i = 0; i < 99; ++i) text.push_back("<m \"x\" 2> <N %0> <R %1 2>");  // lines 13 to 111
    text.push_back("<G>");                                                         // 112
    text.push_back("@ 6");                                                         // 113
    text.push_back("<H>Six<J>");                                                   // 114
    const char* kinds[] = {"<M \"a\" 2>", "<g $1 2>", "<N %0 \"a\" 2>", "<Q %0 \"a\" 2>", "<R %0 1 \"a\" 2>",
                           "<r %0 1 \"a\" 2>", "<L \"a\" (5) 1 2>", "<d \"a\" (5) 1 2>", "<S (a) 1 2>",
                           "<u *0 \"a\">{}"};
    for (int32_t i = 0; i < 100; ++i) text.push_back(kinds[i % 10]);  // lines 115 to 214
    text.push_back("<G>");
    const compile_result result = compile(lines(text));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(reported(result, at(6), "a hotword label of 100 characters")) << all_diagnostics(result);
    EXPECT_TRUE(reported(result, at(8), "a hotword label of 120 characters"));
    EXPECT_TRUE(reported(result, at(9), "an answer of 20 characters"));
    EXPECT_TRUE(reported(result, at(214), "more than 99 hotword-making tags in one paragraph"));
    EXPECT_EQ(result.errors, 4) << all_diagnostics(result);
}

TEST_F(BookcChecks, AParagraphMayAssembleToAtMost3316Characters) {
    // 331 words of nine letters, then "x" and <G>: 3310 + 2 + 4 characters.
    std::string words;
    for (int32_t i = 0; i < 331; ++i) words += "abcdefghi ";
    const compile_result fits = compile(lines({"@ 4", words + "x <G>"}));
    EXPECT_TRUE(fits.ok()) << all_diagnostics(fits);
    const compile_result too_long = compile(lines({"@ 4", words + "xy <G>"}));
    EXPECT_FALSE(too_long.ok());
    EXPECT_TRUE(reported(too_long, at(5), "paragraph 4 assembles to 3317 characters, more than 3316"))
        << all_diagnostics(too_long);
    EXPECT_EQ(too_long.errors, 1);
}

TEST_F(BookcChecks, AParagraphThatCannotFitAChunkIsAnError) {
    std::string words;
    // 9000 distinct words of seven letters: 72000 pool bytes, and <G>.
    for (int32_t i = 0; i < 9000; ++i) words += "w" + std::to_string(100000 + i) + " ";
    const compile_result result = compile(lines({"@ 4", words + "<G>"}));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(reported(result, at(5), "paragraph 4 assembles to 72004 characters")) << all_diagnostics(result);
    EXPECT_TRUE(reported(result, at(5), "paragraph 4 needs 72004 pool bytes on its own"));
    EXPECT_EQ(result.errors, 2);
}

TEST_F(BookcChecks, AConditionThatMakesTheEvaluatorComplainIsAnError) {
    const compile_result result = compile(lines({
        "@ 4",                                                         // 5
        "<H>Four<J><O (=)>{a}",                                        // 6: pops an empty stack
        "<o %0 %0 %0 %0 %0 %0 %0 %0 %0 %0 %0>{b}",                     // 7: eleven operands
        "<O ((%0 = 1) | (%1 x 0)) & !(X %1)>{c}<E>{d}",                // 8: fine
        "<G>",
    }));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(reported(result, at(6), "Can't remove an operand from an empty stack!")) << all_diagnostics(result);
    EXPECT_TRUE(reported(result, at(7), "Operands stack overflow"));
    for (const bookc::diagnostic& d : result.diagnostics) EXPECT_NE(d.line, 8) << d.text();
}

TEST_F(BookcChecks, WarningsStillCompile) {
    const compile_result result = compile(lines({
        "@ 4",                               // 5
        "<H>Four<J><R %0 1> <R %0 2>",       // 6: above the top value 1
        "<R %1 -1> <R %1 2> <r %1 -5>",      // 7: negative
        "<R %1 3 \"a\" 2>",                  // 8: above, in a hotword too
        "<P>shown",                          // 9
        "never shown",                       // 10: no <G> at the end
        "@ 5",
        "<H>Five<J>text.<G>",                // 12: ends with <G>: fine
    }));
    EXPECT_TRUE(result.ok()) << all_diagnostics(result);
    EXPECT_EQ(result.warnings, 4) << all_diagnostics(result);
    EXPECT_TRUE(reported(result, at(6, "warning"), "the value 2 of variable 0 is above its top value 1"));
    EXPECT_TRUE(reported(result, at(7, "warning"), "the value -1 of variable 1 is negative"));
    EXPECT_TRUE(reported(result, at(8, "warning"), "the value 3 of variable 1 is above its top value 2"));
    EXPECT_TRUE(reported(result, at(10, "warning"), "does not end with <G>"));
}

// Markup the reader tolerates but a book should never hold: each case is
// paragraph 4 on its own, and gives the one message it must draw (or none).
TEST_F(BookcChecks, MarkupTheReaderToleratesIsReportedWithItsLine) {
    const std::string long_word(300, 'w');
    std::string branches = "<H>Four<J><O (%0 = 0)>{";
    for (int32_t i = 0; i < 60; ++i) branches += "<M \"a\" 2>";
    branches += "}<E>{";
    for (int32_t i = 0; i < 60; ++i) branches += "<M \"b\" 2>";
    branches += "}<G>";
    std::string after_else = branches.substr(0, branches.size() - 3) + "<o (%0 = 1)>{";
    for (int32_t i = 0; i < 40; ++i) after_else += "<g \"c\" 2>";
    after_else += "}<G>";
    struct expectation {
        std::string text;   // line 6; line 7 is "<G>"
        const char* kind;   // "error", "warning", or nullptr: compiles without a word
        const char* what;
    };
    const expectation cases[] = {
        {"<H>Four<J><W 3>", "warning", "the alignment 3 is not one of 0 (left), 1 (centre) and 2 (right)"},
        {"<H>Four<J><W -1>", "warning", "the alignment -1"},
        {"<H>Four<J><W 2><W 0>", nullptr, ""},
        {"<H>Four<J><H>Held on", "warning", "the title opened with <H> is not closed by <J>"},
        {"<H>Four", "warning", "not closed by <J>"},
        {"<H>Four<J><O 7>{x}", "warning", "the condition ' 7' does not follow the condition grammar: '7'"},
        {"<H>Four<J><O>{x}", "warning", "the condition '' is empty"},
        {"<H>Four<J><O (%0 = 1) (%1 = 2)>{x}", "warning", "after a complete condition"},
        {"<H>Four<J><O (%0 = )>{x}", "warning", "where a number or a variable should stand"},
        {"<H>Four<J><O (%0 ! 1)>{x}", "warning", "where a comparison '=', 'x' or 'y' should stand"},
        {"<H>Four<J><O (%0 = 1) & (%1)>{x}", "warning", "where a comparison '=', 'x' or 'y' should stand"},
        {"<H>Four<J><O ((%0 = 1) | !(X %1)) & (%1 x %0)>{x}", nullptr, ""},
        {"<H>Four<J><O ((((%0 = 1)>{x}", "error", "unbalanced parentheses in the condition ' ((((%0 = 1)' (4 '(' and 1 ')')"},
        {"<H>Four<J><O (%0 = 1))(>{x}", "error", "unbalanced parentheses"},
        {"<H>Four<J>" + long_word.substr(1), "warning", "a word (with the space after it) reaches 300 characters"},
        {"<H>Four<J>" + long_word.substr(2), nullptr, ""},
        {"<H>" + std::string(295, 't') + " <l %1><J>", "warning", "the title held by <H> reaches 300 characters"},
        {"<H>Four<J>" + std::string(200, 'p') + " " + std::string(200, 'q'), nullptr, ""},
        {"<H>Four<J><L \"luck\" (6) 1 (4) 2 1>", "warning", "a luck button (L) rolls against its first chance only: the 1 band after"},
        {"<H>Four<J><L \"luck\" (6) 1 2> <d \"dice\" (6) 1 (4) 2 (5) 1 2>", nullptr, ""},
        {branches, nullptr, ""},
        {after_else, "error", "more than 99 hotword-making tags in one paragraph"},
    };
    for (const expectation& c : cases) {
        const compile_result result = compile(lines({"@ 4", "", c.text, "<G>"}));
        if (c.kind == nullptr) {
            EXPECT_TRUE(result.ok() && result.diagnostics.empty()) << c.text << "\n" << all_diagnostics(result);
            continue;
        }
        EXPECT_EQ(result.diagnostics.size(), 1u) << c.text << "\n" << all_diagnostics(result);
        EXPECT_TRUE(reported(result, at(7, c.kind), c.what)) << c.text << "\n" << all_diagnostics(result);
    }
}

TEST_F(BookcChecks, TheTextFormatIsChecked) {
    const compile_result result = compile(lines({
        "@x",               // 5: no number
        "text",             // 6: ignored after the faulty header
        "@12b",             // 7: no blank after the number
        "@ 2",              // 8: written twice
        "@ 0",              // 9: outside
        "@ 40000",          // 10: outside
    }));
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(reported(result, at(5), "a paragraph header needs a number")) << all_diagnostics(result);
    EXPECT_TRUE(reported(result, at(7), "followed by a blank"));
    EXPECT_TRUE(reported(result, at(8), "paragraph 2 is written twice (first at " + folder_.name("text/a.tml") + ":1)"));
    EXPECT_TRUE(reported(result, at(9), "paragraph number 0 is outside 1 to 32767"));
    EXPECT_TRUE(reported(result, at(10), "paragraph number 40000 is outside"));
    EXPECT_EQ(result.errors, 5) << all_diagnostics(result);

    folder_.write("text/0.tml", "\n  \nstray words\nmore\n@ 4\n<H>Four<J><G>\n");
    const compile_result stray = folder_.compile();
    EXPECT_TRUE(reported(stray, folder_.name("text/0.tml") + ":3: error:", "text before the first paragraph header"))
        << all_diagnostics(stray);
}

TEST_F(BookcChecks, TheCatalogueIsCheckedWithItsLines) {
    std::string catalogue = lines({
        "[book]",                            // 1
        "title = 5",                         // 2: not a string
        "titel = \"x\"",                     // 3: unknown
        "opening_picture = 7",               // 4: outside the pictures
        "paragraphs = 3",                    // 5
        "",                                  // 6
        "[[picture]]",                       // 7
        "resource = 70000",                  // 8: outside 0 to 65535
        "width = \"wide\"",                  // 9: not an integer
        "",                                  // 10
        "[[variable]]",                      // 11
        "name = \"V\"",                      // 12
        "detail_target = 3",                 // 13: paragraph 4 does not exist
        "values = [" + [] {
            std::string v;
            for (int32_t i = 0; i < 256; ++i) v += "\"v\", ";
            return v;
        }() + "]",                           // 14: 256 values
        "",                                  // 15
        "[[variable]]",                      // 16: no name
        "detail_target = 0",                 // 17: paragraph 1 has no text
        "",                                  // 18
        "[[restart_point]]",                 // 19
        "name = \"R\"",                      // 20
        "target = 2",                        // 21: fine
        "",                                  // 22
        "[[restart_point]]",                 // 23
        "name = \"R\"",                      // 24
        "target = -5",                       // 25: paragraph -4
        "",                                  // 26
        "[[sound]]",                         // 27
        "name = \"S\"",                      // 28
        "file = \"missing.wav\"",            // 29: no such file
        "",                                  // 30
        "[[bitmap]]",                        // 31
        "resource = 1107",                   // 32
        "file = \"not_a.bmp\"",              // 33: not a bitmap
        "",                                  // 34
        "[bogus]",                           // 35: unknown
    });
    folder_.write("not_a.bmp", "GIF89a");
    const compile_result result = compile("@ 5\n<H>Five<J><G>\n", catalogue);
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(reported(result, in_catalogue(2), "'book.title' must be a string")) << all_diagnostics(result);
    EXPECT_TRUE(reported(result, in_catalogue(3), "unknown key 'titel' in [book]"));
    EXPECT_TRUE(reported(result, in_catalogue(4), "the opening picture 7 is outside the picture catalogue (0 to 0)"));
    EXPECT_TRUE(reported(result, in_catalogue(8), "'picture.resource' is 70000, outside 0 to 65535"));
    EXPECT_TRUE(reported(result, in_catalogue(9), "'picture.width' must be an integer"));
    EXPECT_TRUE(reported(result, in_catalogue(13), "variable 0's detail target 3 leads to paragraph 4, which has no text"));
    EXPECT_TRUE(reported(result, in_catalogue(14), "at most 255 values"));
    EXPECT_TRUE(reported(result, in_catalogue(16), "lacks the key 'name'"));
    EXPECT_TRUE(reported(result, in_catalogue(17), "variable 1's detail target 0 leads to paragraph 1"));
    EXPECT_TRUE(reported(result, in_catalogue(25), "restart point 1's target -5"));
    EXPECT_TRUE(reported(result, in_catalogue(29), "cannot read the file 'missing.wav'"));
    EXPECT_TRUE(reported(result, in_catalogue(33), "'not_a.bmp' is not a bitmap file"));
    EXPECT_TRUE(reported(result, in_catalogue(35), "unknown key 'bogus'"));
    EXPECT_TRUE(reported(result, at(5), "paragraph number 5 is outside 1 to 3"));
    EXPECT_EQ(result.errors, 14) << all_diagnostics(result);
}

TEST_F(BookcChecks, AFaultyOrMissingCatalogueStopsTheCompilation) {
    compile_result result = compile("", "[book]\ntitle = \"x\"\n[[picture]\n");
    EXPECT_FALSE(result.ok());
    EXPECT_TRUE(reported(result, in_catalogue(3), "")) << all_diagnostics(result);
    EXPECT_EQ(result.errors, 1);

    book_folder empty;
    result = empty.compile();
    EXPECT_TRUE(reported(result, empty.name("book.toml") + ": error:", "cannot read the catalogue"))
        << all_diagnostics(result);

    empty.write("book.toml", "[book]\ntitle = \"x\"\n");
    result = empty.compile();
    EXPECT_TRUE(reported(result, empty.name("book.toml") + ": error:", "the book has no text files"))
        << all_diagnostics(result);

    result = compile("", "[book]\ntitle = \"x\"\ntext = [\"gone.tml\",\n\"text\"]\n");
    EXPECT_TRUE(reported(result, in_catalogue(3), "cannot read the text file")) << all_diagnostics(result);
    EXPECT_TRUE(reported(result, in_catalogue(4), "cannot read the text file"));  // a folder
}

}  // namespace
}  // namespace tomelet
