#include "story/evaluator.h"

#include <cstring>

#include "book/book.h"
#include "engine/engine.h"
#include "page/display_list.h"
#include "story/story_state.h"
#include "story/tag_reader.h"

namespace tomelet {

// A condition is evaluated straight from the tag's text with two small
// stacks.  Operands: a bottom slot (level 0) and ten levels; operators: ten
// levels, each remembering the parenthesis depth it was pushed at.  Only the
// characters ( ) % 0-9 = x y X ! & | mean anything; everything else is
// passed over.
//
// Text that does not follow the grammar (unbalanced parentheses, digits
// before any `%`, chains longer than the stacks) is still read to its end:
// a push that brings a stack's count to 10 shows the overflow message (so
// a stack filled again after a pop shows it again); a push on a full stack
// is dropped without a message: nothing is stored past level 10 and the
// count stays 10.  A pop from an empty stack shows its message and reads
// level 1 as it stands, and a variable number outside the catalogue reads
// as value 0, flag 0.  The result is then whatever the stacks yield.
//
// The rules are those of reading one character at a time; the usual
// comparison and flag test groups are read in one step to the same effect
// (read_simple_group), and a short-circuit passes over the right-hand group
// without acting on it.  A whole condition as the books write nearly all of
// them, such groups joined by `&`, is read first as one chain and its
// effect stored at once (read_chain); any other text is read by the rules.

namespace {

constexpr int32_t STACK_LEVELS = EVALUATOR_LEVELS;

enum operand_kind : uint8_t {
    OPERAND_RESULT = 0,
    OPERAND_VARIABLE = 1,  // the value is a variable number
    OPERAND_LITERAL = 2,
};

using operand = evaluator_operand;
using pending_operator = evaluator_operator;

// The stacks are play_state's `operands` and `operators`.  Level 0 of the
// operands is the bottom slot: never pushed or popped, it takes digits that
// arrive while the stack is empty and is what an empty stack yields.  It
// keeps its content from one evaluation to the next, as the levels above it
// do (a pop from an empty stack reads level 1).  Level 0 of the operators
// is unused.

// Variable n's live value and flag; 0 outside the catalogue (what
// variable_state_at's bounds give, read in place).
uint8_t variable_value(int32_t n) {
    if (static_cast<uint32_t>(n) >= static_cast<uint32_t>(story_variable_count())) return 0;
    return the_engine.story.variables[n].value;
}

uint8_t variable_flag(int32_t n) {
    if (static_cast<uint32_t>(n) >= static_cast<uint32_t>(story_variable_count())) return 0;
    return the_engine.story.variables[n].flag;
}

constexpr bool is_digit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

[[gnu::always_inline]] inline const char* skip_blanks(const char* p) {
    while (*p == ' ') ++p;
    return p;
}

// A run of digits from p, which is on its first (moved past it), as a
// value pushed as 0 reads it: value * 10 + digit for each, modulo 2^16,
// signed.
[[gnu::always_inline]] inline int16_t read_digits(const char*& p) {
    uint32_t value = static_cast<uint32_t>(*p - '0');
    for (++p; is_digit(*p); ++p) value = value * 10u + static_cast<uint32_t>(*p - '0');
    return static_cast<int16_t>(static_cast<uint16_t>(value));
}

int16_t compare(char op, int32_t left, int32_t right) {
    const bool result = op == '=' ? left == right : op == 'x' ? left > right : left < right;
    return result ? 1 : 0;
}

// A group as the books write nearly all of them: a comparison `(%n op m)`
// or `(%n op %m)` (op one of = x y) or a flag test `(X %n)`, blanks
// allowed between its parts.
struct simple_group {
    char op;  // = x y, or X for a flag test
    int16_t n;
    int16_t m;     // a comparison's right side: the literal or variable number
    uint8_t kind;  // OPERAND_LITERAL or OPERAND_VARIABLE
};

// Reads such a group from just after its `(` into g; returns the position
// after its `)`, or nullptr when the text there has another shape.
[[gnu::always_inline]] inline const char* parse_simple_group(const char* p, simple_group& g) {
    p = skip_blanks(p);
    const bool flag_test = *p == 'X';
    if (flag_test) p = skip_blanks(p + 1);
    if (*p != '%') return nullptr;
    p = skip_blanks(p + 1);
    if (!is_digit(*p)) return nullptr;
    g.n = read_digits(p);
    p = skip_blanks(p);
    if (flag_test) {
        g.op = 'X';
    } else {
        g.op = *p;
        if (g.op != '=' && g.op != 'x' && g.op != 'y') return nullptr;
        p = skip_blanks(p + 1);
        g.kind = OPERAND_LITERAL;
        if (*p == '%') {
            g.kind = OPERAND_VARIABLE;
            p = skip_blanks(p + 1);
        }
        if (!is_digit(*p)) return nullptr;
        g.m = read_digits(p);
        p = skip_blanks(p);
    }
    if (*p != ')') return nullptr;
    return p + 1;
}

// A simple group as the books write it, with one blank on each side of a
// comparison's operator and one after X, and no other: `(%n op m)`,
// `(%n op %m)` or `(X %n)`.  Reads it from its `(` into g; returns the
// position after its `)`, or nullptr when the text there is written
// otherwise (a character is looked at only once those before it are known
// not to be the NUL).
[[gnu::always_inline]] inline const char* parse_plain_group(const char* p, simple_group& g) {
    if (p[0] != '(') return nullptr;
    if (p[1] == 'X') {
        if (p[2] != ' ' || p[3] != '%' || !is_digit(p[4])) return nullptr;
        p += 4;
        g.op = 'X';
        g.n = read_digits(p);
    } else {
        if (p[1] != '%' || !is_digit(p[2])) return nullptr;
        p += 2;
        g.n = read_digits(p);
        if (p[0] != ' ') return nullptr;
        g.op = p[1];
        if ((g.op != '=' && g.op != 'x' && g.op != 'y') || p[2] != ' ') return nullptr;
        p += 3;
        g.kind = OPERAND_LITERAL;
        if (*p == '%') {
            g.kind = OPERAND_VARIABLE;
            ++p;
        }
        if (!is_digit(*p)) return nullptr;
        g.m = read_digits(p);
    }
    if (*p != ')') return nullptr;
    return p + 1;
}

// The group's truth value as it is pushed: the comparison's result, or the
// flag itself.
int16_t simple_group_value(const simple_group& g) {
    if (g.op == 'X') return variable_flag(g.n);
    const int32_t right = g.kind == OPERAND_VARIABLE ? variable_value(g.m) : g.m;
    return compare(g.op, variable_value(g.n), right);
}

// Stores a group read at operand level `level` (the operand count before
// it plus one) with its operator at operator level `at` (the operator count
// plus one) and the depth inside its parentheses: what reading it a
// character at a time leaves, the right side of a comparison as a stale
// entry above its result.
void store_simple_group(const simple_group& g, int32_t level, int32_t at, int16_t group_depth, int16_t value) {
    the_engine.play.operators[at] = pending_operator{g.op, group_depth};
    if (g.op != 'X') the_engine.play.operands[level + 1] = operand{g.m, g.kind};
    the_engine.play.operands[level] = operand{value, OPERAND_RESULT};
}

// Where a chain (evaluation::read_chain) ends, and the operand count and
// depth that reading it by the rules reaches there.
struct chain_end {
    const char* at;
    int32_t operand_count;
    int32_t depth;
};

// What one evaluation keeps besides the stacks' contents: the counts, the
// parenthesis depth (at most the tag's length either way) and whether a
// comparison's right side is being read.  Every evaluation starts them
// afresh, so they live as long as it does (in registers, once inlined).
struct evaluation {
    int32_t operand_count = 0;
    int32_t operator_count = 0;
    int32_t depth = 0;
    bool right_side = false;

