// The page model put back as a new process finds it.
#include <new>

#include "engine/engine.h"
#include "page/display_list.h"

namespace tomelet {

void page_state_reset() { new (&the_engine.page) page_state(); }

}  // namespace tomelet
