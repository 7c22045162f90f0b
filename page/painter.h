// The painter's page geometry and font metrics that other parts of the page
// read while a page is built.  The painter sets them at every rebuild and
// every paint; their storage lives here.
#pragma once

#include <cstdint>

namespace tomelet {

constexpr int32_t LEFT_MARGIN = 24;

// Right edge of the text lines: text_area's right minus 24.
extern int32_t right_edge;
// Top of the current line in client coordinates; during a build it is the
// provisional place of the next control.
extern int32_t cursor_y;
extern int32_t cursor_x;
extern int32_t line_height;
// tmHeight and tmAveCharWidth of the window's default font.
extern int32_t base_line_height;
extern int32_t avg_char_width;
extern int32_t tab_width;
// Set when the whole window must be painted once more after this paint.
extern uint8_t repaint_after;

}  // namespace tomelet

namespace tomelet {

// The WM_PAINT work: rebuilds the page when page_rebuild is set, then lays
// the whole display list out from scroll_origin, draws it, places the
// controls and keeps the scroll range in step.
void paint_page();

// The painter's running bold state (cleared at start-up and by the restart
// of the story).
extern uint8_t running_bold;

}  // namespace tomelet
