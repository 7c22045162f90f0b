// The condition reader as it stood before it was rewritten for speed, kept
// word for word (in its own namespace, with its own stacks) so that the
// tests can run both on the same inputs and compare everything they do.
// Only this comment, the namespace and the two stack accessors at the end
// are new.  Not part of the engine: do not change it to follow the engine.
#include "tests/story/evaluator_reference.h"

#include "story/evaluator.h"

#include "book/book.h"
#include "engine/engine.h"
#include "page/display_list.h"
#include "story/story_state.h"
#include "story/tag_reader.h"

namespace tomelet::previous_evaluator {

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

namespace {

constexpr int32_t STACK_LEVELS = 10;

enum operand_kind : uint8_t {
    OPERAND_RESULT = 0,
    OPERAND_VARIABLE = 1,  // the value is a variable number
    OPERAND_LITERAL = 2,
};

struct operand {
    int16_t value;
    uint8_t kind;
};

struct pending_operator {
    char op;
    int16_t depth;
};

// Level 0 of the operands is the bottom slot: never pushed or popped, it
// takes digits that arrive while the stack is empty and is what an empty
// stack yields.  It keeps its content from one evaluation to the next, as
// the levels above it do (a pop from an empty stack reads level 1).
operand operands[STACK_LEVELS + 1];
pending_operator operators[STACK_LEVELS + 1];  // level 0 unused

char at(int32_t position) {
    if (position < 0 || position >= TAG_BUFFER_SIZE) return '\0';
    return the_engine.play.tag_buffer[position];
}

const variable_state* variable(int16_t n) { return variable_state_at(n); }

uint8_t variable_value(int16_t n) {
    const variable_state* live = variable(n);
    return live != nullptr ? live->value : 0;
}

uint8_t variable_flag(int16_t n) {
    const variable_state* live = variable(n);
    return live != nullptr ? live->flag : 0;
}

// value * 10 + digit, wrapping modulo 2^16 and read back as signed.
int16_t add_digit(int16_t value, char digit) {
    const auto wide = static_cast<uint32_t>(static_cast<uint16_t>(value)) * 10u + static_cast<uint32_t>(digit - '0');
    return static_cast<int16_t>(static_cast<uint16_t>(wide));
}

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// What one evaluation keeps besides the stacks' contents: the counts, the
// parenthesis depth (at most the tag's length either way) and whether a
// comparison's right side is being read.  Every evaluation starts them
// afresh, so they live as long as it does.
struct evaluation {
    int32_t operand_count = 0;
    int32_t operator_count = 0;
    int32_t depth = 0;
    bool right_side = false;

    operand& top_operand() { return operands[operand_count]; }

    void push_operand(int16_t value, uint8_t kind) {
        if (operand_count >= STACK_LEVELS) return;
        ++operand_count;
        operands[operand_count] = operand{value, kind};
        if (operand_count == STACK_LEVELS) show_error("Operands stack overflow");
    }

    void push_operator(char op) {
        if (operator_count >= STACK_LEVELS) return;
        ++operator_count;
        operators[operator_count] = pending_operator{op, static_cast<int16_t>(depth)};
        if (operator_count == STACK_LEVELS) show_error("Operators stack overflow");
    }

    operand pop_operand() {
        if (operand_count <= 0) {
            show_error("Can't remove an operand from an empty stack!");
            return operands[1];
        }
        return operands[operand_count--];
    }

    int16_t pop_operand_raw() { return pop_operand().value; }

    int16_t pop_operand_value() {
        const operand entry = pop_operand();
        if (entry.kind == OPERAND_VARIABLE) return variable_value(entry.value);
        return entry.value;
    }

    void pop_operator() {
        if (operator_count <= 0) {
            show_error("Can't remove an operator from an empty stack!");
            return;
        }
        --operator_count;
    }

    bool top_operator_at_depth() const {
        return operator_count > 0 && operators[operator_count].depth == depth;
    }

