// Reading the paragraph text files.
//
// A line that starts with `@@` is a comment; `@@ ending` marks the
// paragraph it stands in as an ending of the story (for the story checks).  A line that starts with `@`
// is a paragraph header: `@`, optional blanks, the paragraph number, and
// then either the end of the line or blanks and what follows: a name
// (`#hut-14`, '#' and then letters, digits, '-' and '_'), and a note that is
// ignored.
// Every other line is text of the paragraph opened last; its words are
// separated by any run of blanks, tabs and line breaks.

#include <map>
#include <sstream>
#include <system_error>

#include "tools/bookc/source.h"

namespace tomelet::bookc {

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

bool name_character(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || digit(c) || c == '-' || c == '_';
}

struct header {
    bool ok = false;
    int64_t number = 0;
    std::string problem;
    int32_t problem_column = 0;
    std::string name;
    int32_t name_column = 0;
    int32_t number_column = 0;
};

header read_header(const std::string& line) {
    header h;
    size_t i = 1;
    while (i < line.size() && blank(line[i])) ++i;
    if (i == line.size() || !digit(line[i])) {
        h.problem = "a paragraph header needs a number after '@'";
        return h;
    }
    h.number_column = static_cast<int32_t>(i) + 1;
    while (i < line.size() && digit(line[i])) {
        if (h.number < 1000000) h.number = h.number * 10 + (line[i] - '0');
        ++i;
    }
    if (i < line.size() && !blank(line[i])) {
        h.problem = "the paragraph number must be followed by a blank or the end of the line";
        h.problem_column = static_cast<int32_t>(i) + 1;
        return h;
    }
    while (i < line.size() && blank(line[i])) ++i;
    if (i + 1 < line.size() && line[i] == '#' && name_character(line[i + 1])) {
        // The header's line is still UTF-8 here: a name is ASCII, and the
        // column counts characters.
        h.name_column = static_cast<int32_t>(i) + 1;
        size_t end = i + 1;
        while (end < line.size() && name_character(line[end])) ++end;
        if (end < line.size() && !blank(line[end])) {
            h.problem = "a paragraph name is '#' followed by letters, digits, '-' and '_', and then a blank or the "
                        "end of the line";
            h.problem_column = static_cast<int32_t>(end) + 1;
            return h;
        }
        h.name = line.substr(i + 1, end - i - 1);
    }
    h.ok = true;
    return h;
}

}  // namespace