    operand& top_operand() { return the_engine.play.operands[operand_count]; }

    void push_operand(int16_t value, uint8_t kind) {
        if (operand_count >= STACK_LEVELS) return;
        ++operand_count;
        the_engine.play.operands[operand_count] = operand{value, kind};
        if (operand_count == STACK_LEVELS) show_error("Operands stack overflow");
    }

    void push_operator(char op) {
        if (operator_count >= STACK_LEVELS) return;
        ++operator_count;
        the_engine.play.operators[operator_count] = pending_operator{op, static_cast<int16_t>(depth)};
        if (operator_count == STACK_LEVELS) show_error("Operators stack overflow");
    }

    operand pop_operand() {
        if (operand_count <= 0) {
            show_error("Can't remove an operand from an empty stack!");
            return the_engine.play.operands[1];
        }
        return the_engine.play.operands[operand_count--];
    }

    int16_t pop_operand_raw() { return pop_operand().value; }

    int16_t pop_operand_value() {
        const operand entry = pop_operand();
        if (entry.kind == OPERAND_VARIABLE) return variable_value(entry.value);
        return entry.value;
    }

    bool top_operator_at_depth() const {
        return operator_count > 0 && the_engine.play.operators[operator_count].depth == depth;
    }

    // `)`: evaluate the comparison or flag test pushed at this depth, leave
    // the depth, then apply the negations and connectives pushed at the
    // outer one.  (Every pop of an operator here follows a look at a
    // non-empty stack, so none of them can meet an empty one.)
    void close_group() {
        if (top_operator_at_depth()) {
            const char op = the_engine.play.operators[operator_count].op;
            if (op == '=' || op == 'x' || op == 'y') {
                --operator_count;
                const int32_t right = pop_operand_value();
                const int32_t left = variable_value(pop_operand_raw());
                push_operand(compare(op, left, right), OPERAND_RESULT);
            } else if (op == 'X') {
                --operator_count;
                const int16_t n = pop_operand_raw();
                push_operand(variable_flag(n), OPERAND_RESULT);
            }
        }
        --depth;
        apply_outer_operators();
    }