    // `)`: evaluate the comparison or flag test pushed at this depth, leave
    // the depth, then apply the negations and connectives pushed at the
    // outer one.
    void close_group() {
        if (top_operator_at_depth()) {
            const char op = operators[operator_count].op;
            if (op == '=' || op == 'x' || op == 'y') {
                pop_operator();
                const int32_t right = pop_operand_value();
                const int32_t left = variable_value(pop_operand_raw());
                const bool result = op == '=' ? left == right : op == 'x' ? left > right : left < right;
                push_operand(result ? 1 : 0, OPERAND_RESULT);
            } else if (op == 'X') {
                pop_operator();
                const int16_t n = pop_operand_raw();
                push_operand(variable_flag(n), OPERAND_RESULT);
            }
        }
        --depth;
        while (top_operator_at_depth()) {
            const char op = operators[operator_count].op;
            if (op == '!') {
                pop_operator();
                operand& top = top_operand();
                top.value = top.value == 0 ? 1 : 0;
            } else if (op == '&' || op == '|') {
                pop_operator();
                const auto right = static_cast<uint8_t>(pop_operand_raw());
                const auto left = static_cast<uint8_t>(pop_operand_raw());
                const bool result = op == '&' ? (left != 0 && right != 0) : (left != 0 || right != 0);
                push_operand(result ? 1 : 0, OPERAND_RESULT);
            } else {
                break;
            }
        }
    }

    // Short-circuit: pass over the right-hand group unread.  Counting
    // parentheses from the current depth, stop on the `)` that brings the
    // count back to it (the main loop then reads that `)`), or at the end
    // of the text.
    int32_t skip_right_group(int32_t cursor) const {
        int32_t count = depth;
        for (char c = at(cursor); c != '\0'; c = at(cursor)) {
            if (c == '(') {
                ++count;
            } else if (c == ')') {
                --count;
                if (count == depth) return cursor;
            }
            ++cursor;
        }
        return cursor;
    }

    // Reads the condition from `cursor` to its end and returns where the
    // reading stopped.  Blanks, runs of digits and the usual `%`, `(` and
    // `)` are told apart before the rarer characters, a run of digits in
    // one step.
    int32_t read(int32_t cursor) {
        for (char c = at(cursor); c != '\0'; c = at(cursor)) {
            ++cursor;
            if (c == ' ') continue;
            if (is_digit(c)) {
                operand& top = top_operand();
                int16_t value = add_digit(top.value, c);
                for (char d = at(cursor); is_digit(d); d = at(cursor)) {
                    value = add_digit(value, d);
                    ++cursor;
                }
                top.value = value;
                right_side = false;
                continue;
            }
            if (c == '%') {
                if (right_side) {
                    top_operand().kind = OPERAND_VARIABLE;
                } else {
                    push_operand(0, OPERAND_VARIABLE);
                }
                continue;
            }
            if (c == '(') {
                ++depth;
                continue;
            }
            if (c == ')') {
                close_group();
                continue;
            }
            switch (c) {
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
                        cursor = skip_right_group(cursor);
                    }
                    break;
                case '|':
                    if (top_operand().value == 0) {
                        push_operator(c);
                    } else {
                        cursor = skip_right_group(cursor);
                    }
                    break;
                default:
                    break;
            }
        }
        return cursor;
    }
};

}  // namespace

// The read position is kept in a local while the condition is read (only
// this reader moves it) and stored in tag_cursor at the end.
uint8_t evaluate_condition() {
    the_engine.play.tag_cursor = 1;
    if (at(0) == '\0') return static_cast<uint8_t>(operands[0].value);
    evaluation e;
    the_engine.play.tag_cursor = static_cast<int16_t>(e.read(at(1) == ' ' ? 2 : 1));
    return static_cast<uint8_t>(e.top_operand().value);
}

void evaluator_reset() {
    for (operand& o : operands) o = operand{0, OPERAND_RESULT};
    for (pending_operator& o : operators) o = pending_operator{'\0', 0};
}

void evaluator_stacks_get(evaluator_stacks* out) {
    for (int32_t i = 0; i <= STACK_LEVELS; ++i) {
        out->operand_values[i] = operands[i].value;
        out->operand_kinds[i] = operands[i].kind;
        out->operator_letters[i] = operators[i].op;
        out->operator_depths[i] = operators[i].depth;
    }
}

void evaluator_stacks_set(const evaluator_stacks& in) {
    for (int32_t i = 0; i <= STACK_LEVELS; ++i) {
        operands[i] = operand{in.operand_values[i], in.operand_kinds[i]};
        operators[i] = pending_operator{in.operator_letters[i], in.operator_depths[i]};
    }
}

}  // namespace tomelet::previous_evaluator
