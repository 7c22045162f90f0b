// The checks of the paragraphs' markup.
//
// Each paragraph is walked with the scanner's character rules (`<` begins a
// tag, `>` ends it, `{` and `}` delimit blocks), but every tag is visited,
// including those inside blocks, whatever the story's state would be.  The
// tags are read with the engine's own tag reader and the conditions run
// through the engine's own evaluator.

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "book/assemble.h"
#include "engine/engine.h"
#include "page/messages.h"
#include "story/evaluator.h"
#include "story/story_state.h"
#include "story/tag_reader.h"
#include "tools/bookc/source.h"
#include "tools/bookc/story_graph.h"

namespace tomelet::bookc {

namespace {

// Checks a condition (the tag's text after its letter) against the
// grammar the evaluator is written for; blanks mean nothing:
//   condition  := term { ('&' | '|') term }
//   term       := '!' term | '(' condition ')' | '(' comparison ')' | '(' 'X' variable ')'
//   comparison := variable ('=' | 'x' | 'y') (number | variable)
//   variable   := '%' digits
// Returns what is wrong, or an empty text when it follows the grammar.
class grammar_reader {
public:
    explicit grammar_reader(const std::string& text) {
        for (char c : text) {
            if (c != ' ') text_ += c;
        }
    }

    std::string check() {
        if (text_.empty()) return "is empty";
        if (!condition()) return problem_;
        if (at_ < text_.size()) return fault("after a complete condition");
        return "";
    }

private:
    char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }

    bool fault_is(const std::string& where) {
        if (problem_.empty()) problem_ = where;
        return false;
    }
    std::string fault(const char* what) {
        const char c = peek();
        return std::string("does not follow the condition grammar: ") +
               (c == '\0' ? std::string("it ends") : std::string("'") + c + "'") + " " + what;
    }

    bool condition() {
        if (!term()) return false;
        while (peek() == '&' || peek() == '|') {
            ++at_;
            if (!term()) return false;
        }
        return true;
    }

    bool term() {
        if (peek() == '!') {
            ++at_;
            return term();
        }
        if (peek() != '(') return fault_is(fault("where a group '(' or '!' should stand"));
        ++at_;
        if (peek() == 'X') {
            ++at_;
            if (!variable()) return false;
        } else if (peek() == '%') {
            if (!variable()) return false;
            if (peek() != '=' && peek() != 'x' && peek() != 'y') {
                return fault_is(fault("where a comparison '=', 'x' or 'y' should stand"));
            }
            ++at_;
            if (peek() == '%') {
                if (!variable()) return false;
            } else if (!digits()) {
                return fault_is(fault("where a number or a variable should stand"));
            }
        } else if (!condition()) {
            return false;
        }
        if (peek() != ')') return fault_is(fault("where ')' should close the group"));
        ++at_;
        return true;
    }

    bool variable() {
        if (peek() != '%') return fault_is(fault("where a variable '%n' should stand"));
        ++at_;
        if (!digits()) return fault_is(fault("where the variable's number should stand"));
        return true;
    }

    bool digits() {
        const size_t start = at_;
        while (peek() >= '0' && peek() <= '9') ++at_;
        return at_ > start;
    }

    std::string text_;
    size_t at_ = 0;
    std::string problem_;
};

std::string condition_grammar(const std::string& condition) { return grammar_reader(condition).check(); }

// A run of text of this many characters overflows the reader's buffer.
constexpr int32_t RUN_LIMIT = 300;

// The most hotword records a paragraph can make in one page build.  The
// blocks after `O`, `o` and `E` of one if/else chain exclude each other, so
// a chain adds the most that any one of its branches makes; every other tag
// counts whether or not its block would run.  An `E` ends its chain: an `o`
// or `E` after it starts a chain of its own.
struct hotword_bound {
    int32_t fixed = 0;         // tags outside the open chain
    int32_t chain_best = 0;    // the open chain's largest closed branch
    int32_t branch = 0;        // the branch being read
    bool in_branch = false;    // between a conditional tag and the next `}`
    bool chain_open = false;   // an `o` or `E` may continue the chain
    bool reported = false;

    int32_t total() const { return fixed + std::max(chain_best, branch); }

    // Counts a hotword-making tag; true when the bound has just passed the
    // limit.
    bool add() {
        const bool was_over = total() > MAX_HOTWORD_TAGS;
        if (in_branch) {
            ++branch;
        } else {
            ++fixed;
        }
        return !was_over && total() > MAX_HOTWORD_TAGS;
    }

    void close_chain() {
        end_branch();
        fixed += chain_best;
        chain_best = 0;
        chain_open = false;
    }

    void end_branch() {
        if (!in_branch) return;
        chain_best = std::max(chain_best, branch);
        branch = 0;
        in_branch = false;
    }

    // A conditional tag: its block, up to the next `}`, is a branch.
    void conditional(char letter) {
        end_branch();
        if (letter == 'O' || !chain_open) close_chain();
        chain_open = letter != 'E';
        in_branch = true;
    }
};

class paragraph_checker {
public:
    paragraph_checker(const std::vector<bool>& has_text, const compiled_book& book, diagnostics* out,
                      story_graph* graph, const std::array<int32_t, 256>* letter_counts)
        : has_text_(has_text), book_(book), out_(out), graph_(graph), letter_counts_(letter_counts) {}

