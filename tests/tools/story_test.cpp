// The story graph of a small book with a known shape: every kind of way
// between pages, what can be reached, the dead ends and the endings, and
// the story map drawn from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "tests/tools/book_folder.h"

namespace tomelet {
namespace {

using bookc::story_edge;
using testing::all_diagnostics;
using testing::book_folder;
using testing::small_catalogue;

// Paragraph numbers in the comments; targets are one less.
const char KNOWN_SHAPE[] =
    "@ 2\n"
    "<H>Start<J><M \"on\" 2> <M $0 3> <L \"try\" (5) 4 5> <n 6>\n"  // 3; 4 picture; 5 band, 6 default; Next 7
    "<O (%0 = 1)>{<d \"dice\" (50) 10 (30) 2 4>}<G>\n"            // 11 (1-50), 3 (51-80), 5 (81-100)
    "@ 3\n"
    "<H>Question<J><S (yes) 7 (no) 8 1><G>\n"                    // 8, 9, default 2
    "@ 4\n"
    "Only a look-up <g \"look\" 9><G>\n"                         // 10: a dead end, titled by its words
    "@ 5\n"
    "<H>Taken<J><m \"take\" 10><G>\n"                            // 11
    "@ 6\n"
    "@@ ending: the reader wins\n"
    "<H>The End<J>Well done.<G>\n"
    "@ 7\n"
    "<H>Back<J><p 1><G>\n"                                       // Prev 2
    "@ 8\n"
    "<H>Use<J><u *0 \"back\">{}<G>\n"                            // 2 (the catalogue's), 9 (saves it)
    "@ 9\n"
    "<H>Saver<J><s *0>Nothing more.<G>\n"                        // a dead end that saves *0
    "@ 10\n"
    "<H>Looked up<J>Only looked at.<G>\n"                        // reached by g alone: no dead end
    "@ 11\n"
    "<H>Eleven<J><M \"x\" 1><G>\n"                               // 2
    "@ 12\n"
    "<H>Lost<J>Nothing leads here.<M \"x\" 1><G>\n";

TEST(StoryGraph, EveryWayIsFoundWithItsKindAndTheFindingsFollow) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/a.tml", KNOWN_SHAPE);
    const bookc::compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    const bookc::story_graph& g = result.story;

    using way = std::tuple<int32_t, int32_t, bookc::edge_kind, std::string>;
    std::vector<way> ways;
    for (const story_edge& e : g.edges) ways.emplace_back(e.from, e.to, e.kind, e.label);
    const std::vector<way> expected = {
        {2, 3, bookc::EDGE_HOTWORD, "on"},
        {2, 4, bookc::EDGE_PICTURE, "picture 0"},
        {2, 5, bookc::EDGE_CHANCE, "1-5 of 20"},
        {2, 6, bookc::EDGE_CHANCE_DEFAULT, "6-20 of 20"},
        {2, 7, bookc::EDGE_NEXT, ""},
        {2, 11, bookc::EDGE_CHANCE, "1-50 of 100"},
        {2, 3, bookc::EDGE_CHANCE, "51-80 of 100"},
        {2, 5, bookc::EDGE_CHANCE_DEFAULT, "81-100 of 100"},
        {3, 8, bookc::EDGE_ANSWER, "\"yes\""},
        {3, 9, bookc::EDGE_ANSWER, "\"no\""},
        {3, 2, bookc::EDGE_ANSWER_DEFAULT, "other answers"},
        {4, 10, bookc::EDGE_LOOK_UP, "look"},
        {5, 11, bookc::EDGE_TAKE_UP, "take"},
        {7, 2, bookc::EDGE_PREV, ""},
        {11, 2, bookc::EDGE_HOTWORD, "x"},
        {12, 2, bookc::EDGE_HOTWORD, "x"},
        {bookc::FROM_OPENING, 2, bookc::EDGE_SCREEN, "Next"},
        {bookc::FROM_MENU, 3, bookc::EDGE_SCREEN, "Restart"},
        {bookc::FROM_MENU, 4, bookc::EDGE_SCREEN, "Objective"},
        {bookc::FROM_MENU, 5, bookc::EDGE_SCREEN, "Credits"},
        {bookc::FROM_MENU, 6, bookc::EDGE_SCREEN, "Information"},
        {bookc::FROM_MENU, 7, bookc::EDGE_SCREEN, "Hints"},
        {8, 2, bookc::EDGE_RESTART, "back *0"},
        {8, 9, bookc::EDGE_RESTART, "back *0"},
    };
    EXPECT_EQ(ways, expected);
    // Each way knows its tag's line, and the tags are listed for the walker.
    EXPECT_EQ(g.edges[8].line, 5);
    ASSERT_EQ(g.hotwords.size(), 10u);
    EXPECT_EQ(g.hotwords[3].kind, 'd');
    EXPECT_EQ(g.hotwords[3].outcomes, 3);
    EXPECT_EQ(g.hotwords[3].line, 3);

