// The engine object names the layout part.
#include "layout/layout_state.h"