    // `following`: the number of the paragraph written next (in this file
    // or at the start of the next), or -1.
    void check(const source_paragraph& p, int32_t following) {
        paragraph_ = &p;
        following_ = following;
        if_seen_ = false;
        hotwords_ = {};
        holding_ = false;
        text_.clear();
        places_.clear();
        named_.clear();
        for (const source_word& word : p.words) {
            text_ += word.text;
            text_ += ' ';
            for (size_t k = 0; k < word.text.size(); ++k) {
                places_.push_back({word.line, word.columns.empty() ? word.column + static_cast<int32_t>(k) : word.columns[k]});
            }
            places_.push_back({word.line, places_.back().column + 1});
            named_.insert(named_.end(), word.text.size() + 1, !word.columns.empty());
        }
        page_ = nullptr;
        title_done_ = false;
        held_.clear();
        title_.clear();
        first_words_.clear();
        if (!p.words.empty() && graph_ != nullptr) {
            graph_->pages.push_back({p.number, p.file, p.line, "", p.ending, {}, p.group, p.name});
            page_ = &graph_->pages.back();
        }
        const auto length = static_cast<int32_t>(text_.size());
        if (p.cut) {
            error(p.line, "paragraph " + std::to_string(p.number) + " assembles to more than " +
                              std::to_string(PARAGRAPH_HOLD_LIMIT) + " characters, far more than " +
                              std::to_string(PARAGRAPH_TEXT_LIMIT) + ": the compiler reads no further in it");
        } else if (length > PARAGRAPH_TEXT_LIMIT) {
            error(p.line, "paragraph " + std::to_string(p.number) + " assembles to " + std::to_string(length) +
                              " characters, more than " + std::to_string(PARAGRAPH_TEXT_LIMIT) +
                              " (every word counts with one space: tags and the blocks a condition skips too)");
        }
        scan();
        while (!first_words_.empty() && first_words_.back() == ' ') first_words_.pop_back();
        if (page_ != nullptr) page_->title = !title_.empty() ? title_ : first_words_;
        if (!p.words.empty() && !p.cut) {
            const std::string& last = p.words.back().text;
            if (last.size() < 3 || last.compare(last.size() - 3, 3, "<G>") != 0) {
                warning({p.words.back().line, p.words.back().column},
                        "paragraph " + std::to_string(p.number) +
                            " does not end with <G>: the text after its last tag is never shown");
            }
        }
    }

private:
    // Messages quote book text, which is in the reader's character set.
    void error(place line, const std::string& message) { out_->error(paragraph_->file, line, cp1252_to_utf8(message)); }
    void warning(place line, const std::string& message) { out_->warning(paragraph_->file, line, cp1252_to_utf8(message)); }

    // The scanner's walk, with every tag visited.  Besides the braces and
    // tags it follows what the reader would do with the text: the run of
    // text the reader holds before it emits it (a run of 300 characters
    // overflows), the title held between `H` and `J`, and which stretch
    // of the paragraph belongs to which branch of an if/else chain.
    void scan() {
        bool in_tag = false;
        bool tag_faulty = false;  // the tag held a brace: reported, not read
        size_t tag_start = 0;
        bool in_block = false;
        place block_line;
        bool gap = true;  // spaces are dropped (after a tag or a brace)
        run_ = 0;
        run_reported_ = false;
        for (size_t i = 0; i < text_.size(); ++i) {
            const char c = text_[i];
            if (in_tag) {
                if (c == '<') {
                    const bool condition = text_[tag_start + 1] == 'O' || text_[tag_start + 1] == 'o';
                    if (condition) {
                        error(at(i), "'<' in a condition opens a new tag: the condition grammar writes 'less than' as "
                                     "'y', as in (%0 y 3)");
                    } else {
                        error(at(tag_start), "a tag holds '<' (it is not closed before the next tag)");
                    }
                    tag_start = i;
                    // What follows a '<' of a condition is the rest of it:
                    // reported once.
                    tag_faulty = condition;
                } else if (c == '>') {
                    in_tag = false;
                    gap = true;
                    if (!tag_faulty) check_tag(text_.substr(tag_start + 1, i - tag_start - 1), tag_start, i);
                } else if (c == '{') {
                    if (!tag_faulty) error(at(tag_start), "a tag holds '{'");
                    tag_faulty = true;
                } else if (c == '}') {
                    // The reader abandons the tag here and the brace ends
                    // the block.
                    if (!tag_faulty) error(at(tag_start), "a tag holds '}'");
                    in_tag = false;
                    in_block = false;
                    gap = true;
                    hotwords_.end_branch();
                }
                continue;
            }
            if (c == '<') {
                in_tag = true;
                tag_faulty = false;
                tag_start = i;
                if (!holding_) run_ = 0;  // the pending text is emitted
            } else if (c == '{') {
                if (in_block) {
                    error(at(i), "'{' inside a block (blocks do not nest; the block opened at line " +
                                     std::to_string(block_line.line) + ")");
                } else {
                    in_block = true;
                    block_line = at(i);
                }
            } else if (c == '}') {
                if (in_block) {
                    in_block = false;
                } else {
                    error(at(i), "'}' without '{'");
                }
                gap = true;
                hotwords_.end_branch();
                check_joined(i);
            } else if (c == ' ') {
                if (gap) continue;
                see_text(c);
                grow_run(at(i));
                // A run longer than 150 characters is emitted at a space,
                // unless a title holds it.
                if (!holding_ && run_ > 150) run_ = 0;
            } else {
                gap = false;
                see_text(c);
                grow_run(at(i));
            }
        }
        if (in_tag) error(at(tag_start), "a tag is not closed by the end of the paragraph");
        if (in_block) error(block_line, "a block is still open at the end of the paragraph");
        if (holding_) {
            warning(hold_line_, "the title opened with <H> is not closed by <J> in this paragraph "
                                "(its text would run into the next page's title)");
        }
    }

