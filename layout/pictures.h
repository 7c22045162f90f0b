// The pictures in the page text: bitmap resources shown at their natural
// size.  Nothing is cached: every measurement and every drawing loads the
// bitmap and releases it at once.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace tomelet {

// The size of bitmap resource `resource`.  A bitmap that cannot be loaded
// or read takes a whole line: its width is from the client's left edge to
// right_edge, its height that of a default-font line (base_line_height).
plat_size measure_picture(uint16_t resource);

// Draws bitmap resource `resource` with its top-left corner at (x, y) and
// returns the width it takes (measured as measure_picture does).  A bitmap
// that cannot be loaded or read draws nothing.
int32_t draw_picture(plat_canvas canvas, uint16_t resource, int32_t x, int32_t y);

}  // namespace tomelet
