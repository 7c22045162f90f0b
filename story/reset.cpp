// The story's working state put back as a new process finds it.
#include <new>

#include "engine/engine.h"
#include "story/story_state.h"

namespace tomelet {

void story_reset() { new (&the_engine.play) play_state(); }

}  // namespace tomelet
