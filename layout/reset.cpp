// The layout's state put back as a new process finds it.
#include <new>

#include "engine/engine.h"
#include "layout/painter.h"

namespace tomelet {

void layout_reset() { new (&the_engine.layout) layout_state(); }

}  // namespace tomelet