    // The page's title as the reader shows it (the first <H>...<J>), and
    // else its first words, for the story map.
    void see_text(char c) {
        if (holding_) {
            if (!title_done_) held_ += c;
        } else if (first_words_.size() < 40 || (first_words_.size() < 60 && c != ' ')) {
            if (!(c == ' ' && (first_words_.empty() || first_words_.back() == ' '))) first_words_ += c;
        }
    }

    void grow_run(place line) {
        if (run_ == 0) {
            run_line_ = line;
            run_reported_ = false;
        }
        ++run_;
        if (run_ >= RUN_LIMIT && !run_reported_) {
            run_reported_ = true;
            warning(run_line_, std::string(holding_ ? "the title held by <H>" : "a word (with the space after it)") +
                                   " reaches " + std::to_string(RUN_LIMIT) + " characters (the reader keeps at most " +
                                   std::to_string(RUN_LIMIT - 1) + " in one run of text)");
        }
    }

    static std::string range_text(size_t count) {
        return count == 0 ? "the table is empty" : "0 to " + std::to_string(count - 1);
    }

    void check_number(place line, const char* what, int64_t n, size_t count) {
        if (n < 0 || static_cast<uint64_t>(n) >= count) {
            error(line, std::string(what) + " " + std::to_string(n) + " is outside its table (" + range_text(count) + ")");
        }
    }

    bool has_text(int32_t n) const {
        return n >= 1 && n < static_cast<int32_t>(has_text_.size()) && has_text_[static_cast<size_t>(n)];
    }

    void check_target(place line, int32_t target) {
        const int32_t n = target + 1;
        if (has_text(n) || unknown_name_) return;
        std::string hint;
        if (has_text(target)) {
            hint = " (a target is the paragraph number minus one: paragraph " + std::to_string(target) + " is target " +
                   std::to_string(target - 1) + ", or write the paragraph's name)";
        }
        error(line, "target " + std::to_string(target) + " leads to paragraph " + std::to_string(n) +
                        ", which has no text" + hint);
    }

    void count_hotword(place line) {
        if (hotwords_.add() && !hotwords_.reported) {
            hotwords_.reported = true;
            error(line, "more than " + std::to_string(MAX_HOTWORD_TAGS) +
                            " hotword-making tags in one paragraph (branches of one if/else counted apart)");
        }
    }

    void check_label(place line, const tag_arguments& a) {
        if (a.label_source_length >= LABEL_SIZE) {
            error(line, "a hotword label of " + std::to_string(a.label_source_length) + " characters (at most " +
                            std::to_string(LABEL_SIZE - 1) + ")");
        }
    }

    // The label or picture and the target of a tag that makes a hotword
    // button.
    void check_hotword(place line, const tag_arguments& a) {
        count_hotword(line);
        if (a.labelled) {
            check_label(line, a);
        } else {
            check_number(line, "picture", a.picture, book_.pictures.size());
        }
        check_target(line, a.target1);
        const int32_t h = note_hotword(line, a, 1);
        edge_kind kind = EDGE_HOTWORD;
        if (!a.labelled) {
            kind = EDGE_PICTURE;
        } else if (a.letter == 'g') {
            kind = EDGE_LOOK_UP;
        } else if (a.letter == 'm') {
            kind = EDGE_TAKE_UP;
        }
        add_edge(a.target1 + 1, kind, a.labelled ? std::string(a.label) : "picture " + std::to_string(a.picture),
                 line, h, 0);
    }

