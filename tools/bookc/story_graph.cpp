// The story graph: its completion from the catalogue, the reachability
// check and the story map.

#include "tools/bookc/story_graph.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "tools/bookc/source.h"

namespace tomelet::bookc {

const char* edge_kind_name(edge_kind kind) {
    switch (kind) {
        case EDGE_HOTWORD: return "hotword";
        case EDGE_PICTURE: return "picture hotword";
        case EDGE_LOOK_UP: return "look-up hotword (g)";
        case EDGE_TAKE_UP: return "take-up hotword (m)";
        case EDGE_CHANCE: return "chance band (rolls)";
        case EDGE_CHANCE_DEFAULT: return "chance, above every band";
        case EDGE_ANSWER: return "answer";
        case EDGE_ANSWER_DEFAULT: return "any other answer";
        case EDGE_NEXT: return "Next link";
        case EDGE_PREV: return "Prev link";
        case EDGE_RESTART: return "restart point used (u)";
        case EDGE_DETAIL: return "item detail page";
        case EDGE_SCREEN: return "from the reader's screens";
        default: return "way";
    }
}

const story_page* story_graph::page(int32_t n) const {
    const auto at = std::lower_bound(pages.begin(), pages.end(), n,
                                     [](const story_page& p, int32_t number) { return p.number < number; });
    return at != pages.end() && at->number == n ? &*at : nullptr;
}

void finish_story_graph(const catalogue& book, const std::vector<source_paragraph>& paragraphs,
                        int32_t paragraph_count, story_graph* graph) {
    graph->paragraph_count = paragraph_count;
    std::stable_sort(graph->pages.begin(), graph->pages.end(),
                     [](const story_page& a, const story_page& b) { return a.number < b.number; });
    const auto has_text = [&](int32_t n) { return graph->page(n) != nullptr; };

    if (has_text(2)) graph->edges.push_back({FROM_OPENING, 2, EDGE_SCREEN, "Next", 0, -1, 0});
    static const char* const side_pages[] = {"Restart", "Objective", "Credits", "Information", "Hints"};
    for (int32_t n = 3; n <= 7; ++n) {
        if (has_text(n)) graph->edges.push_back({FROM_MENU, n, EDGE_SCREEN, side_pages[n - 3], 0, -1, 0});
    }
    // The inventory page stands in for paragraph 6 only when the book has
    // no row for it at all.
    const bool inventory = std::none_of(paragraphs.begin(), paragraphs.end(),
                                        [](const source_paragraph& p) { return p.number == 6; });
    if (inventory) {
        for (const compiled_variable& v : book.variables) {
            if (v.detail_target >= 0 && has_text(v.detail_target + 1)) {
                graph->edges.push_back({FROM_INVENTORY, v.detail_target + 1, EDGE_DETAIL, v.name, 0, -1, 0});
            }
        }
    }
    // A restart point leads back to its catalogue paragraph until it is
    // saved, then to the page that saved it.
    for (size_t h = 0; h < graph->hotwords.size(); ++h) {
        const story_hotword& hw = graph->hotwords[h];
        if (hw.kind != 'u' || hw.index < 0 || static_cast<size_t>(hw.index) >= book.restart_points.size()) continue;
        std::set<int32_t> targets = {book.restart_points[static_cast<size_t>(hw.index)].target + 1};
        for (const story_page& p : graph->pages) {
            if (std::find(p.saves.begin(), p.saves.end(), hw.index) != p.saves.end()) targets.insert(p.number);
        }
        for (int32_t to : targets) {
            if (!has_text(to)) continue;
            graph->edges.push_back({hw.paragraph, to, EDGE_RESTART, hw.label + " *" + std::to_string(hw.index),
                                    hw.line, static_cast<int32_t>(h), 0});
        }
    }
}

story_findings check_story(const story_graph& graph) {
    story_findings f;
    const auto size = static_cast<size_t>(std::max(graph.paragraph_count, 0)) + 1;
    f.reachable.assign(size, 0);
    f.in_story.assign(size, 0);
    std::vector<std::vector<const story_edge*>> out(size);
    const auto valid = [&](int32_t n) { return n >= 1 && static_cast<size_t>(n) < size && graph.page(n) != nullptr; };
    for (const story_edge& e : graph.edges) {
        if (e.from >= 1 && static_cast<size_t>(e.from) < size && valid(e.to)) out[static_cast<size_t>(e.from)].push_back(&e);
    }
    // Everything the reader's screens and the pages lead to, conditions
    // ignored.
    std::vector<int32_t> queue;
    const auto visit = [&](std::vector<uint8_t>& seen, int32_t n) {
        if (!valid(n) || seen[static_cast<size_t>(n)] != 0) return;
        seen[static_cast<size_t>(n)] = 1;
        queue.push_back(n);
    };
    for (const story_edge& e : graph.edges) {
        if (e.from < 0) visit(f.reachable, e.to);
    }
    for (size_t i = 0; i < queue.size(); ++i) {
        for (const story_edge* e : out[static_cast<size_t>(queue[i])]) visit(f.reachable, e->to);
    }
    // The pages that can become the reader's place: from paragraph 2, and
    // wherever a take-up or a restart point leads; look-ups do not move
    // the place (the reader returns from them with "Rtrn").
    queue.clear();
    for (const story_edge& e : graph.edges) {
        const bool reached_from = e.from == FROM_OPENING || (e.from >= 1 && f.reachable[static_cast<size_t>(e.from)] != 0);
        if (reached_from && (e.from == FROM_OPENING || e.kind == EDGE_TAKE_UP || e.kind == EDGE_RESTART)) {
            visit(f.in_story, e.to);
        }
    }
    for (size_t i = 0; i < queue.size(); ++i) {
        for (const story_edge* e : out[static_cast<size_t>(queue[i])]) {
            if (e->kind != EDGE_LOOK_UP) visit(f.in_story, e->to);
        }
    }
    for (const story_page& p : graph.pages) {
        const auto n = static_cast<size_t>(p.number);
        if (n >= size) continue;
        if (f.reachable[n] == 0) {
            f.unreachable.push_back(p.number);
            continue;
        }
        if (p.ending) {
            f.endings.push_back(p.number);
            continue;
        }
        const bool leads_on = std::any_of(out[n].begin(), out[n].end(),
                                          [](const story_edge* e) { return e->kind != EDGE_LOOK_UP; });
        if (f.in_story[n] != 0 && !leads_on) f.dead_ends.push_back(p.number);
    }
    return f;
}

namespace {

std::string page_name(const story_page& p) {
    return "paragraph " + std::to_string(p.number) + (p.title.empty() ? "" : " (\"" + cp1252_to_utf8(p.title) + "\")");
}

}  // namespace

std::string story_warnings(const story_graph& graph, const story_findings& findings) {
    std::string text;
    for (int32_t n : findings.unreachable) {
        const story_page* p = graph.page(n);
        text += p->file + ":" + std::to_string(p->line) + ": warning: " + page_name(*p) +
                " cannot be reached: no hotword, band, answer, link, restart point or screen leads to it\n";
    }
    for (int32_t n : findings.dead_ends) {
        const story_page* p = graph.page(n);
        text += p->file + ":" + std::to_string(p->line) + ": warning: " + page_name(*p) +
                " is a dead end: no hotword, link or restart point leads on (mark it '@@ ending' if the story ends "
                "there)\n";
    }
    return text;
}

namespace {

// Text in double quotes for Graphviz, from the reader's 8-bit character set
// (Windows-1252) to UTF-8.
std::string dot_text(const std::string& text) {
    static const char* const high[32] = {"€", "?", "‚", "ƒ", "„", "…", "†", "‡", "ˆ", "‰", "Š", "‹", "Œ", "?", "Ž", "?",
                                         "?", "‘", "’", "“", "”", "•", "–", "—", "˜", "™", "š", "›", "œ", "?", "ž", "Ÿ"};
    std::string out = "\"";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            out += ' ';
        } else if (c < 0x80) {
            out += ch;
        } else if (c < 0xA0) {
            out += high[c - 0x80];
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out + "\"";
}

std::string shortened(const std::string& text, size_t most) {
    if (text.size() <= most) return text;
    size_t cut = text.rfind(' ', most);
    if (cut == std::string::npos || cut < most / 2) cut = most;
    return text.substr(0, cut) + "...";
}

// How each kind of edge is drawn.
struct edge_style {
    const char* color;
    const char* style;
    const char* arrow;
    bool labelled;  // its label stands on every map (a choice's only on a map drawn as a flow)
};

edge_style style_of(edge_kind kind) {
    switch (kind) {
        case EDGE_HOTWORD: return {"#333333", "solid", "normal", false};
        case EDGE_PICTURE: return {"#8e44ad", "solid", "empty", false};
        case EDGE_LOOK_UP: return {"#999999", "dashed", "vee", false};
        case EDGE_TAKE_UP: return {"#000000", "bold", "normal", false};
        case EDGE_CHANCE: return {"#d35400", "solid", "normal", true};
        case EDGE_CHANCE_DEFAULT: return {"#d35400", "dashed", "normal", true};
        case EDGE_ANSWER: return {"#1f5fbf", "solid", "normal", true};
        case EDGE_ANSWER_DEFAULT: return {"#1f5fbf", "dashed", "normal", true};
        case EDGE_NEXT: return {"#2e8b57", "dotted", "normal", false};
        case EDGE_PREV: return {"#2e8b57", "dotted", "inv", false};
        case EDGE_RESTART: return {"#c0392b", "bold", "dot", false};
        case EDGE_DETAIL: return {"#7f8c8d", "dotted", "vee", false};
        default: return {"#7f8c8d", "solid", "normal", false};
    }
}

std::string node_id(int32_t n) {
    if (n == FROM_OPENING) return "opening";
    if (n == FROM_MENU) return "menu";
    if (n == FROM_INVENTORY) return "inventory";
    return "p" + std::to_string(n);
}

// From this many boxes on, the map stands its boxes in rows.
constexpr int32_t GRID_FROM = 120;
// From this many boxes on, a map drawn as a flow runs down the page.
constexpr int32_t FLOW_DOWN_FROM = 40;

constexpr const char* UNREACHABLE_FILL = "#f5a3a3";
constexpr const char* DEAD_END_FILL = "#ffd27f";
constexpr const char* ENDING_FILL = "#b8e0b0";
constexpr const char* RESTART_COLOR = "#c0392b";

}  // namespace

std::string story_map_dot(const story_graph& graph, const story_findings& findings, const std::string& title,
                          const map_options& options) {
    const auto has = [](const std::vector<int32_t>& list, int32_t n) {
        return std::find(list.begin(), list.end(), n) != list.end();
    };
    std::string dot;

    // The pages, by source file; the endings apart.
    std::vector<std::string> files;
    for (const story_page& p : graph.pages) {
        if (!p.ending && std::find(files.begin(), files.end(), p.file) == files.end()) files.push_back(p.file);
    }
    // Runs of neighbouring pages of one file with one title (a place at
    // each time of day, say) are drawn as one node, and their ways as the
    // node's: a large book stays readable, and a page is found by its
    // title and number range.  A book that marks groups (`@@ group NAME`)
    // is grouped by its marks alone, so that scenes which share a title
    // keep their own boxes; the detailed map groups nothing.
    const bool marked = std::any_of(graph.pages.begin(), graph.pages.end(),
                                    [](const story_page& p) { return !p.group.empty(); });
    std::map<int32_t, int32_t> first_of;  // page -> the first page of its run
    std::map<int32_t, int32_t> last_of;   // the first page of a run -> its last
    for (size_t i = 0; i < graph.pages.size(); ++i) {
        const story_page& p = graph.pages[i];
        const story_page* before = i > 0 ? &graph.pages[i - 1] : nullptr;
        const bool same = marked ? !p.group.empty() && before != nullptr && before->group == p.group
                                 : !p.title.empty() && before != nullptr && before->title == p.title;
        const bool joins = !options.detail && same && before->number + 1 == p.number && before->file == p.file &&
                           !p.ending && !before->ending;
        const int32_t first = joins ? first_of[before->number] : p.number;
        first_of[p.number] = first;
        last_of[first] = p.number;
    }
    const auto id_of = [&](int32_t n) {
        if (n < 0) return node_id(n);
        const int32_t first = first_of.count(n) != 0 ? first_of[n] : n;
        return last_of[first] != first ? "g" + std::to_string(first) : node_id(first);
    };
    // A small book is drawn as a flow along its ways: left to right while it
    // fits a screen's width, top to bottom from FLOW_DOWN_FROM boxes on (a
    // long story then reads down the page instead of running to a strip
    // tens of thousands of pixels wide).  A large one would be a tangle
    // that way (and slow to lay out), so its
    // boxes are packed in blocks, a block for each file, row by row in the
    // order of their numbers (Graphviz's osage layout), and the ways are
    // drawn over them: a page is found by its number.
    const auto boxes = static_cast<int32_t>(last_of.size());
    const bool grid = boxes > GRID_FROM;
    dot += "digraph story {\n";
    dot += "  graph [label=" +
           dot_text(title + ": the story map" + (grid ? " (in each block the pages stand in rows by number)" : "")) +
           ", labelloc=t, fontsize=28, fontname=\"DejaVu Sans\", " +
           (grid ? std::string("layout=osage, packmode=\"array_u3\", outputorder=edgesfirst, pad=0.3];\n")
                 : std::string("newrank=true, outputorder=edgesfirst, rankdir=") +
                       (boxes >= FLOW_DOWN_FROM ? "TB, nodesep=0.3, ranksep=0.45" : "LR, nodesep=0.15, ranksep=0.6") +
                       "];\n");
    dot += "  node [shape=box, style=\"rounded,filled\", fillcolor=white, fontname=\"DejaVu Sans\", fontsize=10, "
           "margin=\"0.06,0.03\", height=0.3, width=1.9];\n";
    dot += std::string("  edge [arrowsize=0.6, penwidth=") + (grid ? "0.6" : "0.8") + "];\n";
    // How a block packs its boxes: rows about twice as long as the block
    // is high, in the order of the boxes' sortv.
    int32_t block_order = 0;
    const auto block = [&](size_t count) {
        if (!grid) return std::string();
        size_t width = 1;
        while (width * width < count * 2) ++width;
        return "    packmode=\"array_u" + std::to_string(width) + "\"; sortv=" + std::to_string(block_order++) + ";\n";
    };
    int32_t box_order = 0;
    const auto node = [&](const story_page& p) {
        const int32_t last = last_of[p.number];
        bool unreachable = false;
        bool dead_end = false;
        std::set<int32_t> saves;
        for (int32_t n = p.number; n <= last; ++n) {
            const story_page* member = graph.page(n);
            if (member == nullptr) continue;
            const auto at = static_cast<size_t>(n);
            unreachable = unreachable || (at < findings.reachable.size() && findings.reachable[at] == 0);
            dead_end = dead_end || has(findings.dead_ends, n);
            saves.insert(member->saves.begin(), member->saves.end());
        }
        const std::string numbers =
            std::to_string(p.number) + (last != p.number ? "-" + std::to_string(last) : std::string());
        const std::string& name = last != p.number && marked ? p.group : p.title;
        const std::string escaped = "\"" + numbers + "\\n" + dot_text(shortened(name, 28)).substr(1);
        std::string line = "    " + id_of(p.number) + " [label=" + escaped + ", sortv=" + std::to_string(box_order++);
        line += ", tooltip=" + dot_text(p.file + ":" + std::to_string(p.line) + "  " + numbers + "  " + p.title);
        if (unreachable) {
            line += ", fillcolor=\"" + std::string(UNREACHABLE_FILL) + "\"";
        } else if (dead_end) {
            line += ", fillcolor=\"" + std::string(DEAD_END_FILL) + "\"";
        } else if (p.ending) {
            line += ", fillcolor=\"" + std::string(ENDING_FILL) + "\", shape=doubleoctagon";
        } else if (last != p.number) {
            line += ", fillcolor=\"#f2f2f2\"";
        }
        if (!saves.empty()) {
            line += ", color=\"" + std::string(RESTART_COLOR) + "\", penwidth=2.5, xlabel=\"";
            bool first = true;
            for (int32_t k : saves) {
                line += (first ? "" : " ") + std::string("*") + std::to_string(k);
                first = false;
            }
            line += "\", fontcolor=black";
        }
        return line + "];\n";
    };
    // The reader's own screens that lead into the book.
    std::set<int32_t> sources;
    for (const story_edge& e : graph.edges) {
        if (e.from < 0) sources.insert(e.from);
    }
    if (!sources.empty()) {
        dot += "  subgraph cluster_screens {\n    label=\"The reader's screens\"; style=\"rounded,filled\"; "
               "fillcolor=\"#eef2f7\"; color=\"#9aa7b8\"; fontsize=14;\n" + block(sources.size());
        for (int32_t s : sources) {
            const char* label = s == FROM_OPENING ? "Opening screens" : s == FROM_MENU ? "Menu" : "Inventory page";
            dot += "    " + node_id(s) + " [label=\"" + label + "\", shape=component, fillcolor=\"#dde6f2\"];\n";
        }
        dot += "  }\n";
    }

    for (size_t f = 0; f < files.size(); ++f) {
        size_t count = 0;
        for (const story_page& p : graph.pages) {
            count += !p.ending && p.file == files[f] && first_of[p.number] == p.number ? 1 : 0;
        }
        dot += "  subgraph cluster_file" + std::to_string(f) + " {\n    label=" + dot_text(files[f]) +
               "; style=rounded; color=\"#8899aa\"; fontsize=18;\n" + block(count);
        for (const story_page& p : graph.pages) {
            if (!p.ending && p.file == files[f] && first_of[p.number] == p.number) dot += node(p);
        }
        dot += "  }\n";
    }
    bool endings = false;
    for (const story_page& p : graph.pages) endings = endings || p.ending;
    if (endings) {
        std::vector<std::string> ids;
        for (const story_page& p : graph.pages) {
            if (p.ending) ids.push_back(id_of(p.number));
        }
        dot += "  subgraph cluster_endings {\n    label=\"Endings\"; style=\"rounded,filled\"; fillcolor=\"#f1f8ef\"; "
               "color=\"#6a9f5f\"; fontsize=18;\n" + block(ids.size());
        for (const story_page& p : graph.pages) {
            if (p.ending) dot += node(p);
        }
        dot += "  }\n";
        if (!grid) {
            dot += "  { rank=max; ";
            for (const std::string& id : ids) dot += id + "; ";
            dot += "}\n";
        }
    }

    // The edges: one line per pair of nodes and kind, the labels of a
    // pair's edges joined; none within a run of pages.
    std::map<std::tuple<std::string, std::string, int32_t>, std::vector<std::string>> joined;
    std::vector<std::tuple<std::string, std::string, int32_t>> order;
    for (const story_edge& e : graph.edges) {
        if (graph.page(e.to) == nullptr) continue;
        const std::string from = id_of(e.from);
        const std::string to = id_of(e.to);
        if (from == to && from[0] == 'g') continue;
        const auto key = std::make_tuple(from, to, static_cast<int32_t>(e.kind));
        auto [at, fresh] = joined.try_emplace(key);
        if (fresh) order.push_back(key);
        if (!e.label.empty() && std::find(at->second.begin(), at->second.end(), e.label) == at->second.end()) {
            at->second.push_back(e.label);
        }
    }
    for (const auto& key : order) {
        const auto [from, to, kind_number] = key;
        const auto kind = static_cast<edge_kind>(kind_number);
        const edge_style s = style_of(kind);
        std::string labels;
        for (const std::string& l : joined[key]) labels += (labels.empty() ? "" : ", ") + l;
        dot += "  " + from + " -> " + to + " [color=\"" + s.color + (grid ? "70" : "") + "\", style=" + s.style +
               ", arrowhead=" + s.arrow;
        // A choice's label stands on its line when the map is drawn as a
        // flow, shortened to a few words; packed in blocks, a large map
        // would be buried under them, and they stay tooltips.
        if (!labels.empty() && (s.labelled || !grid)) {
            dot += ", label=" + dot_text(shortened(labels, s.labelled ? 24 : 18)) + ", fontsize=8, fontcolor=\"" +
                   s.color + "\"";
        }
        dot += ", tooltip=" + dot_text(std::string(edge_kind_name(kind)) + (labels.empty() ? "" : ": " + labels)) + "];\n";
    }

    // The legend.
    dot += "  subgraph cluster_legend {\n    label=\"Legend\"; style=\"rounded,filled\"; fillcolor=\"#fbfbf4\"; "
           "color=\"#aaaaaa\"; fontsize=16;\n" + (grid ? "    packmode=\"array_u2\"; sortv=" + std::to_string(block_order++) + ";\n" : "") +
           "    node [shape=plaintext, style=\"\", fontsize=10, height=0.2, width=0.2, label=\"\"];\n";
    for (int32_t k = 0; k < EDGE_KIND_COUNT; ++k) {
        const edge_style s = style_of(static_cast<edge_kind>(k));
        const std::string a = "legend_a" + std::to_string(k);
        const std::string b = "legend_b" + std::to_string(k);
        dot += "    " + a + " [sortv=" + std::to_string(2 * k) + "]; " + b + " [sortv=" + std::to_string(2 * k + 1) +
               ", label=" + dot_text(edge_kind_name(static_cast<edge_kind>(k))) + ", width=1.8];\n    " + a + " -> " + b + " [color=\"" + s.color + "\", style=" + s.style +
               ", arrowhead=" + s.arrow + ", minlen=1];\n";
    }
    dot += "    node [shape=box, style=\"rounded,filled\", width=1.6];\n";
    const std::string after = std::to_string(2 * EDGE_KIND_COUNT);
    dot += "    legend_page [label=\"page: number and title\", fillcolor=white, sortv=" + after + "];\n" +
           "    legend_run [label=\"pages 10-15 of one title\", fillcolor=\"#f2f2f2\", sortv=" + after + "];\n" +
           "    legend_unreachable [label=\"cannot be reached\", fillcolor=\"" + UNREACHABLE_FILL + "\", sortv=" +
           after + "];\n" + "    legend_dead_end [label=\"dead end\", fillcolor=\"" + DEAD_END_FILL + "\", sortv=" +
           after + "];\n" + "    legend_ending [label=\"ending (@@ ending)\", shape=doubleoctagon, fillcolor=\"" +
           ENDING_FILL + "\", sortv=" + after + "];\n" + "    legend_restart [label=\"saves restart point *k\", color=\"" +
           RESTART_COLOR + "\", penwidth=2.5, fillcolor=white, sortv=" + after + "];\n";
    dot += "  }\n}\n";
    return dot;
}

}  // namespace tomelet::bookc

