#include "app/paint.h"

#include "app/navigation.h"
#include "app/screens.h"
#include "app/shell.h"
#include "book/book.h"
#include "layout/painter.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "page/links.h"
#include "page/messages.h"
#include "page/window.h"
#include "platform/platform.h"
#include "story/markup.h"
#include "story/place.h"

namespace tomelet {

namespace {

void rebuild() {
    destroy_page_controls();
    choice_taken = 0;
    inventory_shown = 0;
    sounds_shown = 0;
    plat_scroll_info position{};
    plat_scroll_set(PLAT_SCROLL_POS | PLAT_SCROLL_DISABLE_NO_SCROLL, position);

    const plat_font_metrics metrics = plat_default_font_metrics();
    base_line_height = metrics.height;
    avg_char_width = metrics.average_width;
    tab_width = 2 * metrics.average_width;
    // The builder finds the line at its default height; what it adds stays
    // for the first line of the layout that follows (the Sounds screen's
    // lines are 4 pixels higher).
    line_height = base_line_height;

    page_clear();
    line_piece_count = 0;
    line_text_used = 0;
    laid_out_height = 0;
    next_link.kind = LINK_NONE;
    prev_link.kind = LINK_NONE;

    // A pending screen outranks the shown paragraph, whatever it is.  A
    // paragraph without stored text shows the built-in page that stands in
    // for it (6 and 7); any other (a place a state file may hold) shows an
    // empty page, without a message, from which the reader moves on with
    // the bar and the menu.  The text an earlier page left in the buffer is
    // never run again: it would repeat that page's choices and assignments
    // under another number.  A number outside the index is reported by the
    // assembly, and its page stays empty too.
    const paragraph_row* row = paragraph_at(shown_paragraph);
    const bool without_text = row != nullptr && row->chunk == -1;
    shown_screen = pending_screen;
    if (pending_screen != 0) {
        build_screen();
    } else if (without_text && shown_paragraph == 6) {
        inventory_shown = 1;
        build_inventory();
    } else if (without_text && shown_paragraph == 7) {
        build_reading_guide();
    } else if (without_text) {
        // an empty page
    } else {
        build_paragraph(shown_paragraph);
    }
    nav_set_states(on_current_page == 0, next_link.kind != LINK_NONE, prev_link.kind != LINK_NONE);
}

}  // namespace

// Messages raised while the page is rebuilt and laid out are shown once
// the paint, and the paint it may ask for at its end, are over.
void paint_page() {
    hold_messages();
    if (page_rebuild != 0) rebuild();
    page_rebuild = 0;
    draw_page();
    release_messages();
}

}  // namespace tomelet