    void check_bands(place line, const tag_arguments& a) {
        const int16_t targets[MAX_BANDS] = {a.target1, a.target2, a.target3};
        const int32_t bands = std::clamp(a.bands, 1, MAX_BANDS);
        for (int32_t b = 0; b < bands; ++b) check_target(line, targets[b]);
        check_target(line, a.default_target);

        const int32_t h = note_hotword(line, a, bands + 1);
        if (a.letter == 'S') {
            for (int32_t b = 0; b < bands; ++b) {
                std::string quoted = "\"";
                quoted += a.answers[b];
                quoted += '"';
                add_edge(targets[b] + 1, EDGE_ANSWER, quoted, line, h, b);
            }
            add_edge(a.default_target + 1, EDGE_ANSWER_DEFAULT, "other answers", line, h, bands);
            return;
        }
        // The rolls each band takes: the chances are running sums, and a
        // luck button (L) has one band.
        const int32_t sides = a.letter == 'L' ? 20 : 100;
        const int32_t used = a.letter == 'L' ? 1 : bands;
        int32_t low = 1;
        int32_t sum = 0;
        for (int32_t b = 0; b < used; ++b) {
            sum += a.chances[b];
            const int32_t high = std::min(sum, sides);
            add_edge(targets[b] + 1, EDGE_CHANCE, roll_range(low, high, sides), line, h, b);
            low = std::max(low, high + 1);
        }
        add_edge(a.default_target + 1, EDGE_CHANCE_DEFAULT, roll_range(low, sides, sides), line, h, used);
    }

    static std::string roll_range(int32_t low, int32_t high, int32_t sides) {
        if (high < low) return "never (of " + std::to_string(sides) + ")";
        if (high == low) return std::to_string(low) + " of " + std::to_string(sides);
        return std::to_string(low) + "-" + std::to_string(high) + " of " + std::to_string(sides);
    }

    // Records a hotword-making tag in the story graph; returns its index.
    int32_t note_hotword(place line, const tag_arguments& a, int32_t outcomes) {
        if (graph_ == nullptr || page_ == nullptr) return -1;
        story_hotword h;
        h.paragraph = paragraph_->number;
        h.file = paragraph_->file;
        h.line = line.line;
        h.kind = a.letter == 'r' ? 'R' : a.letter;
        h.label = a.labelled ? a.label : "";
        h.picture = a.makes_hotword && !a.labelled;
        h.index = a.number;
        h.target1 = a.target1;
        h.default_target = a.default_target;
        h.outcomes = outcomes;
        graph_->hotwords.push_back(h);
        return static_cast<int32_t>(graph_->hotwords.size()) - 1;
    }

    void add_edge(int32_t to, edge_kind kind, const std::string& label, place line, int32_t hotword = -1,
                  int32_t outcome = 0) {
        if (graph_ == nullptr || page_ == nullptr) return;
        graph_->edges.push_back({paragraph_->number, to, kind, label, line.line, hotword, outcome});
    }

    // Mistakes of a condition that the evaluator would read without a word
    // (or with a message of its own that says nothing of the cause): '=='
    // and '!=', a '>' that closed the tag, a name where a variable or a
    // number stands, a variable compared with a number that has no values.
    // True when one was reported.
    bool check_condition_words(const std::string& tag, size_t start, size_t end) {
        const size_t size = book_.variables.size();
        closed_early_ = false;
        const auto where = [&](size_t k) { return at(start + 1 + k); };
        bool reported = false;
        int64_t left = -1;  // the variable of the comparison being read
        char before = '(';  // the last character that is not a blank
        for (size_t k = 1; k < tag.size(); ++k) {
            const char c = tag[k];
            if (c == ' ') continue;
            const char next = k + 1 < tag.size() ? tag[k + 1] : '\0';
            if ((c == '=' || c == '!') && next == '=') {
                error(where(k), std::string("'") + c + "=' in a condition: " +
                                    (c == '='
                                         ? "the grammar compares with a single '=' (and 'x' for greater, 'y' for less)"
                                         : "the grammar has no '!='; write !(%v = n) ('=' equal, 'x' greater, 'y' less)"));
                reported = true;
                ++k;
                before = '=';
                continue;
            }
            if ((c == '&' || c == '|') && next == c) {
                error(where(k), std::string("'") + c + c + "' in a condition: the grammar joins groups with a single '" +
                                    c + "'");
                reported = true;
                ++k;
                before = c;
                continue;
            }
            if (c == '%') {
                size_t d = k + 1;
                int64_t n = 0;
                while (d < tag.size() && tag[d] >= '0' && tag[d] <= '9') n = std::min<int64_t>(n * 10 + (tag[d++] - '0'), 1000000);
                if (before == '=' || before == 'x' || before == 'y') {
                    left = -1;  // compared with a variable
                } else {
                    left = n;
                }
                k = d - 1;
                before = '0';
                continue;
            }
            if (c >= '0' && c <= '9') {
                if ((before == '=' || before == 'x' || before == 'y') && left >= 0 && static_cast<size_t>(left) < size &&
                    book_.variables[static_cast<size_t>(left)].values.empty()) {
                    const compiled_variable& v = book_.variables[static_cast<size_t>(left)];
                    error(where(k), "variable " + std::to_string(left) + " (" + v.name +
                                        ") is compared with a number but has no 'values' in book.toml, so it never "
                                        "takes one");
                    reported = true;
                }
                while (k + 1 < tag.size() && tag[k + 1] >= '0' && tag[k + 1] <= '9') ++k;
                before = '0';
                continue;
            }
            const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
            if (!letter) {
                before = c;
                continue;
            }
            size_t e = k;
            while (e < tag.size() && ((tag[e] >= 'a' && tag[e] <= 'z') || (tag[e] >= 'A' && tag[e] <= 'Z') ||
                                      (tag[e] >= '0' && tag[e] <= '9') || tag[e] == '_')) {
                ++e;
            }
            const std::string word = tag.substr(k, e - k);
            // The grammar's own letters: x and y compare, X tests the held
            // flag.
            if (word == "x" || word == "y" || word == "X") {
                before = c;
                continue;
            }
            reported = true;
            const bool value_side = before == '=' || before == 'x' || before == 'y';
            std::string lower;
            for (char w : word) lower += static_cast<char>(w >= 'A' && w <= 'Z' ? w - 'A' + 'a' : w);
            if (lower == "and" || lower == "or" || lower == "not") {
                error(where(k), "'" + word + "' in a condition: the grammar writes " +
                                    (lower == "and" ? "'&'" : lower == "or" ? "'|'" : "'!' before a group"));
            } else if (value_side) {
                std::string hint;
                if (left >= 0 && static_cast<size_t>(left) < size) {
                    const std::vector<std::string>& values = book_.variables[static_cast<size_t>(left)].values;
                    for (size_t v = 0; v < values.size(); ++v) {
                        if (values[v] == word) hint = " (" + word + " is value " + std::to_string(v) + " of variable " +
                                                      std::to_string(left) + ": write " + std::to_string(v) + ")";
                    }
                }
                error(where(k), "a name, '" + word + "', where a number stands: a condition compares with a value's "
                                "number (the reader would read the name as 0)" + hint);
            } else {
                std::string hint;
                for (size_t v = 0; v < size; ++v) {
                    if (book_.variables[v].name == word) hint = " (the variable " + word + " is %" + std::to_string(v) + ")";
                }
                error(where(k), "a name, '" + word + "', where a variable '%n' should stand" + hint);
            }
            k = e - 1;
            before = '0';
        }
        // A '>' written for "greater than" closes the tag: what is left of
        // the comparison follows the tag as text.
        int32_t depth = 0;
        for (char c : tag) depth += c == '(' ? 1 : c == ')' ? -1 : 0;
        size_t after = end + 1;
        while (after < text_.size() && text_[after] == ' ') ++after;
        if (depth > 0 && after < text_.size() &&
            (text_[after] == '%' || text_[after] == '=' || (text_[after] >= '0' && text_[after] <= '9'))) {
            error(at(end), "'>' in a condition closes the tag: the grammar writes 'greater than' as 'x', as in "
                           "(%0 x 3)");
            reported = true;
            closed_early_ = true;
        }
        return reported;
    }

