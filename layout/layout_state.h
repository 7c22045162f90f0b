// The layout's state: where the line being laid out stands, the pending
// line, the scrolling, and the drawing a layout pass notes for the paint.
// A part of the engine object (engine/engine.h); the initial values below
// are those of a new process, and the tables start zero.
#pragma once

#include <cstdint>

#include "page/controls.h"
#include "platform/handles.h"

namespace tomelet {

constexpr int32_t LEFT_MARGIN = 24;

// One piece of the pending line.
struct line_piece {
    int32_t kind;      // the display-item kind it came from
    int16_t value;     // text: characters; picture: resource; control: table index
    int16_t width;     // pixels; 0 for the bold switches
    const char* text;  // text only: its characters inside line_text
    const char* source;  // text only: the same characters in the page's item
};

constexpr int32_t LINE_PIECES_SIZE = 10;
constexpr int32_t LINE_TEXT_SIZE = 200;
constexpr int32_t FIT_SCRATCH_SIZE = 500;

// What a layout pass draws.  A pass that places the controls runs before
// the paint begins and notes its drawing; once a pass moves no control,
// the paint replays its notes.  Texts are kept as pointers into the page's
// own items, which stay put for the whole of draw_page.
enum draw_kind : uint8_t { DRAW_TEXT, DRAW_INVERT, DRAW_PICTURE, DRAW_SHOW_CONTROL, DRAW_FOCUS_CONTROL };

struct draw_op {
    draw_kind kind;
    plat_font font;
    plat_control control;  // the control shown, hidden or focused
    const char* text;  // DRAW_TEXT: its characters
    int32_t value;     // DRAW_TEXT: characters; DRAW_PICTURE: the resource
    plat_rect rect;    // DRAW_PICTURE: left and top only
    uint32_t format;
};

// Room for the notes of a long page: about 400 lines of 10 pieces.  A page
// that needs more is laid out again as it is drawn.
constexpr int32_t DRAW_OPS_SIZE = 4096;

struct layout_state {
    // The platform's side of the page (layout/realise.h): the handle of
    // each control of the page's tables, the bitmap each picture button
    // shows (owned until the controls are destroyed), and how many of the
    // page's controls, in its order of creation, are made.
    plat_control edit_box_windows[CONTROL_TABLE_SIZE];
    plat_control button_windows[CONTROL_TABLE_SIZE];
    plat_bitmap button_bitmaps[CONTROL_TABLE_SIZE];
    int16_t realised_edit_boxes = 0;
    int16_t realised_buttons = 0;
    // One past the last button whose picture is held: the bitmaps to free.
    int16_t pictures_held = 0;
    // The bitmap of the last picture the page measured for a picture
    // button (owned), kept for the button's control, and its number.
    plat_bitmap measured_picture = nullptr;
    int32_t measured_picture_number = -1;
    // The page's fonts, which the application makes once the window is
    // made; the page's labels are measured in them (layout/realise.h).
    plat_font bold_font = nullptr;
    plat_font normal_font = nullptr;
    // The client area above the navigation bar.
    plat_rect text_area = {0, 0, 0, 0};

    int32_t cursor_x = LEFT_MARGIN;
    int32_t line_height = 16;
    int32_t tab_width = 14;
    // Set when the page must be laid out once more before it is drawn (a
    // control was moved, or the view sent back to the top).
    uint8_t repaint_after = 0;

    // The scrolling: the page's offset, the scroll bar's page (the client
    // height less the margin) and the range's maximum.
    int32_t scroll_origin = 0;
    int32_t page_height = 0;
    int32_t scroll_max = 400;

    // The painter's running bold state (cleared at start-up and by the
    // restart of the story).  alignment, running_bold and pending_bold
    // keep what the last laid-out item left, across paints and rebuilds.
    uint8_t running_bold = 0;
    // 0 left, 1 centre, 2 right: how the pending line is aligned when
    // drawn.
    int16_t alignment = 0;
    // The font of the pending line's text pieces when the line is drawn.
    uint8_t pending_bold = 0;
    // The page height found by the last layout and the page_height then;
    // the scroll range is set again when either changes.
    int32_t laid_out_height = 0;
    int32_t laid_out_page = 0;

    // The pending line.
    line_piece line_pieces[LINE_PIECES_SIZE];
    int16_t line_piece_count = 0;
    char line_text[LINE_TEXT_SIZE];
    int16_t line_text_used = 0;
    char fit_scratch[FIT_SCRATCH_SIZE];

    // The client rectangle of the layout in progress (its left is 0).
    plat_rect client = {0, 0, 0, 0};
    // The notes of the last layout pass, for the paint.
    draw_op draw_ops[DRAW_OPS_SIZE];
    int32_t draw_op_count = 0;
    bool draw_ops_overflowed = false;
    // The paint's canvas while a pass draws directly; null while it notes.
    plat_canvas canvas = nullptr;
    bool noting = false;
};

}  // namespace tomelet