    ASSERT_NE(g.page(4), nullptr);
    EXPECT_EQ(g.page(4)->title, "Only a look-up");
    EXPECT_EQ(g.page(2)->title, "Start");
    EXPECT_TRUE(g.page(6)->ending);
    EXPECT_EQ(g.page(9)->saves, std::vector<int32_t>{0});

    const bookc::story_findings f = bookc::check_story(g);
    EXPECT_EQ(f.unreachable, std::vector<int32_t>{12});
    EXPECT_EQ(f.dead_ends, (std::vector<int32_t>{4, 9}));
    EXPECT_EQ(f.endings, std::vector<int32_t>{6});
    EXPECT_EQ(f.in_story[10], 0);
    EXPECT_EQ(f.reachable[10], 1);

    const std::string warnings = bookc::story_warnings(g, f);
    const std::string file = folder.name("text/a.tml");
    EXPECT_NE(warnings.find(file + ":23: warning: paragraph 12 (\"Lost\") cannot be reached"), std::string::npos)
        << warnings;
    EXPECT_NE(warnings.find(file + ":6: warning: paragraph 4 (\"Only a look-up\") is a dead end"), std::string::npos);
    EXPECT_NE(warnings.find(file + ":17: warning: paragraph 9 (\"Saver\") is a dead end"), std::string::npos);
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 3);

    // The map: pages grouped by file, endings apart, restart points marked,
    // findings coloured, and a legend.
    const std::string dot = bookc::story_map_dot(g, f, "Small Book");
    for (const char* part : {"subgraph cluster_file0", "label=\"" , "subgraph cluster_endings", "subgraph cluster_legend",
                             "p12 [label=\"12\\nLost\"", "#f5a3a3", "p4 [label=\"4\\nOnly a look-up\"", "#ffd27f",
                             "shape=doubleoctagon", "xlabel=\"*0\"", "opening -> p2", "p2 -> p5 [color=\"#d35400\"",
                             "label=\"1-5 of 20\"", "p8 -> p9 [color=\"#c0392b\""}) {
        EXPECT_NE(dot.find(part), std::string::npos) << part << "\n" << dot;
    }
    // One line per pair and kind.
    EXPECT_EQ(dot.find("p2 -> p3 [color=\"#333333\"", dot.find("p2 -> p3 [color=\"#333333\"") + 1), std::string::npos);
}