    // False when the condition was cut short by a '>' (reported).
    bool check_condition(place line, const std::string& tag, size_t start, size_t end) {
        // The variables it names, read as the evaluator reads them.
        for (size_t i = 0; i < tag.size(); ++i) {
            if (tag[i] != '%') continue;
            uint32_t n = 0;
            while (i + 1 < tag.size() && tag[i + 1] >= '0' && tag[i + 1] <= '9') {
                n = (n * 10 + static_cast<uint32_t>(tag[i + 1] - '0')) % 65536;
                ++i;
            }
            check_number(line, "variable", n, book_.variables.size());
        }
        if (check_condition_words(tag, start, end)) return !closed_early_;
        tag_load(tag.c_str());
        // What the evaluator reports goes to the page model's messages,
        // read from there and never shown.
        drop_held_messages();
        evaluate_condition();
        std::vector<std::string> messages;
        for (int32_t m = 0; m < held_message_count(); ++m) messages.push_back(held_message_text(m));
        drop_held_messages();
        const std::string condition = tag.substr(1);
        const std::string problem = condition_grammar(condition);
        // The reader's own message says what went wrong in its stacks, not
        // in the text: the grammar's account comes first.
        for (const std::string& message : messages) {
            error(line, (problem.empty() ? "the condition" : "the condition '" + condition + "' " + problem + ";") +
                            " the reader would show the message \"" + message + "\"");
        }
        // The evaluator takes unbalanced parentheses without a word, and
        // what it then yields is an accident of its stacks.
        int32_t depth = 0;
        int32_t opened = 0;
        int32_t closed = 0;
        bool early = false;  // a `)` before its `(`
        for (char c : condition) {
            if (c == '(') ++opened, ++depth;
            if (c == ')') ++closed, early = early || --depth < 0;
        }
        if (opened != closed || early) {
            error(line, "unbalanced parentheses in the condition '" + condition + "' (" + std::to_string(opened) +
                            " '(' and " + std::to_string(closed) + " ')')");
            return true;
        }
        if (messages.empty() && !problem.empty()) warning(line, "the condition '" + condition + "' " + problem);
        return true;
    }

    // Where character `i` of the paragraph's text was written.
    place at(size_t i) const { return i < places_.size() ? places_[i] : place{paragraph_->line}; }

