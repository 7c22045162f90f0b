// The story as a graph: every page with text, every way from one page to
// another (hotwords, chance bands, answers, links, restart points, item
// detail pages and the reader's own screens), with the places they are
// written.  The compiler collects it while it checks the markup; the
// reachability check, the story map and the walker read it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tomelet::bookc {

// The reader's own screens that lead into the book, as edge sources.
constexpr int32_t FROM_OPENING = -1;    // the opening sequence: "Next" on the book details
constexpr int32_t FROM_MENU = -2;       // the menu's side pages 3 to 7
constexpr int32_t FROM_INVENTORY = -3;  // the built-in inventory page (paragraph 6 without text)

enum edge_kind : int32_t {
    EDGE_HOTWORD = 0,     // M, N, Q, R, r with a label: follow
    EDGE_PICTURE,         // a picture hotword (any letter)
    EDGE_LOOK_UP,         // g: look up, the reader's place stays
    EDGE_TAKE_UP,         // m: always moves the reader's place
    EDGE_CHANCE,          // a band of L or d
    EDGE_CHANCE_DEFAULT,  // the roll above every band
    EDGE_ANSWER,          // an accepted answer of S
    EDGE_ANSWER_DEFAULT,  // any other (or no) answer
    EDGE_NEXT,            // <n t>
    EDGE_PREV,            // <p t>
    EDGE_RESTART,         // u: back to where the restart point was saved
    EDGE_DETAIL,          // an item's detail page, from the inventory page
    EDGE_SCREEN,          // from the opening sequence or the menu
    EDGE_KIND_COUNT
};

// What each kind is called in messages and in the map's legend.
const char* edge_kind_name(edge_kind kind);

struct story_page {
    int32_t number = 0;
    std::string file;
    int32_t line = 0;          // of its header
    std::string title;         // the <H>...<J> text, else its first words
    bool ending = false;       // marked `@@ ending` in the source
    std::vector<int32_t> saves;  // restart points it saves (<s *k>)
    std::string group;         // `@@ group NAME` in the source; empty: none
    std::string name;          // `#name` of the header, without '#'; empty: none
};

// A hotword-making tag as written, and what the reader's record for it
// holds, so that a record made at play can be traced back to its tag.
struct story_hotword {
    int32_t paragraph = 0;
    std::string file;
    int32_t line = 0;
    char kind = 'M';         // the record's kind: M g m N Q R L d S u (R also for r)
    std::string label;       // empty for a picture hotword and an answer field
    bool picture = false;
    int32_t index = 0;       // N Q R: the variable; u: the restart point
    int16_t target1 = 0;
    int16_t default_target = 0;  // L d S
    int32_t outcomes = 1;    // L d S: the bands or answers, and the default
};

struct story_edge {
    int32_t from = 0;  // a paragraph, or FROM_OPENING, FROM_MENU, FROM_INVENTORY
    int32_t to = 0;    // a paragraph
    edge_kind kind = EDGE_HOTWORD;
    std::string label;  // the hotword's label, "1-5 of 20", the answer, ...
    int32_t line = 0;   // where it is written (0: the reader's own)
    int32_t hotword = -1;  // its tag in story_graph::hotwords, or -1
    int32_t outcome = 0;   // which band or answer of the tag (the default last)
};

struct story_graph {
    int32_t paragraph_count = 0;
    std::vector<story_page> pages;  // the paragraphs with text, by number
    std::vector<story_hotword> hotwords;
    std::vector<story_edge> edges;

    // The page of paragraph n, or null when it has no text.
    const story_page* page(int32_t n) const;
};

// What a static look at the graph can tell.
struct story_findings {
    // By paragraph number (paragraph_count + 1 entries).
    std::vector<uint8_t> reachable;  // from the opening, the menu or the inventory page, ignoring conditions
    std::vector<uint8_t> in_story;   // reachable as the reader's place, not only looked up
    std::vector<int32_t> unreachable;  // pages with text that nothing leads to
    // Pages in the story from which no hotword, link or restart point
    // leads on, and that are not marked as endings.
    std::vector<int32_t> dead_ends;
    std::vector<int32_t> endings;  // marked endings that are reachable
};

story_findings check_story(const story_graph& graph);

// The source map a preview reader reads beside the book's image, as JSON
// (UTF-8): {"pages":[{"number":N,"name":"...","title":"...","file":"...",
// "line":L}, ...]}, one entry for each paragraph with text, by number;
// "name" is "" for a paragraph without one.
std::string source_map_json(const story_graph& graph);

// The findings as warnings, "FILE:LINE: warning: ...", one a line.
std::string story_warnings(const story_graph& graph, const story_findings& findings);

// How the map draws pages: `detail` gives every page a box of its own;
// otherwise a run of neighbouring pages of one file is one box when they
// share a `@@ group` mark or, in a book without such marks, a title.
struct map_options {
    bool detail = false;
};

// The story map in Graphviz's language: a node per page with text, grouped
// by source file, the reader's screens that lead in, every edge drawn by
// its kind (with the choice's label when it is short enough), unreachable
// pages and dead ends in colour, and a legend.
std::string story_map_dot(const story_graph& graph, const story_findings& findings, const std::string& title,
                          const map_options& options = {});

// True when `path` names a map format: .dot or .svg.
bool map_format_known(const std::string& path);

// Writes the map: a .dot file as it is, an .svg drawn by Graphviz's `dot`
// program (found on the PATH) from a temporary .dot file beside it; the
// file is replaced whole or left as it was.  False, with a message in
// *error, on failure.
bool write_story_map(const std::string& dot, const std::string& path, std::string* error);

}  // namespace tomelet::bookc
