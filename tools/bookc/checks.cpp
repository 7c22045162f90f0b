// The checks of the paragraphs' markup.
//
// Each paragraph is walked with the scanner's character rules (`<` begins a
// tag, `>` ends it, `{` and `}` delimit blocks), but every tag is visited,
// including those inside blocks, whatever the story's state would be.  The
// tags are read with the engine's own tag reader and the conditions run
// through the engine's own evaluator.

#include <algorithm>
#include <string>

#include "book/assemble.h"
#include "platform/headless/headless.h"
#include "story/evaluator.h"
#include "story/tag_reader.h"
#include "tools/bookc/source.h"

namespace tomelet::bookc {

namespace {

class paragraph_checker {
public:
    paragraph_checker(const std::vector<bool>& has_text, const compiled_book& book, diagnostics* out)
        : has_text_(has_text), book_(book), out_(out) {}

    void check(const source_paragraph& p) {
        paragraph_ = &p;
        hotword_tags_ = 0;
        text_.clear();
        lines_.clear();
        for (const source_word& word : p.words) {
            text_ += word.text;
            text_ += ' ';
            lines_.insert(lines_.end(), word.text.size() + 1, word.line);
        }
        const auto length = static_cast<int32_t>(text_.size());
        if (length > PARAGRAPH_TEXT_LIMIT) {
            error(p.line, "paragraph " + std::to_string(p.number) + " assembles to " + std::to_string(length) +
                              " characters, more than " + std::to_string(PARAGRAPH_TEXT_LIMIT));
        }
        scan();
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

    void scan() {
        bool in_tag = false;
        bool tag_faulty = false;  // the tag held a brace: reported, not read
        size_t tag_start = 0;
        bool in_block = false;
        int32_t block_line = 0;
        for (size_t i = 0; i < text_.size(); ++i) {
            const char c = text_[i];
            if (in_tag) {
                if (c == '<') {
                    error(lines_[tag_start], "a tag holds '<' (it is not closed before the next tag)");
                    tag_start = i;
                    tag_faulty = false;
                } else if (c == '>') {
                    in_tag = false;
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
                }
                continue;
            }
            if (c == '<') {
                in_tag = true;
                tag_faulty = false;
                tag_start = i;
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
            }
        }
        if (in_tag) error(lines_[tag_start], "a tag is not closed by the end of the paragraph");
        if (in_block) error(block_line, "a block is still open at the end of the paragraph");
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
        ++hotword_tags_;
        if (hotword_tags_ == MAX_HOTWORD_TAGS + 1) {
            error(line, "more than " + std::to_string(MAX_HOTWORD_TAGS) +
                            " hotword-making tags in one paragraph");
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
    }

    void check_bands(int32_t line, const tag_arguments& a) {
        const int16_t targets[MAX_BANDS] = {a.target1, a.target2, a.target3};
        const int32_t bands = std::clamp(a.bands, 1, MAX_BANDS);
        for (int32_t b = 0; b < bands; ++b) check_target(line, targets[b]);
        check_target(line, a.default_target);
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
                check_bands(line, a);
                break;
            case 'u':
                // Always a labelled button, with no target of its own.
                check_number(line, "restart point", a.number, book_.restart_points.size());
                count_hotword(line);
                check_label(line, a);
                break;
            case 's':
                check_number(line, "restart point", a.number, book_.restart_points.size());
                break;
            case 'n':
            case 'p':
                check_target(line, a.number);
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
    int32_t hotword_tags_ = 0;
};

}  // namespace

void check_paragraphs(const std::vector<source_paragraph>& paragraphs, const std::vector<bool>& has_text,
                      compiled_book* book, diagnostics* out) {
    // Conditions read the variables of the book in use.
    const book_tables* previous = the_book;
    book_use(book->tables());
    paragraph_checker checker(has_text, *book, out);
    for (const source_paragraph& p : paragraphs) checker.check(p);
    the_book = previous;
}

}  // namespace tomelet::bookc
