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
#include "story/state_file.h"

namespace tomelet {

namespace {

// The story page on show.  The reader's own place is built as an arrival
// (its effects change the story, once, and are noted) unless the record
// holds the arrival of that very paragraph: then it is a revisit, built
// from the arrival's state.  goto_paragraph forgets the held arrival when
// a choice or a command takes the reader to their place, so only the ways
// back (Return, Sounds' OK, a start on a saved place, a saved place
// opened) find it.  A looked-up page is built as it always was: its
// effects apply at every build.
void build_story_page() {
    const bool at_place = on_current_page != 0 && shown_paragraph == current_paragraph;
    if (at_place && holds_arrival(shown_paragraph)) {
        begin_revisit();
        build_paragraph(shown_paragraph);
        end_revisit();
    } else if (at_place) {
        begin_arrival();
        build_paragraph(shown_paragraph);
        end_arrival(shown_paragraph);
        place_owed = 1;
    } else {
        build_paragraph(shown_paragraph);
    }
}

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
        build_story_page();
    }
    nav_set_states(on_current_page == 0, next_link.kind != LINK_NONE, prev_link.kind != LINK_NONE);
}

// The sounds the page asked for, in order, once it is on the screen (and
// before its messages, which wait for their boxes to be dismissed).
void play_page_sounds() {
    for (int32_t i = 0; i < page_sound_count && i < PAGE_SOUNDS_SIZE; ++i) {
        if (page_sounds[i] != nullptr) {
            plat_play_sound(page_sounds[i]);
        } else {
            plat_stop_sound();
        }
    }
    page_sound_count = 0;
}

}  // namespace

// Messages raised while the page is rebuilt and laid out are shown once
// the paint, and the paint it may ask for at its end, are over.
//
// A rebuild that may have moved the reader or changed the story keeps the
// place at once (write_state: the state file written in place and flushed,
// or the browser's stored record), so that a reader ended at any moment
// resumes at their last page.  A failed write is not reported here: the
// write at exit reports it.
void paint_page() {
    hold_messages();
    if (page_rebuild != 0) {
        rebuild();
        if (place_owed != 0) {
            place_owed = 0;
            (void)write_state();
        }
    }
    page_rebuild = 0;
    draw_page();
    play_page_sounds();
    release_messages();
}

}  // namespace tomelet
