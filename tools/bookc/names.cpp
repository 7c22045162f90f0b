// Paragraph names: a header may name its paragraph (`@ 14 #hut-14`), and a
// target may then be written as the name (`<M "Hut 14" #hut-14>`), which
// stands for the paragraph's number minus one.  The names are replaced in
// the words before anything else reads them, so the compiled book is the
// one the numbers would have made.
//
// A name is replaced inside the tags that take targets (M g m N Q R r L d S
// n p), outside their labels ("...") and answers ((...) of S), where a
// target or a number may stand; elsewhere a '#' is text like any other.

#include <map>

#include "tools/bookc/source.h"

namespace tomelet::bookc {

namespace {

bool name_character(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool takes_targets(char letter) {
    switch (letter) {
        case 'M': case 'g': case 'm': case 'N': case 'Q': case 'R': case 'r':
        case 'L': case 'd': case 'S': case 'n': case 'p':
            return true;
        default:
            return false;
    }
}

struct named_paragraph {
    int32_t number;
    std::string file;
    int32_t line;
};

// The tag state of a paragraph's words, carried from word to word (a tag
// may be spread over several).
struct tag_state {
    bool in_tag = false;
    char letter = '\0';
    bool letter_next = false;  // the next character is the tag's letter
    bool in_label = false;     // between double quotes
    bool in_answer = false;    // between ( and ) of an S
};

}  // namespace

void resolve_names(std::vector<source_paragraph>* paragraphs, catalogue* book, diagnostics* out) {
    std::map<std::string, named_paragraph> names;
    for (const source_paragraph& p : *paragraphs) {
        if (p.name.empty()) continue;
        const auto [first, fresh] = names.emplace(p.name, named_paragraph{p.number, p.file, p.line});
        if (!fresh) {
            out->error(p.file, {p.line, p.name_column},
                       "the name #" + p.name + " is given twice (first to paragraph " +
                           std::to_string(first->second.number) + " at " + first->second.file + ":" +
                           std::to_string(first->second.line) + ")");
        }
    }
    // The target a name stands for, or -1 (reported) when no header gives
    // it.
    const auto target_of = [&](const std::string& name, const std::string& file, place at) -> int32_t {
        const auto found = names.find(name);
        if (found != names.end()) return found->second.number - 1;
        out->error(file, at, "no paragraph header gives the name #" + name + " (write it as '@ NUMBER #" + name + "')");
        return -1;
    };

    for (source_paragraph& p : *paragraphs) {
        if (out->stopped()) return;
        tag_state tag;
        for (source_word& word : p.words) {
            std::string rewritten;
            std::vector<int32_t> columns;
            bool changed = false;
            const std::string& text = word.text;
            for (size_t i = 0; i < text.size(); ++i) {
                const char c = text[i];
                const int32_t column = word.columns.empty() ? word.column + static_cast<int32_t>(i) : word.columns[i];
                const auto keep = [&]() {
                    rewritten += c;
                    columns.push_back(column);
                };
                if (tag.letter_next) {
                    tag.letter = c;
                    tag.letter_next = false;
                    keep();
                    continue;
                }
                if (c == '<') {
                    tag = tag_state{true, '\0', true, false, false};
                } else if (c == '>' || c == '}') {
                    tag.in_tag = false;  // the end of the tag, or a brace that abandons it
                } else if (tag.in_tag && c == '"' && !tag.in_answer) {
                    tag.in_label = !tag.in_label;
                } else if (tag.in_tag && tag.letter == 'S' && !tag.in_label && (c == '(' || c == ')')) {
                    tag.in_answer = c == '(';
                } else if (tag.in_tag && c == '#' && takes_targets(tag.letter) && !tag.in_label && !tag.in_answer &&
                           i + 1 < text.size() && name_character(text[i + 1])) {
                    size_t end = i + 1;
                    while (end < text.size() && name_character(text[end])) ++end;
                    const int32_t target = target_of(text.substr(i + 1, end - i - 1), p.file, {word.line, column});
                    if (target < 0) p.unknown_names.push_back({word.line, column});
                    const std::string number = std::to_string(target < 0 ? 0 : target);
                    rewritten += number;
                    // Every character of the number stands where the name
                    // began.
                    columns.insert(columns.end(), number.size(), column);
                    changed = true;
                    i = end - 1;
                    continue;
                }
                keep();
            }
            if (changed) {
                word.text = std::move(rewritten);
                word.columns = std::move(columns);
            }
        }
    }

    // The catalogue's targets given as names.
    for (const catalogue::named_target& t : book->detail_target_names) {
        const int32_t target = target_of(t.name, book->file, t.at);
        if (target >= 0) book->variables[t.row].detail_target = static_cast<int16_t>(target);
        if (target < 0) book->detail_target_lines[t.row] = place{};  // reported: not checked again
    }
    for (const catalogue::named_target& t : book->restart_target_names) {
        const int32_t target = target_of(t.name, book->file, t.at);
        if (target >= 0) book->restart_points[t.row].target = static_cast<int16_t>(target);
        if (target < 0) book->restart_target_lines[t.row] = place{};  // reported: not checked again
    }
}

}  // namespace tomelet::bookc
