// The condition evaluator of the `O` and `o` tags.
#pragma once

#include <cstdint>

namespace tomelet {

// Evaluates the condition tag in tag_buffer (from the character after the
// tag letter, or one further when that is a blank) and returns its truth
// value: the low 8 bits of the top operand at the end.
uint8_t evaluate_condition();

// What the stacks hold between evaluations: the operands' bottom slot (level
// 0) and whatever the levels above the counts still hold (levels 1 to 10 of
// both stacks; level 0 of the operators is unused).  For tests, which set
// and compare them.
constexpr int32_t EVALUATOR_LEVELS = 10;
struct evaluator_stacks {
    int16_t operand_values[EVALUATOR_LEVELS + 1];
    uint8_t operand_kinds[EVALUATOR_LEVELS + 1];  // 0 result, 1 variable, 2 literal
    char operator_letters[EVALUATOR_LEVELS + 1];
    int16_t operator_depths[EVALUATOR_LEVELS + 1];
};
void evaluator_stacks_get(evaluator_stacks* out);
void evaluator_stacks_set(const evaluator_stacks& in);

}  // namespace tomelet
