// Mistakes an author makes that the reader would take without a word: each
// gets one message, at its file, line and column.  Paragraph names, which
// leave the compiled book as the numbers would.
#include <gtest/gtest.h>

#include <string>

#include "tests/tools/book_folder.h"

namespace tomelet {
namespace {

using bookc::compile_result;
using testing::all_diagnostics;
using testing::book_folder;
using testing::small_catalogue;
using testing::two_pages;

// A variable without values, %2.
const char gold[] = "\n[[variable]]\nname = \"Gold\"\n";

std::string repeated(const std::string& text, int32_t count) {
    std::string out;
    for (int32_t i = 0; i < count; ++i) out += text;
    return out;
}

TEST(BookcMistakes, EachMistakeHasOneMessageWhereItIsWritten) {
    // Paragraph 4's text is line 6, after "<H>Four<J>" (column 11 on);
    // `after` holds more paragraphs.
    struct mistake {
        std::string text;
        const char* kind;
        int32_t line;
        int32_t column;
        std::string what;
        std::string after = "";
    };
    const std::string many_m = "@ 6\n<H>Six<J>" + repeated("<M \"a\" 2>", 60) + "<G>\n@ 7\n<H>Seven<J>" +
                               repeated("<M \"a\" 2>", 60) + "<G>\n";
    const mistake cases[] = {
        {"<Z \xE2\x80\x9CGo\xE2\x80\x9D 2>", "error", 6, 11, "unknown tag letter 'Z' in <Z \xE2\x80\x9CGo\xE2\x80\x9D 2>"},
        {"<K \"Go\" 2>", "error", 6, 11, "<K> takes nothing after its letter"},
        {"< M \"Go\" 2>", "error", 6, 11, "the letter must follow '<' at once"},
        {"<O (%0 = 1)> text <M \"a\" 2>", "error", 6, 11, "<O> is not followed by a block"},
        {"<u *0 \"back\"><M \"a\" 2>", "error", 6, 11, "<u> is not followed by a block"},
        {"<E>{x}", "error", 6, 11, "<E> without an <O> before it"},
        {"<o (%0 = 1)>{x}", "error", 6, 11, "<o> without an <O> before it"},
        {"<O (%0 == 1)>{x}", "error", 6, 18, "'==' in a condition: the grammar compares with a single '='"},
        {"<O (%0 != 1)>{x}", "error", 6, 18, "the grammar has no '!='"},
        {"<O (%0 > 1)>{x}", "error", 6, 18, "'>' in a condition closes the tag: the grammar writes 'greater than' as 'x'"},
        {"<O (%0 < 1)>{x}", "error", 6, 18, "'<' in a condition opens a new tag: the condition grammar writes 'less "
                                            "than' as 'y'"},
        {"<O (%0 = 1) and (%1 = 2)>{x}", "error", 6, 23, "'and' in a condition: the grammar writes '&'"},
        {"<O (%0 = 1) || (%1 = 2)>{x}", "error", 6, 23, "'||' in a condition: the grammar joins groups with a single '|'"},
        {"<O (%1 = calm)>{x}", "error", 6, 20, "a name, 'calm', where a number stands: a condition compares with a "
                                               "value's number (the reader would read the name as 0) (calm is value 1 "
                                               "of variable 1: write 1)"},
        {"<O (Day = 1)>{x}", "error", 6, 15, "a name, 'Day', where a variable '%n' should stand (the variable Day is %0)"},
        {"<O (%0 = )>{x}", "warning", 6, 11, "where a number or a variable should stand"},
        {"<M \"Far\" 65537>", "error", 6, 20, "the number 65537 is larger than the reader keeps (a number is -32768 to "
                                              "32767): it would read it as 1"},
        {"<n 65537>", "error", 6, 14, "the number 65537"},
        {"<R %0 65537>", "error", 6, 17, "the number 65537"},
        {"<l %65536>", "error", 6, 15, "the number 65536 is larger than the reader keeps (a number is -32768 to "
                                       "32767): it would read it as 0"},
        {"<M \"Back\" -40000>", "error", 6, 21, "the number -40000"},
        {"<L \"Try\" (65537) 2 2>", "error", 6, 21, "the chance 65537 is larger than the reader keeps (a chance is at "
                                                    "most 127): it would read it as 1"},
        {"<r %2 1>", "error", 6, 11, "variable 2 (Gold) is counted with <r> but has no 'values' in book.toml"},
        {"<O (%2 x 3)>{x}", "error", 6, 20, "variable 2 (Gold) is compared with a number but has no 'values'"},
        {"<M \"Again\" 4>", "warning", 6, 11, "target 4 is this paragraph's own number, but leads to paragraph 5",
         "@ 6\n<H>Six<J><G>\n@ 5\n<H>Five<J><G>\n"},
        {"<M \"Missed\" 4>", "error", 6, 11, "target 4 leads to paragraph 5, which has no text (a target is the "
                                             "paragraph number minus one: paragraph 4 is target 3, or write the "
                                             "paragraph's name)"},
        {"want to<O (%0 = 1)>{go to} prison", "warning", 6, 38, "the blank after '}' is dropped by the reader, so "
                                                                "'prison' is joined to the text before it; write <a> "
                                                                "after the '}' for a space"},
        {"<m \"Take\" 2>", "warning", 6, 11, "<m> (a take-up hotword, which always moves the reader's place) is "
                                             "written 1 time in this book and <M> 122 times: is this <m> meant as <M>?",
         many_m},
        {"<O (%0 = 1)>{" + repeated("abc ", 830) + "}", "error", 5, 0,
         "paragraph 4 assembles to 3349 characters, more than 3316 (every word counts with one space: tags and the "
         "blocks a condition skips too)"},
        {repeated("abcdefg ", 140000), "error", 5, 0, "paragraph 4 assembles to more than 1048576 characters, far more "
                                                      "than 3316: the compiler reads no further in it"},
    };
    for (const mistake& m : cases) {
        book_folder folder;
        folder.write("book.toml", small_catalogue(gold));
        folder.write("text/a.tml", two_pages() + "@ 4\n<H>Four<J>" + m.text + "\n<G>\n" + m.after);
        const compile_result result = folder.compile();
        const std::string where = folder.name("text/a.tml") + ":" + std::to_string(m.line) +
                                  (m.column > 0 ? ":" + std::to_string(m.column) : "") + ": " + m.kind + ": ";
        ASSERT_EQ(result.diagnostics.size(), 1u) << m.text.substr(0, 80) << "\n" << all_diagnostics(result).substr(0, 2000);
        const std::string said = result.diagnostics[0].text();
        EXPECT_EQ(said.substr(0, where.size()), where) << m.text.substr(0, 80);
        EXPECT_NE(said.find(m.what, where.size()), std::string::npos) << said.substr(0, 2000);
    }
}

TEST(BookcMistakes, TheCompilerStopsAfterTwoHundredErrors) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    std::string text = two_pages();
    for (int32_t p = 4; p < 40; ++p) text += "@ " + std::to_string(p) + "\n<H>P<J>" + repeated("<Z>", 10) + "<G>\n";
    folder.write("text/a.tml", text);
    const compile_result result = folder.compile();
    EXPECT_EQ(result.errors, bookc::MAX_ERRORS);
    EXPECT_TRUE(result.stopped);
    ASSERT_EQ(result.diagnostics.size(), static_cast<size_t>(bookc::MAX_ERRORS) + 1);
    EXPECT_EQ(result.diagnostics.back().text(), "tomelet-bookc: too many errors, stopping");
}

TEST(BookcMistakes, TheCatalogueSaysWhatItMeans) {
    const struct {
        std::string toml;
        std::string message;  // of book.toml's line 2
    } cases[] = {
        {"[book]\nautors = \"A\"\ntitle = \"T\"\n", "2:1: error: unknown key 'autors' in [book]: did you mean 'authors'?"},
        {"[book]\nstory = \"A\"\ntitle = \"T\"\n", "2:1: error: unknown key 'story' in [book]\n"},
        {"[book]\ntitle = \"T\n", "2:11: error: book.toml is not valid TOML here: a string is not closed"},
        {"[book]\ntitle \"T\"\n", "2:7: error: book.toml is not valid TOML here: a key must be followed by '='"},
        {"[book]\n[\n", "2:2: error: book.toml is not valid TOML here: a name is missing"},
        {"[book]\n[[ # a comment\n", "2:4: error: book.toml is not valid TOML here: a name is missing"},
        {"[book]\ntitle = Café\n", "2:12: error: book.toml is not valid TOML here: outside strings and comments"},
        {"[book]\ntitle = \"T\"\u00a9\n", "2:12: error: book.toml is not valid TOML here: outside strings and"},
        {"[book]\ntitle = \"\"\"T\\\u00e9\"\"\"\n", "2:14: error: book.toml is not valid TOML here: a backslash"},
    };
    for (const auto& c : cases) {
        book_folder folder;
        folder.write("book.toml", c.toml);
        folder.write("text/a.tml", two_pages());
        const std::string all = all_diagnostics(folder.compile());
        EXPECT_NE(all.find(folder.name("book.toml") + ":" + c.message), std::string::npos) << all;
    }
}

TEST(BookcMistakes, TheBooksIdAndIfidAreCheckedOrMade) {
    const struct {
        std::string keys;      // under [book], from line 2
        std::string message;   // of book.toml; "" for none
        std::string id;        // the compiled id when there is no error
    } cases[] = {
        {"id = \"Lamp2\"\nifid = \"0E6A2C55-3B8D-4C7A-9F10-2D4B6E8A1C33\"\n", "", "Lamp2"},
        {"id = \"Lamp 2\"\n", "2:6: error: 'book.id' must be 1 to 32 letters", ""},
        {"id = \"\"\n", "2:6: error: 'book.id' must be 1 to 32 letters", ""},
        {"id = \"A23456789012345678901234567890123\"\n", "2:6: error: 'book.id' must be 1 to 32", ""},
        {"id = 7\n", "2:6: error: 'book.id' must be", ""},
        {"ifid = \"0e6a2c55-3b8d-4c7a-9f10-2d4b6e8a1c33\"\n",
         "2:8: error: 'book.ifid' must be a UUID in uppercase hex with hyphens, such as", ""},
        {"ifid = \"0E6A2C553B8D4C7A9F102D4B6E8A1C33\"\n", "2:8: error: 'book.ifid' must be a UUID", ""},
        {"ifid = \"0E6A2C55-3B8D-4C7A-9F10-2D4B6E8A1C3\"\n", "2:8: error: 'book.ifid' must be a UUID", ""},
        {"id = \"Lamp2\"\n", "1:1: warning: the book has no 'ifid'", "Lamp2"},
        {"ifid = \"0E6A2C55-3B8D-4C7A-9F10-2D4B6E8A1C33\"\n",
         "1:1: warning: the book has no 'id': it is \"TheDarkLighthouseatGullPointNo7o\", made from its title",
         "TheDarkLighthouseatGullPointNo7o"},
    };
    for (const auto& c : cases) {
        book_folder folder;
        folder.write("book.toml", "[book]\n" + c.keys + "title = \"The Dark Lighthouse at Gull Point, No. 7 of 9\"\n");
        folder.write("text/a.tml", two_pages());
        const compile_result result = folder.compile();
        const std::string all = all_diagnostics(result);
        if (c.message.empty()) EXPECT_EQ(all, "");
        else EXPECT_NE(all.find(folder.name("book.toml") + ":" + c.message), std::string::npos) << c.keys << all;
        if (!c.id.empty()) {
            ASSERT_TRUE(result.ok()) << all;
            EXPECT_EQ(result.book->info.id, c.id);
            EXPECT_STREQ(result.book->tables()->book_info->id, c.id.c_str());
        }
    }
    // A suggested ifid is one the compiler takes, and no two are alike.
    const std::string a = bookc::fresh_ifid();
    EXPECT_TRUE(bookc::valid_ifid(a)) << a;
    EXPECT_EQ(a[14], '4');
    EXPECT_NE(a, bookc::fresh_ifid());
}

TEST(BookcMistakes, NamedParagraphsCompileToTheNumbersTheyStandFor) {
    const std::string catalogue_numbers = small_catalogue();
    std::string catalogue_names = catalogue_numbers;
    catalogue_names.replace(catalogue_names.find("detail_target = 2"), 17, "detail_target = \"#hut-14\"");
    catalogue_names.replace(catalogue_names.find("target = 1"), 10, "target = \"#start\"");
    const auto book = [](const std::string& start, const std::string& hut, const std::string& two,
                         const std::string& three) {
        return "@ 2" + start + "\n<H>Two<J><M \"Hut\" " + three + "> <g \"Look\" " + two + "> <L \"Try\" (5) " + three +
               " " + two + ">\n<S (key) " + three + " " + two + "> <n " + three + "> <R %0 1 \"Set\" " + three +
               "><G>\n@ 3" + hut + " the interview\n<H>Three<J><M \"back\" 1><p 1><G>\n";
    };
    book_folder numbers;
    numbers.write("book.toml", catalogue_numbers);
    numbers.write("text/a.tml", book("", "", "1", "2"));
    book_folder names;
    names.write("book.toml", catalogue_names);
    names.write("text/a.tml", book(" #start", " #hut-14", "#start", "#hut-14"));
    const compile_result by_number = numbers.compile();
    const compile_result by_name = names.compile();
    ASSERT_TRUE(by_number.ok()) << all_diagnostics(by_number);
    ASSERT_TRUE(by_name.ok()) << all_diagnostics(by_name);
    EXPECT_TRUE(by_name.diagnostics.empty()) << all_diagnostics(by_name);
    EXPECT_EQ(bookc::generate_cpp(*by_name.book, "b"), bookc::generate_cpp(*by_number.book, "b"));

    // An unknown name, a name given twice, a faulty name; a '#' in a label
    // or an answer is text.
    book_folder faulty;
    faulty.write("book.toml", catalogue_names);
    faulty.write("text/a.tml",
                 "@ 2 #start\n<H>Two<J><M \"#hut-14\" #hut-15><S (#start) #start #start><G>\n"
                 "@ 3 #start\n<H>Three<J><G>\n@ 4 #a,b\n");
    const compile_result result = faulty.compile();
    const std::string file = faulty.name("text/a.tml");
    const std::string all = all_diagnostics(result);
    EXPECT_NE(all.find(file + ":2:23: error: no paragraph header gives the name #hut-15"), std::string::npos) << all;
    EXPECT_NE(all.find(file + ":3:5: error: the name #start is given twice (first to paragraph 2 at " + file + ":1)"),
              std::string::npos) << all;
    EXPECT_NE(all.find(file + ":5:7: error: a paragraph name is '#' followed by letters"), std::string::npos) << all;
    EXPECT_NE(all.find(faulty.name("book.toml") + ":"), std::string::npos) << all;  // #hut-14 of the detail page
    EXPECT_EQ(result.errors, 4) << all;
}

}  // namespace
}  // namespace tomelet
