// The page model's state: the display list, the page's sounds, the control
// tables, the links, the window's measures, and the messages to show.  It
// names no object of the platform: the controls' handles, the pictures'
// bitmaps and the fonts are the layout's (layout/layout_state.h).  A part of the engine object
// (engine/engine.h); the initial values below are those of a new process,
// and the tables start zero.
#pragma once

#include <cstdint>

#include "page/controls.h"
#include "page/display_list.h"
#include "page/links.h"
#include "page/messages.h"

namespace tomelet {

struct page_state {
    // The control tables (page/controls.h).
    edit_box_entry edit_boxes[CONTROL_TABLE_SIZE];
    int16_t edit_box_count = 0;
    button_entry buttons[CONTROL_TABLE_SIZE];
    int16_t button_count = 0;
    // The order the controls were made in, one entry a control: 0 an
    // answer field, 1 a button, each the next of its table.  The controls
    // are made through the platform in this order.
    uint8_t control_order[2 * CONTROL_TABLE_SIZE];
    int16_t control_order_count = 0;
    // How the page measures labels and pictures (page/controls.h); none
    // until the layer owning the fonts installs its own.
    const page_measures* measures = nullptr;

    // The display list (page/display_list.h).
    page_item page_items[PAGE_ITEMS_SIZE];
    int16_t page_item_count = 0;
    char page_text[PAGE_TEXT_SIZE];
    int16_t page_text_used = 0;
    // The bold state at build time (set by page_bold_on, cleared by
    // page_bold_off); button creation reads it.
    uint8_t build_bold = 0;
    // The sounds the page asks for, in order: a name to play, or null to
    // stop the sound playing.
    const char* page_sounds[PAGE_SOUNDS_SIZE];
    int16_t page_sound_count = 0;

    // The links the page offers to the bar's Next and Previous buttons.
    page_link next_link = {LINK_NONE, 0};
    page_link prev_link = {LINK_NONE, 0};

    // The window a page is built for.  The application sets the client
    // rectangle, and the default font's measures at every build; the
    // layout sets the right edge and the line's top at every paint.
    // The client rectangle read once right after the window was created;
    // its left and top are where new page controls are placed
    // provisionally.
    page_rect client_origin = {0, 0, 0, 0};
    // Right edge of the text lines: the layout's text_area's right minus
    // 24.
    int32_t right_edge = 0;
    // Top of the current line in client coordinates; during a build it is
    // the provisional place of the next control.
    int32_t cursor_y = 0;
    // tmHeight and tmAveCharWidth of the window's default font.
    int32_t base_line_height = 16;
    int32_t avg_char_width = 7;

    // The messages to show (page/messages.h): a queue, shown from its
    // front.
    held_message held[PAGE_MESSAGES_SIZE];
    int32_t held_first = 0;
    int32_t held_count = 0;
    // Reported since the list was last emptied, kept or not.
    int32_t reported_messages = 0;
    // A close asked for by a message that found the queue full.
    bool close_pending = false;
};

}  // namespace tomelet