    void apply_outer_operators() {
        while (top_operator_at_depth()) {
            const char op = the_engine.play.operators[operator_count].op;
            if (op == '!') {
                --operator_count;
                operand& top = top_operand();
                top.value = top.value == 0 ? 1 : 0;
            } else if (op == '&' || op == '|') {
                --operator_count;
                const auto right = static_cast<uint8_t>(pop_operand_raw());
                const auto left = static_cast<uint8_t>(pop_operand_raw());
                const bool result = op == '&' ? (left != 0 && right != 0) : (left != 0 || right != 0);
                push_operand(result ? 1 : 0, OPERAND_RESULT);
            } else {
                break;
            }
        }
    }

    // A simple group (above) is read in one step from just after its `(`,
    // to the same effect as reading it a character at a time: the same
    // entries are stored on both stacks (and left there as stale contents),
    // the same result is pushed, and the operators pending at the outer
    // depth are applied.  That holds when no comparison's right side is
    // pending (a `%` would then mark the pending side instead of pushing)
    // and neither stack can fill on the way (no message, nothing dropped).
    // Returns the position after the `)`, or nullptr, having changed
    // nothing, when the group has another shape or the stacks are too full:
    // it is then read a character at a time.
    const char* read_simple_group(const char* p) {
        if (right_side || operand_count > STACK_LEVELS - 3 || operator_count > STACK_LEVELS - 2) return nullptr;
        simple_group g{};
        p = parse_simple_group(p, g);
        if (p == nullptr) return nullptr;
        const int32_t level = operand_count + 1;
        store_simple_group(g, level, operator_count + 1, static_cast<int16_t>(depth + 1), simple_group_value(g));
        operand_count = level;
        apply_outer_operators();
        return p;
    }

    // Short-circuit: pass over the right-hand group unread.  Counting
    // parentheses from the current depth, stop on the `)` that brings the
    // count back to it (the main loop then reads that `)`), or at the end
    // of the text.
    static const char* skip_right_group(const char* p, int32_t depth) {
        // NUL, `(` and `)` stop the scan; every other character, most of
        // them above `)`, is passed over with one or two comparisons.
        constexpr uint64_t stops = 1u | uint64_t{1} << '(' | uint64_t{1} << ')';
        int32_t count = depth;
        for (;; ++p) {
            const auto c = static_cast<unsigned char>(*p);
            if (c > ')' || ((stops >> c) & 1) == 0) continue;
            if (c == '\0') return p;
            if (c == '(') {
                ++count;
            } else if (--count == depth) {
                return p;
            }
        }
    }

