// A page file that uses the layout's part of the engine object: the layer
// check must refuse it.
#include "engine/engine.h"

inline int top() { return tomelet::the_engine.layout.scroll_origin; }