// A large book's map packs its boxes in blocks by number, and a run of
// neighbouring pages of one title is one box.
TEST(StoryGraph, ALargeBooksMapStandsItsPagesInRows) {
    std::string text;
    for (int32_t n = 2; n <= 200; ++n) {
        const std::string title = n >= 100 && n < 106 ? "Same Place" : "Page " + std::to_string(n);
        text += "@ " + std::to_string(n) + "\n<H>" + title + "<J><M \"on\" " + std::to_string(n < 200 ? n : 1) + "><G>\n";
    }
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/a.tml", text);
    const bookc::compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    const std::string dot = bookc::story_map_dot(result.story, bookc::check_story(result.story), "Large");
    for (const char* part : {"layout=osage", "packmode=\"array_u", "g100 [label=\"100-105\\nSame Place\"",
                             "p99 -> g100", "g100 -> p106", "p199 [label=\"199\\nPage 199\", sortv=192"}) {
        EXPECT_NE(dot.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(dot.find("p100 "), std::string::npos);
    EXPECT_EQ(dot.find("g100 -> g100"), std::string::npos);
}

// The pages of one title stay apart on the detailed map and in a book that
// groups by marks; the choices' labels stand on their lines.
TEST(StoryGraph, GroupsFollowTheMarksAndTheDetailedMapGroupsNothing) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/a.tml", testing::two_pages() +
                                   "@ 4\n<H>Hut<J><M \"Ask again about the wheels\" 4><G>\n"
                                   "@ 5\n<H>Hut<J><M \"on\" 5><G>\n@ 6\n@@ group: Night\n<H>Yard<J><M \"on\" 6><G>\n"
                                   "@ 7\n@@ group Night\n<H>Gate<J><M \"on\" 1><G>\n");
    const bookc::compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    const bookc::story_findings f = bookc::check_story(result.story);
    const std::string marked = bookc::story_map_dot(result.story, f, "Marked");
    const std::string detail = bookc::story_map_dot(result.story, f, "Detail", bookc::map_options{true});
    for (const char* part : {"p4 [label=\"4\\nHut\"", "p5 [label=\"5\\nHut\"", "g6 [label=\"6-7\\nNight\"",
                             "p4 -> p5 [color=\"#333333\", style=solid, arrowhead=normal, label=\"Ask again about...\""}) {
        EXPECT_NE(marked.find(part), std::string::npos) << part << "\n" << marked;
    }
    EXPECT_NE(detail.find("p6 [label=\"6\\nYard\""), std::string::npos) << detail;
    EXPECT_EQ(detail.find("g6 "), std::string::npos) << detail;
}

TEST(StoryGraph, AnEndingMarkOutsideAParagraphIsReported) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/a.tml", "@@ ending\n" + testing::two_pages() + "@@ endings are not marked by this\n");
    const bookc::compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    EXPECT_EQ(result.warnings, 1);
    EXPECT_TRUE(testing::reported(result, folder.name("text/a.tml") + ":1: warning:", "marks nothing"));
    EXPECT_FALSE(result.story.page(3)->ending);
}

// The source map: each paragraph with text, by number, with its name, its
// title as UTF-8 and its header's file and line; quotes and backslashes
// escaped.
TEST(StoryGraph, TheSourceMapNamesEachPagesHeader) {
    book_folder folder;
    folder.write("book.toml", small_catalogue());
    folder.write("text/a.tml",
                 "@ 2 #start\n<H>Caf\xC3\xA9 \"Noir\" \\ 1<J><M \"on\" #end><G>\n"
                 "@ 3\n<H>Three<J><G>\n"
                 "@ 4 #end the note\nOnly words here<G>\n"
                 "@ 5\n");
    const bookc::compile_result result = folder.compile();
    ASSERT_TRUE(result.ok()) << all_diagnostics(result);
    EXPECT_EQ(bookc::source_map_json(result.story),
              "{\"pages\":[\n"
              "{\"number\":2,\"name\":\"start\",\"title\":\"Caf\xC3\xA9 \\\"Noir\\\" \\\\ 1\",\"file\":\"" +
                  folder.name("text/a.tml") + "\",\"line\":1},\n"
              "{\"number\":3,\"name\":\"\",\"title\":\"Three\",\"file\":\"" + folder.name("text/a.tml") +
                  "\",\"line\":3},\n"
              "{\"number\":4,\"name\":\"end\",\"title\":\"Only words here\",\"file\":\"" +
                  folder.name("text/a.tml") + "\",\"line\":5}\n]}\n");
}

}  // namespace
}  // namespace tomelet
