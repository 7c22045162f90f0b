// The condition evaluator of the `O` and `o` tags.
#pragma once

#include <cstdint>

namespace tomelet {

// Evaluates the condition tag in tag_buffer (from the character after the
// tag letter, or one further when that is a blank) and returns its truth
// value: the low 8 bits of the top operand at the end.
uint8_t evaluate_condition();

// Puts the evaluator's stacks back as they are when the program starts,
// the bottom slot's kept content included.  For tools that run many pages
// in one process and need each to start alike (the fuzz targets).
void evaluator_reset();

}  // namespace tomelet
