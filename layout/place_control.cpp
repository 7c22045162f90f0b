// Placing a page's controls in their lines as the layout reaches them.
#include "engine/engine.h"
#include "layout/painter.h"
#include "page/controls.h"
#include "page/display_list.h"

namespace tomelet {

namespace {

// The entries keep their top to 16 bits.  A place beyond that range is far
// off the window either way; it is pinned to the range so that the stored
// place compares equal on the next layout, and the control is not moved
// (and the window not repainted) again and again.
int16_t stored_top(int32_t y) {
    if (y > INT16_MAX) return INT16_MAX;
    if (y < INT16_MIN) return INT16_MIN;
    return static_cast<int16_t>(y);
}

void place(plat_control control, int32_t& stored_y, int32_t& stored_x, int32_t x, int32_t y, int32_t width,
           int32_t height) {
    const bool shown = y + height < the_engine.layout.text_area.bottom;
    if (control != nullptr && !noting_draws()) plat_control_show(control, shown);
    const int16_t top = stored_top(y);
    if (stored_x != x || stored_y != top) {
        stored_x = x;
        stored_y = top;
        if (control != nullptr) plat_control_move(control, x, top, width, height, false);
        the_engine.layout.repaint_after = 1;
    }
    // Inside draw_page the control is shown where the paint reaches it,
    // once the window's background is painted, so that it draws itself
    // over it.
    if (control != nullptr && noting_draws()) note_control(control, shown, false);
}

}  // namespace

void place_control(int32_t kind, int32_t index, int32_t x, int32_t y, int32_t width) {
    if (kind == ITEM_EDIT_BOX) {
        if (index < 0 || index >= the_engine.page.edit_box_count) return;
        edit_box_entry& entry = the_engine.page.edit_boxes[index];
        place(the_engine.layout.edit_box_windows[index], entry.y, entry.x, x, y, width, entry.height);
        if (the_engine.layout.edit_box_windows[index] != nullptr) {
            if (noting_draws()) {
                note_control(the_engine.layout.edit_box_windows[index], true, true);
            } else {
                plat_control_focus(the_engine.layout.edit_box_windows[index]);
            }
        }
    } else if (kind == ITEM_BUTTON) {
        if (index < 0 || index >= the_engine.page.button_count) return;
        button_entry& entry = the_engine.page.buttons[index];
        place(the_engine.layout.button_windows[index], entry.y, entry.x, x, y, width, entry.height);
    }
}

}  // namespace tomelet