    // A chain: plain groups (see parse_plain_group) joined by ` & `, each
    // perhaps negated by a `!` right before it, the way the books write
    // nearly every condition.  Read from the text's start (empty stacks)
    // for as far as it goes, to the same effect as reading it by the rules:
    // a group read while the value so far is not 0 stores what
    // read_simple_group stores, at operand level 1 for the first and 2 for
    // the others (the `&` at operator level 1, a `!` above it, the group's
    // operator above that), its result turned into 1 or 0 where it stands
    // by a `!`, and the conjunction of the two values then at level 1; once
    // the value is 0, every `&` passes over its right-hand group unread,
    // which only leaves a depth (no operator is pending).  No stack holds
    // more than three entries on the way, so none can overflow.  Returns
    // where the chain ends (on the NUL as a rule, else where the rest is to
    // be read by the rules), with the operand count and the depth as
    // reading by the rules leaves them there (no operator is pending).
    static chain_end read_chain(const char* p) {
        // variable_value and variable_flag, the catalogue's size looked up
        // once.
        const int32_t variables = story_variable_count();
        const auto value_of = [variables](int16_t n) -> int32_t {
            return static_cast<uint32_t>(n) < static_cast<uint32_t>(variables) ? the_engine.story.variables[n].value : 0;
        };
        const auto flag_of = [variables](int16_t n) -> int16_t {
            return static_cast<uint32_t>(n) < static_cast<uint32_t>(variables) ? the_engine.story.variables[n].flag : 0;
        };
        operand* const operands = the_engine.play.operands;
        pending_operator* const operators = the_engine.play.operators;
        int32_t level = 1;  // the next group's operand level: 1, then 2
        int32_t at_depth = 0;
        for (;;) {
            const char* const before = p;  // the text's start, or the blank before an `&`
            // (Each character is looked at only once those before it are
            // known not to be the NUL.)
            if (level == 2) {
                if (p[0] != ' ' || p[1] != '&' || p[2] != ' ') break;
                p += 3;
            }
            const bool negated = *p == '!';
            simple_group g{};
            const char* const after = parse_plain_group(negated ? p + 1 : p, g);
            if (after == nullptr) {
                p = before;
                break;
            }
            p = after;
            if (level == 2 && operands[1].value == 0) {
                --at_depth;
                continue;
            }
            int32_t op_level = level;
            if (level == 2) operators[1] = pending_operator{'&', static_cast<int16_t>(at_depth)};
            if (negated) operators[op_level++] = pending_operator{'!', static_cast<int16_t>(at_depth)};
            operators[op_level] = pending_operator{g.op, static_cast<int16_t>(at_depth + 1)};
            int16_t value;
            if (g.op == 'X') {
                value = flag_of(g.n);
            } else {
                operands[level + 1] = operand{g.m, g.kind};
                value = compare(g.op, value_of(g.n), g.kind == OPERAND_VARIABLE ? value_of(g.m) : g.m);
            }
            if (negated) value = value == 0 ? 1 : 0;
            operands[level] = operand{value, OPERAND_RESULT};
            if (level == 2) {
                const bool both = static_cast<uint8_t>(operands[1].value) != 0 && static_cast<uint8_t>(value) != 0;
                operands[1] = operand{static_cast<int16_t>(both ? 1 : 0), OPERAND_RESULT};
            }
            level = 2;
        }
        if (p[0] == ' ' && p[1] == '\0') ++p;  // a blank means nothing
        return chain_end{p, level - 1, at_depth};
    }

