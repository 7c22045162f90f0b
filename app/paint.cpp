#include "app/paint.h"

#include "app/navigation.h"
#include "app/screens.h"
#include "app/shell.h"
#include "app/state_file.h"
#include "book/book.h"
#include "engine/engine.h"
#include "layout/painter.h"
#include "layout/realise.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "page/links.h"
#include "page/messages.h"
#include "platform/platform.h"
#include "story/game_state.h"
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
    const bool at_place = the_engine.play.on_current_page != 0 && the_engine.play.shown_paragraph == the_engine.play.current_paragraph;
    if (at_place && holds_arrival(the_engine.play.shown_paragraph)) {
        begin_revisit();
        build_paragraph(the_engine.play.shown_paragraph);
        end_revisit();
    } else if (at_place) {
        begin_arrival();
        build_paragraph(the_engine.play.shown_paragraph);
        end_arrival(the_engine.play.shown_paragraph);
        the_engine.app.place_owed = 1;
    } else {
        build_paragraph(the_engine.play.shown_paragraph);
    }
}

void rebuild() {
    destroy_page_controls();
    install_page_measures();
    the_engine.app.choice_taken = 0;
    the_engine.app.inventory_shown = 0;
    the_engine.app.sounds_shown = 0;
    plat_scroll_info position{};
    plat_scroll_set(PLAT_SCROLL_POS | PLAT_SCROLL_DISABLE_NO_SCROLL, position);

    const plat_font_metrics metrics = plat_default_font_metrics();
    the_engine.page.base_line_height = metrics.height;
    the_engine.page.avg_char_width = metrics.average_width;
    the_engine.layout.tab_width = 2 * metrics.average_width;
    // The builder finds the line at its default height; what it adds stays
    // for the first line of the layout that follows (the Sounds screen's
    // lines are 4 pixels higher).
    the_engine.layout.line_height = the_engine.page.base_line_height;

    page_clear();
    the_engine.layout.line_piece_count = 0;
    the_engine.layout.line_text_used = 0;
    the_engine.layout.laid_out_height = 0;
    the_engine.page.next_link.kind = LINK_NONE;
    the_engine.page.prev_link.kind = LINK_NONE;

    // A pending screen outranks the shown paragraph, whatever it is.  A
    // paragraph without stored text shows the built-in page that stands in
    // for it (6 and 7); any other (a place a state file may hold) shows an
    // empty page, without a message, from which the reader moves on with
    // the bar and the menu.  The text an earlier page left in the buffer is
    // never run again: it would repeat that page's choices and assignments
    // under another number.  A number outside the index is reported by the
    // assembly, and its page stays empty too.
    const paragraph_row* row = paragraph_at(the_engine.play.shown_paragraph);
    const bool without_text = row != nullptr && row->chunk == -1;
    the_engine.app.shown_screen = the_engine.app.pending_screen;
    if (the_engine.app.pending_screen != 0) {
        build_screen();
    } else if (without_text && the_engine.play.shown_paragraph == 6) {
        the_engine.app.inventory_shown = 1;
        build_inventory();
    } else if (without_text && the_engine.play.shown_paragraph == 7) {
        build_reading_guide();
    } else if (without_text) {
        // an empty page
    } else {
        build_story_page();
    }
    // The page's controls are made once the whole page is recorded, in the
    // order it made them, before anything is laid out.
    realise_page_controls();
    nav_set_states(the_engine.play.on_current_page == 0, the_engine.page.next_link.kind != LINK_NONE, the_engine.page.prev_link.kind != LINK_NONE);
}

// The sounds the page asked for, in order, once it is on the screen (and
// before its messages, which wait for their boxes to be dismissed).
void play_page_sounds() {
    for (int32_t i = 0; i < the_engine.page.page_sound_count && i < PAGE_SOUNDS_SIZE; ++i) {
        if (the_engine.page.page_sounds[i] != nullptr) {
            plat_play_sound(the_engine.page.page_sounds[i]);
        } else {
            plat_stop_sound();
        }
    }
    the_engine.page.page_sound_count = 0;
}

// The page's messages, once the outermost paint has ended: each in a box
// with no owner, in order, and the close one of them asks for posted after
// it; past HELD_MESSAGES_SIZE of them, only the close one asks for, posted
// once after the others (as is the close asked for by a message the list
// could not keep).  Each is taken off the list before it is shown: the
// box's own loop may paint, and that paint shows what is left in the same
// order.
void show_page_messages() {
    held_message m;
    while (take_held_message(&m)) {
        if (the_engine.app.messages_shown >= HELD_MESSAGES_SIZE) {
            if (m.close_after) note_close_request();
            continue;
        }
        ++the_engine.app.messages_shown;
        (void)plat_message_box(false, m.text, m.default_caption ? nullptr : m.caption, PLAT_BOX_OK);
        if (m.close_after) plat_window_post_close();
    }
    if (take_close_request()) plat_window_post_close();
}

}  // namespace

void note_clock() {
    if (the_engine.play.random_seeded == 0) story_note_clock(plat_tick_count());
}

// Messages raised while the page is rebuilt and laid out are shown once
// the paint, and the paint it may ask for at its end, are over.
//
// A rebuild that may have moved the reader or changed the story keeps the
// place at once (write_state: the state file written in place and flushed,
// or the browser's stored record), so that a reader ended at any moment
// resumes at their last page.  A failed write is not reported here: the
// write at exit reports it.
void paint_page() {
    note_clock();
    if (the_engine.app.message_hold_depth++ == 0) the_engine.app.messages_shown = 0;
    if (the_engine.app.page_rebuild != 0) {
        rebuild();
        if (the_engine.app.place_owed != 0) {
            the_engine.app.place_owed = 0;
            (void)write_state();
        }
    }
    the_engine.app.page_rebuild = 0;
    draw_page();
    play_page_sounds();
    if (--the_engine.app.message_hold_depth == 0) show_page_messages();
}

}  // namespace tomelet
