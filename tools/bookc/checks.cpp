// The checks of the paragraphs' markup.
//
// Each paragraph is walked with the scanner's character rules (`<` begins a
// tag, `>` ends it, `{` and `}` delimit blocks), but every tag is visited,
// including those inside blocks, whatever the story's state would be.  The
// tags are read with the engine's own tag reader and the conditions run
// through the engine's own evaluator.

#include <algorithm>
#include <memory>
#include <string>

#include "book/assemble.h"
#include "platform/headless/headless.h"
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
                      story_graph* graph)
        : has_text_(has_text), book_(book), out_(out), graph_(graph) {}

    void check(const source_paragraph& p) {
        paragraph_ = &p;
        hotwords_ = {};
        holding_ = false;
        text_.clear();
        lines_.clear();
        for (const source_word& word : p.words) {
            text_ += word.text;
            text_ += ' ';
            lines_.insert(lines_.end(), word.text.size() + 1, word.line);
        }
        page_ = nullptr;
        title_done_ = false;
        held_.clear();
        title_.clear();
        first_words_.clear();
        if (!p.words.empty() && graph_ != nullptr) {
            graph_->pages.push_back({p.number, p.file, p.line, "", p.ending, {}});
            page_ = &graph_->pages.back();
        }
        const auto length = static_cast<int32_t>(text_.size());
        if (length > PARAGRAPH_TEXT_LIMIT) {
            error(p.line, "paragraph " + std::to_string(p.number) + " assembles to " + std::to_string(length) +
                              " characters, more than " + std::to_string(PARAGRAPH_TEXT_LIMIT));
        }
        scan();
        while (!first_words_.empty() && first_words_.back() == ' ') first_words_.pop_back();
        if (page_ != nullptr) page_->title = !title_.empty() ? title_ : first_words_;
        if (!p.words.empty()) {
            const std::string& last = p.words.back().text;
            if (last.size() < 3 || last.compare(last.size() - 3, 3, "<G>") != 0) {
                warning(p.words.back().line,
                        "paragraph " + std::to_string(p.number) +
                            " does not end with <G>: the text after its last tag is never shown");
            }
        }
    }

