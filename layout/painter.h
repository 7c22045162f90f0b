// The layout and painter: lays out the page model it is given (the display
// list and the controls' tables) from the scroll origin, draws it, places
// the controls in their lines and keeps the scroll range in step.  It
// never decides what page to build.
#pragma once

#include <cstdint>

#include "layout/layout_state.h"
#include "platform/platform.h"

namespace tomelet {

// Lays the whole display list out from scroll_origin, places the controls
// and keeps the scroll range in step, then paints it once: a layout that
// moves a control is followed by another before anything is drawn, so a
// new page is painted once, with its controls already in their lines.
void draw_page();

// The layout's own state is the engine object's `layout` part
// (layout/layout_state.h).

// How many characters of `text` fit in `available` pixels in `font`,
// breaking only after spaces (a fitted piece keeps its trailing space).  The
// characters measured are copied into `scratch` (FIT_SCRATCH_SIZE bytes; at
// most 499 are walked) and the fit is left there, NUL-terminated.  When the
// fit is not empty, `height` is raised to its height and `available` is set
// to its width.
int32_t fit_text(char* scratch, const char* text, int32_t& height, int32_t& available, plat_font font);

// Draws the pending line at cursor_y, aligned as a whole, places its
// controls and empties it; cursor_x is left where the line ends.  With a
// null canvas inside draw_page, the drawing is noted for the paint.
void flush_line(plat_canvas canvas);

// Puts the control of table entry `index` (kind ITEM_EDIT_BOX or
// ITEM_BUTTON) in its line at (x, y) with `width` and its entry's height:
// shown only while its lower edge is above the bottom of text_area, moved
// (and repaint_after set) when its stored place differs, and an edit box
// gets the keyboard focus.  An index outside its table is ignored.
void place_control(int32_t kind, int32_t index, int32_t x, int32_t y, int32_t width);

// True while draw_page lays the page out before its paint: what is drawn
// is noted for the paint rather than drawn.
bool noting_draws();
// Notes, for the paint, that `control` is shown (or hidden) there, or,
// with `focus`, that it takes the keyboard focus.
void note_control(plat_control control, bool shown, bool focus);

// The layout's state (the engine object's `layout` part) as a new process
// finds it, the scrolling included.
void layout_reset();

}  // namespace tomelet
