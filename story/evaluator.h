// The condition evaluator of the `O` and `o` tags.
#pragma once

#include <cstdint>

namespace tomelet {

// Evaluates the condition tag in tag_buffer (from the character after the
// tag letter, or one further when that is a blank) and returns its truth
// value: the low 8 bits of the top operand at the end.
uint8_t evaluate_condition();

}  // namespace tomelet