    // A tag's letter that the reader does not know, or a letter of a tag
    // that takes nothing written with more: the reader ignores the tag (a
    // hotword written with it vanishes).  True when reported.
    bool check_letter(const std::string& tag, place line) {
        static const std::string with_arguments = "ALMNOQRSVWdglmnoprsuv";
        static const std::string without = "BCDEFGHIJKPTUYa";
        const char letter = tag[0];
        if (with_arguments.find(letter) != std::string::npos) return false;
        if (without.find(letter) == std::string::npos) {
            const std::string shown = letter == ' ' ? std::string("a blank") : "'" + std::string(1, letter) + "'";
            error(line, "unknown tag letter " + shown + " in <" + shortened(tag) +
                            ">: the reader ignores the whole tag" +
                            (letter == ' ' ? std::string(" (the letter must follow '<' at once)") : ""));
            return true;
        }
        if (tag.find_first_not_of(' ', 1) == std::string::npos) return false;
        error(line, "<" + std::string(1, letter) + "> takes nothing after its letter, but <" + shortened(tag) +
                        "> holds more: the reader ignores it" +
                        (tag.find('"') != std::string::npos ? std::string(" (a hotword is <M \"label\" target>)") : ""));
        return true;
    }

    static std::string shortened(const std::string& tag) { return tag.size() <= 40 ? tag : tag.substr(0, 37) + "..."; }

    // Numbers the reader would cut before it uses them: every number of a
    // tag is kept as its low 16 bits, and a chance of L and d as its low 8,
    // so 65537 would read as 1.  Reported with the number as written; true
    // when one was (the tag's other checks would then speak of the cut
    // number).
    bool check_written_numbers(const std::string& tag, size_t start) {
        const char letter = tag[0];
        bool in_label = false;
        int32_t paren = 0;
        bool reported = false;
        for (size_t i = 1; i < tag.size(); ++i) {
            const char c = tag[i];
            if (c == '"' && paren == 0 && letter != 'O' && letter != 'o') in_label = !in_label;
            if (in_label) continue;
            if (c == '(') ++paren;
            if (c == ')' && paren > 0) --paren;
            // The answers of S are text.
            if (letter == 'S' && paren > 0) continue;
            if (c < '0' || c > '9') continue;
            const size_t first = i;
            uint64_t value = 0;
            while (i < tag.size() && tag[i] >= '0' && tag[i] <= '9') {
                if (value < 100000000000ull) value = value * 10 + static_cast<uint64_t>(tag[i] - '0');
                ++i;
            }
            --i;
            const bool negative = first > 1 && tag[first - 1] == '-';
            const std::string written = (negative ? "-" : "") + tag.substr(first, i - first + 1);
            const bool chance = (letter == 'L' || letter == 'd') && paren > 0;
            const uint64_t most = chance ? 127 : negative ? 32768 : 32767;
            if (value <= most) continue;
            const uint32_t low = static_cast<uint32_t>(negative ? 0 - value : value);
            const int32_t cut = chance ? static_cast<int8_t>(low & 0xFF) : static_cast<int16_t>(low & 0xFFFF);
            error(at(start + 1 + first - (negative ? 1 : 0)),
                  std::string(chance ? "the chance " : "the number ") + written + " is larger than the reader keeps (" +
                      (chance ? "a chance is at most 127" : "a number is -32768 to 32767") +
                      "): it would read it as " + std::to_string(cut));
            reported = true;
        }
        return reported;
    }

    // A conditional tag (O, o, E, u) must be followed by its block: when it
    // is false the reader skips everything up to the next '}', wherever
    // that is.
    void check_block_follows(char letter, size_t end, place line) {
        size_t next = end + 1;
        while (next < text_.size() && text_[next] == ' ') ++next;
        if (next < text_.size() && text_[next] == '{') return;
        error(line, "<" + std::string(1, letter) +
                        "> is not followed by a block '{...}': when it is false the reader skips everything up to the "
                        "next '}'" + (next < text_.size() ? "" : " (here: the rest of the paragraph)"));
    }

    // The reader drops the blanks after a '}': a word written after them
    // is joined to the text before the block's end.
    void check_joined(size_t brace) {
        // Text that ends with a blank keeps it, and a tag before the brace
        // ends what it shows itself.
        if (brace == 0 || text_[brace - 1] == ' ' || text_[brace - 1] == '>' || text_[brace - 1] == '{') return;
        size_t next = brace + 1;
        while (next < text_.size() && text_[next] == ' ') ++next;
        if (next == brace + 1 || next >= text_.size()) return;
        const char c = text_[next];
        if (c == '<' || c == '{' || c == '}' || c == '>') return;
        size_t end = next;
        while (end < text_.size() && text_[end] != ' ' && text_[end] != '<' && text_[end] != '{' && text_[end] != '}') {
            ++end;
        }
        warning(at(next), "the blank after '}' is dropped by the reader, so '" + text_.substr(next, end - next) +
                              "' is joined to the text before it; write <a> after the '}' for a space");
    }

    // A typo that makes another real tag: a take-up hotword <m> (which
    // always moves the reader's place) in a book that writes the plain
    // hotword <M> a hundred times as often.
    void check_case_typo(char letter, place line) {
        if (letter != 'm' || letter_counts_ == nullptr) return;
        const int32_t plain = (*letter_counts_)['M'];
        const int32_t take_up = (*letter_counts_)['m'];
        if (take_up > 2 || plain < 100 * take_up) return;
        warning(line, "<m> (a take-up hotword, which always moves the reader's place) is written " +
                          std::to_string(take_up) + (take_up == 1 ? " time" : " times") + " in this book and <M> " +
                          std::to_string(plain) + " times: is this <m> meant as <M>?");
    }