std::vector<source_paragraph> read_paragraphs(const catalogue& book, diagnostics* out) {
    std::vector<source_paragraph> paragraphs;
    std::map<int64_t, std::pair<std::string, int32_t>> written;  // number -> where
    for (const catalogue::text_file& file : book.text_files) {
        if (out->stopped()) break;
        std::string text;
        const source_read result = read_source_file(file.path, &text);
        if (result == source_read::too_large) {
            out->error(file.name, 0, source_limit_message());
            continue;
        }
        if (result != source_read::ok) {
            if (file.line > 0) {
                out->error(book.file, file.line, "cannot read the text file '" + file.name + "'");
            } else {
                out->error(file.name, 0, "cannot read the text file");
            }
            continue;
        }
        if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);

        source_paragraph* current = nullptr;
        size_t held = 0;  // characters of the current paragraph, as assembled
        bool skipping = false;  // after a faulty header, up to the next one
        bool stray_reported = false;
        std::istringstream lines(text);
        std::string line;
        int32_t line_number = 0;
        while (std::getline(lines, line) && !out->stopped()) {
            ++line_number;
            if (line.compare(0, 2, "@@") == 0) {
                // `@@ ending` (or `@@ ending:`, and any note after it) marks the paragraph
                // opened last as a page where the story ends.
                size_t i = 2;
                while (i < line.size() && blank(line[i])) ++i;
                const bool marks = line.compare(i, 6, "ending") == 0 &&
                                   (i + 6 == line.size() || blank(line[i + 6]) || line[i + 6] == ':');
                if (marks && current != nullptr) {
                    current->ending = true;
                } else if (marks && !skipping) {
                    out->warning(file.name, line_number, "'@@ ending' before the first paragraph header marks nothing");
                }
                // `@@ group NAME` (or `@@ group: NAME`): the story map
                // draws the paragraph in one box with its neighbours of the
                // same group.
                const bool groups = line.compare(i, 5, "group") == 0 &&
                                    (i + 5 == line.size() || blank(line[i + 5]) || line[i + 5] == ':');
                if (groups) {
                    size_t from = i + 5;
                    if (from < line.size() && line[from] == ':') ++from;
                    while (from < line.size() && blank(line[from])) ++from;
                    size_t to = line.size();
                    while (to > from && blank(line[to - 1])) --to;
                    std::string name;
                    std::string problem;
                    if (from == to || !utf8_to_cp1252(line.substr(from, to - from), &name, &problem)) {
                        out->warning(file.name, {line_number, static_cast<int32_t>(i) + 1},
                                     from == to ? "'@@ group' needs a name after it" : "'@@ group': " + problem);
                    } else if (current != nullptr) {
                        current->group = name;
                    } else if (!skipping) {
                        out->warning(file.name, line_number, "'@@ group' before the first paragraph header marks nothing");
                    }
                }
                continue;
            }
            if (!line.empty() && line[0] == '@') {
                current = nullptr;
                skipping = true;
                const header h = read_header(line);
                if (!h.ok) {
                    out->error(file.name, {line_number, h.problem_column}, h.problem);
                    continue;
                }
                const std::string number = std::to_string(h.number);
                if (h.number < 1 || (book.paragraph_count >= 0 && h.number > book.paragraph_count) ||
                    h.number > 32767) {
                    const int64_t top = book.paragraph_count >= 0 ? book.paragraph_count : 32767;
                    out->error(file.name, {line_number, h.number_column},
                               "paragraph number " + number + " is outside 1 to " + std::to_string(top));
                    continue;
                }
                const auto [before, fresh] = written.emplace(h.number, std::make_pair(file.name, line_number));
                if (!fresh) {
                    out->error(file.name, {line_number, h.number_column},
                               "paragraph " + number + " is written twice (first at " + before->second.first + ":" +
                                   std::to_string(before->second.second) + ")");
                    continue;
                }
                paragraphs.push_back({static_cast<int32_t>(h.number), file.name, line_number, {}, false, "", h.name, h.name_column, {}, false});
                current = &paragraphs.back();
                held = 0;
                skipping = false;
                continue;
            }
            std::string converted;
            std::string problem;
            size_t bad_at = 0;
            if (!utf8_to_cp1252(line, &converted, &problem, "\t\r", &bad_at)) {
                // The column counts characters: every byte but UTF-8's
                // continuation bytes begins one.
                int32_t column = 1;
                for (size_t k = 0; k < bad_at && k < line.size(); ++k) {
                    column += (static_cast<unsigned char>(line[k]) & 0xC0) != 0x80 ? 1 : 0;
                }
                out->error(file.name, {line_number, column}, problem);
                continue;
            }
            size_t i = 0;
            while (i < converted.size()) {
                while (i < converted.size() && blank(converted[i])) ++i;
                const size_t start = i;
                while (i < converted.size() && !blank(converted[i])) ++i;
                if (i == start) break;
                if (current != nullptr && current->cut) continue;
                if (current != nullptr && (held += i - start + 1) > PARAGRAPH_HOLD_LIMIT) {
                    current->cut = true;
                } else if (current != nullptr) {
                    // Each byte of the converted line is one character of
                    // the source line.
                    current->words.push_back(
                        {converted.substr(start, i - start), line_number, static_cast<int32_t>(start) + 1, {}});
                } else if (!skipping && !stray_reported) {
                    out->error(file.name, {line_number, static_cast<int32_t>(start) + 1},
                               "text before the first paragraph header");
                    stray_reported = true;
                }
            }
        }
    }
    return paragraphs;
}

}  // namespace tomelet::bookc