// Drawing the map with Graphviz's dot program.

#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "tools/bookc/bookc.h"

extern char** environ;

namespace tomelet::bookc {

namespace {

bool ends_with(const std::string& text, const char* end) {
    const std::string e = end;
    return text.size() > e.size() && text.compare(text.size() - e.size(), e.size(), e) == 0;
}

}  // namespace

bool map_format_known(const std::string& path) { return ends_with(path, ".dot") || ends_with(path, ".svg"); }

bool write_story_map(const std::string& dot, const std::string& path, std::string* error) {
    if (ends_with(path, ".dot")) return write_file_atomically(path, dot, error);
    const std::string source = path + ".map-source.dot";
    const std::string drawn = path + ".map-drawn.svg";
    if (!write_file_atomically(source, dot, error)) return false;
    std::string program = "dot";
    std::string svg = "-Tsvg";
    std::string input = source;
    std::string o = "-o";
    std::string output = drawn;
    char* args[] = {program.data(), svg.data(), input.data(), o.data(), output.data(), nullptr};
    pid_t child = 0;
    int status = 0;
    const bool ran = posix_spawnp(&child, "dot", nullptr, nullptr, args, environ) == 0 &&
                     waitpid(child, &status, 0) == child;
    std::error_code ignored;
    std::filesystem::remove(source, ignored);
    if (!ran || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::filesystem::remove(drawn, ignored);
        *error = "cannot draw " + path + " with Graphviz's dot program (is the package graphviz installed?)";
        return false;
    }
    std::error_code failure;
    std::filesystem::rename(drawn, path, failure);
    if (failure) {
        std::filesystem::remove(drawn, ignored);
        *error = "cannot write " + path + ": " + failure.message();
        return false;
    }
    return true;
}

namespace {

// A JSON string of UTF-8 text: quotes, backslashes and control characters
// escaped.
std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            static const char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

}  // namespace

std::string source_map_json(const story_graph& graph) {
    std::string out = "{\"pages\":[";
    for (size_t i = 0; i < graph.pages.size(); ++i) {
        const story_page& p = graph.pages[i];
        if (i > 0) out += ",";
        out += "\n{\"number\":" + std::to_string(p.number) + ",\"name\":" + json_string(cp1252_to_utf8(p.name)) +
               ",\"title\":" + json_string(cp1252_to_utf8(p.title)) + ",\"file\":" + json_string(p.file) +
               ",\"line\":" + std::to_string(p.line) + "}";
    }
    return out + "\n]}\n";
}

}  // namespace tomelet::bookc