    // A target written as the paragraph's own number leads to the next
    // paragraph (targets are numbers minus one).  Reported only where that
    // is unlikely to be meant: the next paragraph is not the one written
    // after this one (a "go on" to the page that follows in the source is
    // common), and the tag did not name it.
    void check_own_number(place line, const tag_arguments& a, bool named) {
        if (named) return;
        const int16_t targets[] = {a.target1, a.target2, a.target3, a.default_target};
        const int32_t count = a.letter == 'L' || a.letter == 'd' || a.letter == 'S' ? 4 : 1;
        const int32_t own = paragraph_->number;
        for (int32_t k = 0; k < count; ++k) {
            if (targets[k] != own || (k > 0 && k < 3 && k >= a.bands)) continue;
            // A target to a page without text has its own error.
            if (following_ == own + 1 || !has_text(own + 1)) return;
            warning(line, "target " + std::to_string(own) + " is this paragraph's own number, but leads to paragraph " +
                              std::to_string(own + 1) + " (a target is the paragraph number minus one: this page is " +
                              std::to_string(own - 1) + ", or write a paragraph's name)");
            return;
        }
    }

    void check_tag(const std::string& tag, size_t start, size_t end) {
        const place line = at(start);
        if (tag.size() >= static_cast<size_t>(TAG_BUFFER_SIZE)) {
            error(line, "a tag of " + std::to_string(tag.size()) + " characters (at most " +
                            std::to_string(TAG_BUFFER_SIZE - 1) + ")");
            return;
        }
        if (tag.empty()) return;
        if (check_letter(tag, line)) return;
        if (check_written_numbers(tag, start)) return;
        check_case_typo(tag[0], line);
        tag_load(tag.c_str());
        tag_arguments a{};
        parse_tag(&a);
        bool named = false;
        unknown_name_ = false;
        for (size_t k = start; k <= end; ++k) {
            if (!named_[k]) continue;
            named = true;
            for (const place& u : paragraph_->unknown_names) {
                unknown_name_ = unknown_name_ || (u.line == places_[k].line && u.column == places_[k].column);
            }
        }
        if (a.makes_hotword || tag[0] == 'n' || tag[0] == 'p') check_own_number(line, a, named);
        const size_t variables = book_.variables.size();
        switch (tag[0]) {
            case 'M':
            case 'g':
            case 'm':
                check_hotword(line, a);
                break;
            case 'N':
            case 'Q':
            case 'R':
            case 'r':
                check_number(line, "variable", a.number, variables);
                if (tag[0] == 'r' && a.number >= 0 && static_cast<size_t>(a.number) < variables &&
                    book_.variables[static_cast<size_t>(a.number)].values.empty()) {
                    error(line, "variable " + std::to_string(a.number) + " (" +
                                    book_.variables[static_cast<size_t>(a.number)].name +
                                    ") is counted with <r> but has no 'values' in book.toml: its top value is -1, so "
                                    "it never counts");
                }
                if (tag[0] == 'R' && a.value_form == VALUE_VARIABLE) {
                    check_number(line, "variable", a.value_number, variables);
                }
                if (tag[0] == 'R' && a.value_form == VALUE_NUMBER && a.number >= 0 &&
                    static_cast<size_t>(a.number) < variables) {
                    const int32_t top = static_cast<int32_t>(book_.variables[static_cast<size_t>(a.number)].values.size()) - 1;
                    if (a.value_number < 0) {
                        warning(line, "the value " + std::to_string(a.value_number) + " of variable " +
                                          std::to_string(a.number) + " is negative");
                    } else if (a.value_number > top) {
                        warning(line, "the value " + std::to_string(a.value_number) + " of variable " +
                                          std::to_string(a.number) + " is above its top value " + std::to_string(top));
                    }
                }
                if (!a.immediate) check_hotword(line, a);
                break;
            case 'l':
                check_number(line, "variable", a.number, variables);
                // A held title takes the name in; count the longest.
                if (holding_ && a.number >= 0 && static_cast<size_t>(a.number) < variables) {
                    size_t longest = 0;
                    for (const std::string& v : book_.variables[static_cast<size_t>(a.number)].values) {
                        longest = std::max(longest, v.size());
                    }
                    for (size_t k = 0; k < longest; ++k) grow_run(line);
                    if (!title_done_) held_ += "[" + book_.variables[static_cast<size_t>(a.number)].name + "]";
                }
                break;
            case 'a':
                if (holding_) {
                    grow_run(line);
                    see_text(' ');
                }
                break;
            case 'L':
            case 'd':
            case 'S':
                count_hotword(line);
                if (tag[0] == 'S') {
                    for (int32_t b = 0; b < std::clamp(a.bands, 1, MAX_BANDS); ++b) {
                        if (a.answer_source_lengths[b] >= ANSWER_SIZE) {
                            error(line, "an answer of " + std::to_string(a.answer_source_lengths[b]) +
                                            " characters (at most " + std::to_string(ANSWER_SIZE - 1) + ")");
                        }
                    }
                } else {
                    check_label(line, a);
                }
                if (tag[0] == 'L' && a.bands > 1) {
                    warning(line, "a luck button (L) rolls against its first chance only: the " +
                                      std::to_string(a.bands - 1) + (a.bands == 2 ? " band after it is" : " bands after it are") +
                                      " never used (a percent button, d, reads them)");
                }
                check_bands(line, a);
                break;
            case 'u':
                // Always a labelled button, with no target of its own.
                check_block_follows('u', end, line);
                check_number(line, "restart point", a.number, book_.restart_points.size());
                count_hotword(line);
                check_label(line, a);
                // Its edges lead wherever the point may have been saved;
                // they are added once every page is read.
                note_hotword(line, a, 1);
                break;
            case 'A':
                check_number(line, "sound", a.number, book_.sounds.size());
                break;
            case 'V':
            case 'v':
                check_number(line, "picture", a.number, book_.pictures.size());
                break;
            case 'O':
            case 'o':
            case 'E':
                // An else or else-if reads the result of the last <O> (or
                // <o>) of the paragraph; before any, the reader takes it as
                // true and always skips the block.
                if (tag[0] == 'O') if_seen_ = true;
                if (!if_seen_) {
                    error(line, "<" + std::string(1, tag[0]) +
                                    "> without an <O> before it in the paragraph: the reader always skips its block");
                }
                hotwords_.conditional(tag[0]);
                // A '>' that closed the condition early has been reported.
                if (tag[0] == 'E' || check_condition(line, tag, start, end)) check_block_follows(tag[0], end, line);
                break;
            case 'W':
                if (a.number < 0 || a.number > 2) {
                    warning(line, "the alignment " + std::to_string(a.number) +
                                      " is not one of 0 (left), 1 (centre) and 2 (right)");
                }
                break;
            case 'H':
                if (!holding_) hold_line_ = line;
                holding_ = true;
                break;
            case 'J':
                holding_ = false;
                run_ = 0;
                if (!title_done_ && held_.find_first_not_of(' ') != std::string::npos) {
                    title_ = held_;
                    while (!title_.empty() && title_.back() == ' ') title_.pop_back();
                    title_done_ = true;
                }
                held_.clear();
                break;
            case 'n':
            case 'p':
                check_target(line, a.number);
                add_edge(a.number + 1, tag[0] == 'n' ? EDGE_NEXT : EDGE_PREV, "", line);
                break;
            case 's':
                check_number(line, "restart point", a.number, book_.restart_points.size());
                if (page_ != nullptr) page_->saves.push_back(a.number);
                break;
            default:
                break;
        }
    }