private:
    void error(int32_t line, const std::string& message) { out_->error(paragraph_->file, line, message); }
    void warning(int32_t line, const std::string& message) { out_->warning(paragraph_->file, line, message); }

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
        int32_t block_line = 0;
        bool gap = true;  // spaces are dropped (after a tag or a brace)
        run_ = 0;
        run_reported_ = false;
        for (size_t i = 0; i < text_.size(); ++i) {
            const char c = text_[i];
            if (in_tag) {
                if (c == '<') {
                    error(lines_[tag_start], "a tag holds '<' (it is not closed before the next tag)");
                    tag_start = i;
                    tag_faulty = false;
                } else if (c == '>') {
                    in_tag = false;
                    gap = true;
                    if (!tag_faulty) check_tag(text_.substr(tag_start + 1, i - tag_start - 1), lines_[tag_start]);
                } else if (c == '{') {
                    if (!tag_faulty) error(lines_[tag_start], "a tag holds '{'");
                    tag_faulty = true;
                } else if (c == '}') {
                    // The reader abandons the tag here and the brace ends
                    // the block.
                    if (!tag_faulty) error(lines_[tag_start], "a tag holds '}'");
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
                    error(lines_[i], "'{' inside a block (blocks do not nest; the block opened at line " +
                                         std::to_string(block_line) + ")");
                } else {
                    in_block = true;
                    block_line = lines_[i];
                }
            } else if (c == '}') {
                if (in_block) {
                    in_block = false;
                } else {
                    error(lines_[i], "'}' without '{'");
                }
                gap = true;
                hotwords_.end_branch();
            } else if (c == ' ') {
                if (gap) continue;
                see_text(c);
                grow_run(lines_[i]);
                // A run longer than 150 characters is emitted at a space,
                // unless a title holds it.
                if (!holding_ && run_ > 150) run_ = 0;
            } else {
                gap = false;
                see_text(c);
                grow_run(lines_[i]);
            }
        }
        if (in_tag) error(lines_[tag_start], "a tag is not closed by the end of the paragraph");
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

    void grow_run(int32_t line) {
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

    void check_number(int32_t line, const char* what, int64_t n, size_t count) {
        if (n < 0 || static_cast<uint64_t>(n) >= count) {
            error(line, std::string(what) + " " + std::to_string(n) + " is outside its table (" + range_text(count) + ")");
        }
    }

    void check_target(int32_t line, int32_t target) {
        const int32_t n = target + 1;
        if (n >= 1 && n < static_cast<int32_t>(has_text_.size()) && has_text_[static_cast<size_t>(n)]) return;
        error(line, "target " + std::to_string(target) + " leads to paragraph " + std::to_string(n) +
                        ", which has no text");
    }

    void count_hotword(int32_t line) {
        if (hotwords_.add() && !hotwords_.reported) {
            hotwords_.reported = true;
            error(line, "more than " + std::to_string(MAX_HOTWORD_TAGS) +
                            " hotword-making tags in one paragraph (branches of one if/else counted apart)");
        }
    }

    void check_label(int32_t line, const tag_arguments& a) {
        if (a.label_source_length >= LABEL_SIZE) {
            error(line, "a hotword label of " + std::to_string(a.label_source_length) + " characters (at most " +
                            std::to_string(LABEL_SIZE - 1) + ")");
        }
    }

    // The label or picture and the target of a tag that makes a hotword
    // button.
    void check_hotword(int32_t line, const tag_arguments& a) {
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

    void check_bands(int32_t line, const tag_arguments& a) {
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
    int32_t note_hotword(int32_t line, const tag_arguments& a, int32_t outcomes) {
        if (graph_ == nullptr || page_ == nullptr) return -1;
        story_hotword h;
        h.paragraph = paragraph_->number;
        h.file = paragraph_->file;
        h.line = line;
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

    void add_edge(int32_t to, edge_kind kind, const std::string& label, int32_t line, int32_t hotword = -1,
                  int32_t outcome = 0) {
        if (graph_ == nullptr || page_ == nullptr) return;
        graph_->edges.push_back({paragraph_->number, to, kind, label, line, hotword, outcome});
    }

    void check_condition(int32_t line, const std::string& tag) {
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
        tag_load(tag.c_str());
        headless::reset();
        evaluate_condition();
        const int32_t shown = std::min(headless::message_count(), headless::MESSAGE_LOG_SIZE);
        for (int32_t m = 0; m < shown; ++m) {
            error(line, std::string("the condition shows the message \"") + headless::message(m).text + "\"");
        }
        headless::reset();
        // The evaluator takes unbalanced parentheses without a word, and
        // what it then yields is an accident of its stacks.
        const std::string condition = tag.substr(1);
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
            return;
        }
        if (shown > 0) return;
        const std::string problem = condition_grammar(condition);
        if (!problem.empty()) warning(line, "the condition '" + condition + "' " + problem);
    }

    void check_tag(const std::string& tag, int32_t line) {
        if (tag.size() >= static_cast<size_t>(TAG_BUFFER_SIZE)) {
            error(line, "a tag of " + std::to_string(tag.size()) + " characters (at most " +
                            std::to_string(TAG_BUFFER_SIZE - 1) + ")");
            return;
        }
        if (tag.empty()) return;
        tag_load(tag.c_str());
        tag_arguments a{};
        parse_tag(&a);
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
                check_condition(line, tag);
                hotwords_.conditional(tag[0]);
                break;
            case 'E':
                hotwords_.conditional(tag[0]);
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
    std::vector<int32_t> lines_;  // the line of each character of text_
    hotword_bound hotwords_;
    story_graph* graph_;
    story_page* page_ = nullptr;  // the page being checked, in graph_
    std::string held_;            // the text held by <H> so far
    std::string title_;
    bool title_done_ = false;
    std::string first_words_;
    bool holding_ = false;  // between <H> and <J>
    int32_t hold_line_ = 0;
    int32_t run_ = 0;       // characters of the run of text the reader holds
    int32_t run_line_ = 0;
    bool run_reported_ = false;
};

}  // namespace

void check_paragraphs(const std::vector<source_paragraph>& paragraphs, const std::vector<bool>& has_text,
                      compiled_book* book, diagnostics* out, story_graph* graph) {
    // Conditions read the variables of the book in use, at their starting
    // values; the book in use and its story's state are put back after.
    const book_tables* previous = the_book;
    const auto saved = std::make_unique<story_state>(the_story);
    book_use(book->tables());
    paragraph_checker checker(has_text, *book, out, graph);
    for (const source_paragraph& p : paragraphs) checker.check(p);
    book_select(previous);
    the_story = *saved;
}

}  // namespace tomelet::bookc