    // Reads the NUL-terminated text from `p` to its end and returns where
    // the reading stopped: on the NUL.
    const char* read(const char* p) {
        for (;;) {
            const char c = *p++;
            switch (c) {
                case '\0':
                    return p - 1;
                case '0': case '1': case '2': case '3': case '4':
                case '5': case '6': case '7': case '8': case '9': {
                    // value * 10 + digit for each digit, modulo 2^16 (2^32
                    // wrapping keeps the low 16 bits right), read back signed.
                    operand& top = top_operand();
                    uint32_t value = static_cast<uint16_t>(top.value) * 10u + static_cast<uint32_t>(c - '0');
                    for (; is_digit(*p); ++p) value = value * 10u + static_cast<uint32_t>(*p - '0');
                    top.value = static_cast<int16_t>(static_cast<uint16_t>(value));
                    right_side = false;
                    break;
                }
                case '%':
                    if (right_side) {
                        top_operand().kind = OPERAND_VARIABLE;
                    } else {
                        push_operand(0, OPERAND_VARIABLE);
                    }
                    break;
                case '(':
                    if (const char* after = read_simple_group(p)) {
                        p = after;
                    } else {
                        ++depth;
                    }
                    break;
                case ')':
                    close_group();
                    break;
                case '=':
                case 'x':
                case 'y':
                    push_operator(c);
                    push_operand(0, OPERAND_LITERAL);
                    right_side = true;
                    break;
                case 'X':
                case '!':
                    push_operator(c);
                    break;
                case '&':
                    if (top_operand().value != 0) {
                        push_operator(c);
                    } else {
                        p = skip_right_group(p, depth);
                    }
                    break;
                case '|':
                    if (top_operand().value == 0) {
                        push_operator(c);
                    } else {
                        p = skip_right_group(p, depth);
                    }
                    break;
                default:
                    break;
            }
        }
    }
};

// The rest of a text after its chain, read by the rules from where the
// chain ended; returns where the reading stopped and sets *result.  Out of
// line, so that a chain's reading stays small.
[[gnu::noinline]] const char* read_after_chain(const chain_end& chain, uint8_t* result) {
    evaluation e;
    e.operand_count = chain.operand_count;
    e.depth = chain.depth;
    const char* const end = e.read(chain.at);
    *result = static_cast<uint8_t>(e.top_operand().value);
    return end;
}

// Reads the NUL-terminated text of a tag (`text` is tag_buffer or a copy of
// it) and returns the result; tag_cursor becomes the offset of the NUL.
//
// The text is read without a bound per character: every loop stops on a
// NUL, so one must be there.  A NUL in the buffer's last byte guarantees one
// (the reading stops there at the latest), and the engine never stores
// anything else in that byte: the scanner and tag_load keep at most 399
// characters, so only a terminator reaches it, and the buffer starts
// zeroed.  Text written into the buffer directly may fill it to its end;
// such a buffer (last byte not NUL) is read from a copy with a NUL added
// after it, which ends the reading where the buffer's end did.
inline uint8_t evaluate_text(const char* text) {
    const chain_end chain = evaluation::read_chain(text + (text[1] == ' ' ? 2 : 1));
    const char* end = chain.at;
    uint8_t result;
    if (*end == '\0') {
        result = static_cast<uint8_t>(the_engine.play.operands[chain.operand_count].value);
    } else {
        end = read_after_chain(chain, &result);
    }
    the_engine.play.tag_cursor = static_cast<int16_t>(end - text);
    return result;
}

[[gnu::noinline]] uint8_t evaluate_terminated_copy() {
    char copy[TAG_BUFFER_SIZE + 1];
    std::memcpy(copy, the_engine.play.tag_buffer, TAG_BUFFER_SIZE);
    copy[TAG_BUFFER_SIZE] = '\0';
    return evaluate_text(copy);
}

}  // namespace

uint8_t evaluate_condition() {
    the_engine.play.tag_cursor = 1;
    if (the_engine.play.tag_buffer[0] == '\0') return static_cast<uint8_t>(the_engine.play.operands[0].value);
    if (the_engine.play.tag_buffer[TAG_BUFFER_SIZE - 1] != '\0') return evaluate_terminated_copy();
    return evaluate_text(the_engine.play.tag_buffer);
}

void evaluator_stacks_get(evaluator_stacks* out) {
    for (int32_t i = 0; i <= STACK_LEVELS; ++i) {
        out->operand_values[i] = the_engine.play.operands[i].value;
        out->operand_kinds[i] = the_engine.play.operands[i].kind;
        out->operator_letters[i] = the_engine.play.operators[i].op;
        out->operator_depths[i] = the_engine.play.operators[i].depth;
    }
}

void evaluator_stacks_set(const evaluator_stacks& in) {
    for (int32_t i = 0; i <= STACK_LEVELS; ++i) {
        the_engine.play.operands[i] = operand{in.operand_values[i], in.operand_kinds[i]};
        the_engine.play.operators[i] = pending_operator{in.operator_letters[i], in.operator_depths[i]};
    }
}

}  // namespace tomelet