    const std::vector<bool>& has_text_;
    const compiled_book& book_;
    diagnostics* out_;
    const source_paragraph* paragraph_ = nullptr;
    std::string text_;
    int32_t following_ = -1;
    bool if_seen_ = false;  // an <O> came before in the paragraph
    bool unknown_name_ = false;  // the tag names a paragraph no header names
    bool closed_early_ = false;  // the condition being checked was closed by a '>' of its own
    std::vector<place> places_;  // where each character of text_ was written
    std::vector<bool> named_;    // the character is of a paragraph name's number
    hotword_bound hotwords_;
    story_graph* graph_;
    const std::array<int32_t, 256>* letter_counts_;  // tags of the whole book, by letter
    story_page* page_ = nullptr;  // the page being checked, in graph_
    std::string held_;            // the text held by <H> so far
    std::string title_;
    bool title_done_ = false;
    std::string first_words_;
    bool holding_ = false;  // between <H> and <J>
    place hold_line_;
    int32_t run_ = 0;       // characters of the run of text the reader holds
    place run_line_;
    bool run_reported_ = false;
};

}  // namespace

void check_paragraphs(const std::vector<source_paragraph>& paragraphs, const std::vector<bool>& has_text,
                      compiled_book* book, diagnostics* out, story_graph* graph) {
    // Conditions read the variables of the book in use, at their starting
    // values; the book in use and its story's state are put back after.
    const book_tables* previous = the_engine.book.tables;
    const auto saved = std::make_unique<story_state>(the_engine.story);
    book_use(book->tables());
    // How often the book writes each tag letter (for the typo check).
    std::array<int32_t, 256> letters{};
    for (const source_paragraph& p : paragraphs) {
        for (const source_word& w : p.words) {
            for (size_t k = 0; k + 1 < w.text.size(); ++k) {
                if (w.text[k] == '<') ++letters[static_cast<unsigned char>(w.text[k + 1])];
            }
        }
    }
    paragraph_checker checker(has_text, *book, out, graph, &letters);
    for (size_t i = 0; i < paragraphs.size() && !out->stopped(); ++i) {
        checker.check(paragraphs[i], i + 1 < paragraphs.size() ? paragraphs[i + 1].number : -1);
    }
    book_select(previous);
    the_engine.story = *saved;
}

}  // namespace tomelet::bookc
