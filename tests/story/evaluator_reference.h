// The previous condition reader, kept to compare the engine's against: the
// same interface with stacks of its own.
#pragma once

#include <cstdint>

#include "story/evaluator.h"

namespace tomelet::previous_evaluator {

uint8_t evaluate_condition();
void evaluator_reset();
void evaluator_stacks_get(evaluator_stacks* out);
void evaluator_stacks_set(const evaluator_stacks& in);

}  // namespace tomelet::previous_evaluator
