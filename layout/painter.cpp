#include "layout/painter.h"

#include <cstring>

#include "engine/engine.h"
#include "layout/pictures.h"
#include "page/controls.h"
#include "page/display_list.h"

namespace tomelet {

namespace {

// DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER: a line's text, vertically
// centred in the line; the alignment code is or-ed in for full lines.
constexpr uint32_t LINE_FORMAT = PLAT_TEXT_NO_PREFIX | PLAT_TEXT_SINGLE_LINE | PLAT_TEXT_VCENTER;
// DT_NOPREFIX | DT_SINGLELINE | DT_CENTER: a title, at the top of its line.
constexpr uint32_t TITLE_FORMAT = PLAT_TEXT_NO_PREFIX | PLAT_TEXT_SINGLE_LINE | PLAT_TEXT_CENTER;

void run_op(plat_canvas target, const draw_op& op) {
    switch (op.kind) {
        case DRAW_TEXT: plat_draw_text(target, op.font, op.text, op.value, op.rect, op.format); break;
        case DRAW_INVERT: plat_invert_rect(target, op.rect); break;
        case DRAW_PICTURE:
            (void)draw_picture(target, static_cast<uint16_t>(op.value), op.rect.left, op.rect.top);
            break;
        case DRAW_SHOW_CONTROL: plat_control_show(op.control, op.value != 0); break;
        case DRAW_FOCUS_CONTROL: plat_control_focus(op.control); break;
    }
}

void emit(const draw_op& op) {
    if (the_engine.layout.canvas != nullptr) {
        run_op(the_engine.layout.canvas, op);
    } else if (the_engine.layout.draw_op_count < DRAW_OPS_SIZE) {
        the_engine.layout.draw_ops[the_engine.layout.draw_op_count++] = op;
    } else {
        the_engine.layout.draw_ops_overflowed = true;
    }
}

void emit_text(plat_font font, const char* text, int32_t n, const plat_rect& rect, uint32_t format) {
    emit(draw_op{DRAW_TEXT, font, nullptr, text, n, rect, format});
}

plat_font running_font() { return the_engine.layout.running_bold != 0 ? the_engine.layout.bold_font : the_engine.layout.normal_font; }

int16_t to_i16(int32_t v) {
    if (v > INT16_MAX) return INT16_MAX;
    if (v < INT16_MIN) return INT16_MIN;
    return static_cast<int16_t>(v);
}

bool line_has_content() { return the_engine.layout.line_piece_count > 0 || the_engine.layout.cursor_x != LEFT_MARGIN; }

// Ends the line: draws what is pending, moves down by `lines` times the
// line's height plus `extra`, and starts the next line at the margin.
void end_line(int32_t lines, int32_t extra) {
    if (the_engine.layout.line_piece_count > 0) flush_line(the_engine.layout.canvas);
    the_engine.page.cursor_y += lines * the_engine.layout.line_height + extra;
    the_engine.layout.line_height = the_engine.page.base_line_height;
    the_engine.layout.cursor_x = LEFT_MARGIN;
}

// The pending line holds 10 pieces and 200 bytes of text.  Whatever would
// pass either ends the line first (drawn, one line down, as a wrap does),
// so the piece goes at the start of the next line.  `text_bytes` is what
// the piece needs in line_text (its characters and a NUL), 0 for others.
void make_room(int32_t text_bytes) {
    if (the_engine.layout.line_piece_count >= LINE_PIECES_SIZE || the_engine.layout.line_text_used + text_bytes > LINE_TEXT_SIZE) end_line(1, 1);
}

void append_piece(int32_t kind, int32_t value, int32_t width) {
    make_room(0);
    line_piece& piece = the_engine.layout.line_pieces[the_engine.layout.line_piece_count++];
    piece.kind = kind;
    piece.value = to_i16(value);
    piece.width = to_i16(width);
    piece.text = nullptr;
    piece.source = nullptr;
}

// Ends the `n` characters taken into `scratch`; when there are any, the
// line grows to their height and `available` becomes their width.
int32_t take_fit(char* scratch, int32_t n, plat_size size, int32_t& height, int32_t& available) {
    scratch[n] = '\0';
    if (n > 0) {
        if (size.cy > height) height = size.cy;
        available = size.cx;
    }
    return n;
}

// A word (or a run without spaces) wider than the whole line cannot be
// fitted after a space.  At the left margin it is split after the last
// character that fits, and at least one character is taken, so the layout
// always moves on; the rest goes on the following lines.  Walks at most
// 499 characters, like fit_text, and leaves the part in `scratch`.
int32_t split_run(char* scratch, const char* text, int32_t& height, int32_t& available, plat_font font) {
    int32_t k = 0;
    plat_size fit{0, 0};
    while (text[k] != '\0' && k < FIT_SCRATCH_SIZE - 1) {
        scratch[k] = text[k];
        const plat_size size = plat_text_extent(font, scratch, k + 1);
        if (k > 0 && size.cx >= available) break;
        fit = size;
        ++k;
    }
    return take_fit(scratch, k, fit, height, available);
}

// `text` holds the line's `n` characters (as fit_scratch does).
void draw_full_line(const char* text, int32_t n) {
    const plat_rect rect{LEFT_MARGIN + the_engine.layout.client.left, the_engine.page.cursor_y, the_engine.page.right_edge, the_engine.page.cursor_y + the_engine.layout.line_height};
    emit_text(running_font(), text, n, rect, static_cast<uint32_t>(the_engine.layout.alignment) | LINE_FORMAT);
}

void lay_out_text(const char* text) {
    if (text == nullptr || text[0] == '\0') return;
    const char* rest = text;
    for (;;) {
        const auto rest_length = static_cast<int32_t>(std::strlen(rest));
        int32_t width = the_engine.page.right_edge - the_engine.layout.cursor_x - the_engine.layout.client.left;
        int32_t n = fit_text(the_engine.layout.fit_scratch, rest, the_engine.layout.line_height, width, running_font());
        if (n == 0) {
            if (line_has_content()) {
                end_line(1, 1);
                continue;
            }
            n = split_run(the_engine.layout.fit_scratch, rest, the_engine.layout.line_height, width, running_font());
        }
        if (the_engine.layout.cursor_x == LEFT_MARGIN && n < rest_length) {
            draw_full_line(rest, n);
        } else if (the_engine.layout.line_piece_count < LINE_PIECES_SIZE && the_engine.layout.line_text_used + n + 1 <= LINE_TEXT_SIZE) {
            line_piece& piece = the_engine.layout.line_pieces[the_engine.layout.line_piece_count++];
            piece.kind = ITEM_TEXT;
            piece.value = to_i16(n);
            piece.width = to_i16(width);
            piece.text = the_engine.layout.line_text + the_engine.layout.line_text_used;
            piece.source = rest;
            std::memcpy(the_engine.layout.line_text + the_engine.layout.line_text_used, the_engine.layout.fit_scratch, static_cast<size_t>(n));
            the_engine.layout.line_text[the_engine.layout.line_text_used + n] = '\0';
            the_engine.layout.line_text_used = static_cast<int16_t>(the_engine.layout.line_text_used + n + 1);
        } else if (line_has_content()) {
            // The pending line is full: the piece goes on the next line.
            end_line(1, 1);
            continue;
        } else {
            // A last part of more than 199 characters on an empty line (a
            // very wide window): it cannot be a piece, so the line takes as
            // much as a piece could hold, up to its last space, and is drawn
            // as a full line; the rest follows on the next line.
            int32_t cut = LINE_TEXT_SIZE - 1;
            for (int32_t i = cut; i > 0; --i) {
                if (the_engine.layout.fit_scratch[i - 1] == ' ') {
                    cut = i;
                    break;
                }
            }
            n = cut;
            draw_full_line(rest, n);
        }
        rest += n;
        if (*rest == '\0') {
            the_engine.layout.cursor_x += width;
            return;
        }
        end_line(1, 1);
    }
}

void lay_out_bold(uint8_t bold, int32_t kind) {
    the_engine.layout.running_bold = bold;
    if (the_engine.layout.line_piece_count > 0) make_room(0);
    if (the_engine.layout.line_piece_count > 0) {
        append_piece(kind, 0, 0);
    } else {
        the_engine.layout.pending_bold = bold;
    }
}

// Tab stops lie at multiples of tab_width from the client's left edge; a
// tab that would reach right_edge does nothing.
void lay_out_tab() {
    if (the_engine.layout.tab_width <= 0) return;  // no stops without a character width
    int32_t step = the_engine.layout.tab_width - the_engine.layout.cursor_x % the_engine.layout.tab_width;
    if (the_engine.layout.cursor_x + step >= the_engine.page.right_edge) return;
    if (the_engine.layout.line_piece_count >= LINE_PIECES_SIZE) {
        end_line(1, 1);
        step = the_engine.layout.tab_width - the_engine.layout.cursor_x % the_engine.layout.tab_width;
        if (the_engine.layout.cursor_x + step >= the_engine.page.right_edge) return;
    }
    the_engine.layout.cursor_x += step;
    append_piece(ITEM_TAB, 0, step);
}

// A title takes a line of its own across the whole client width, in bold,
// at the top of its line, inverted at the top of the page.  Whatever stands
// on the pending line is drawn first and the title goes below it.  A title
// word wider than the line is split like a long word; what does not fit in
// the one line is not shown.
void lay_out_title(const char* text) {
    if (the_engine.layout.line_piece_count > 0) end_line(1, 0);
    int32_t width = the_engine.page.right_edge - the_engine.layout.client.left;
    int32_t n = fit_text(the_engine.layout.fit_scratch, text, the_engine.layout.line_height, width, the_engine.layout.bold_font);
    if (n == 0) n = split_run(the_engine.layout.fit_scratch, text, the_engine.layout.line_height, width, the_engine.layout.bold_font);
    const plat_rect rect{the_engine.layout.client.left, the_engine.page.cursor_y, the_engine.layout.client.right, the_engine.page.cursor_y + the_engine.layout.line_height};
    emit_text(the_engine.layout.bold_font, text, n, rect, TITLE_FORMAT);
    if (the_engine.layout.scroll_origin == 0) emit(draw_op{DRAW_INVERT, nullptr, nullptr, nullptr, 0, rect, 0});
    the_engine.page.cursor_y += the_engine.layout.line_height;
    the_engine.layout.line_height = the_engine.page.base_line_height;
    the_engine.layout.cursor_x = LEFT_MARGIN;
}

// Pictures and controls that do not fit in what is left of the line end
// the line first and start the next one.  So does one at the start of an
// empty line that is wider than the whole line: it leaves an empty line
// above it, and is placed at the start of the next line, reaching past
// right_edge.
void lay_out_picture(const page_item& item) {
    const plat_size size = measure_picture(static_cast<uint16_t>(item.value));
    if (size.cx > the_engine.page.right_edge - the_engine.layout.cursor_x) end_line(1, 0);
    append_piece(ITEM_PICTURE, item.value, size.cx);
    if (size.cy > the_engine.layout.line_height) the_engine.layout.line_height = size.cy;
    the_engine.layout.cursor_x += size.cx;
    if (item.inline_flag == 0) end_line(1, 0);
}

void lay_out_control(int32_t kind, int32_t index) {
    int32_t width = 0;
    int32_t height = 0;
    int32_t gap = 2;
    if (kind == ITEM_EDIT_BOX) {
        if (index < 0 || index >= the_engine.page.edit_box_count) return;
        width = the_engine.page.edit_boxes[index].width;
        height = the_engine.page.edit_boxes[index].height;
    } else {
        if (index < 0 || index >= the_engine.page.button_count) return;
        width = the_engine.page.buttons[index].width;
        height = the_engine.page.buttons[index].height;
        if (the_engine.page.buttons[index].has_picture != 0) gap = 0;  // a picture button sits like a picture
    }
    if (the_engine.page.right_edge - the_engine.layout.cursor_x < width) end_line(1, 0);
    append_piece(kind, index, width);
    if (height > the_engine.layout.line_height) the_engine.layout.line_height = height;
    the_engine.layout.cursor_x += width + gap;
}

void lay_out_item(const page_item& item) {
    switch (item.kind) {
        case ITEM_TEXT: lay_out_text(item.text); break;
        case ITEM_ALIGN_LEFT: the_engine.layout.alignment = 0; break;
        case ITEM_ALIGN_CENTRE: the_engine.layout.alignment = 1; break;
        case ITEM_ALIGN_RIGHT: the_engine.layout.alignment = 2; break;
        case ITEM_BOLD_ON: lay_out_bold(1, ITEM_BOLD_ON); break;
        case ITEM_BOLD_OFF: lay_out_bold(0, ITEM_BOLD_OFF); break;
        case ITEM_BREAK: end_line(1, 0); break;
        case ITEM_PARAGRAPH_BREAK: end_line(2, 0); break;
        case ITEM_TAB: lay_out_tab(); break;
        case ITEM_TITLE: lay_out_title(item.text != nullptr ? item.text : ""); break;
        case ITEM_PICTURE: lay_out_picture(item); break;
        case ITEM_EDIT_BOX: lay_out_control(ITEM_EDIT_BOX, item.value); break;
        case ITEM_BUTTON: lay_out_control(ITEM_BUTTON, item.value); break;
        default: break;
    }
}

// The scroll range covers whole pages; any change of the page's height or
// of the window's sends the view back to the top.
void update_scroll_range() {
    const int32_t height = the_engine.page.cursor_y - the_engine.layout.scroll_origin;
    if (height == the_engine.layout.laid_out_height && the_engine.layout.page_height == the_engine.layout.laid_out_page) return;
    the_engine.layout.laid_out_height = height;
    the_engine.layout.laid_out_page = the_engine.layout.page_height;
    if (the_engine.layout.scroll_origin != 0) the_engine.layout.repaint_after = 1;
    int32_t maximum = 0;
    if (the_engine.layout.page_height <= 0) {
        // No page height yet (no size known): the range is the page itself,
        // and nothing is divided by zero.
        maximum = height > 0 ? height : 0;
    } else if (height > the_engine.layout.page_height) {
        maximum = (height + the_engine.layout.page_height - 1) / the_engine.layout.page_height * the_engine.layout.page_height;
    } else {
        maximum = the_engine.layout.page_height - 1;
    }
    the_engine.layout.scroll_max = maximum;
    the_engine.layout.scroll_origin = 0;
    plat_scroll_info info{};
    info.minimum = 0;
    info.maximum = maximum;
    info.page = the_engine.layout.page_height;
    info.position = 0;
    plat_scroll_set(PLAT_SCROLL_RANGE | PLAT_SCROLL_PAGE | PLAT_SCROLL_POS | PLAT_SCROLL_DISABLE_NO_SCROLL, info);
}

}  // namespace

int32_t fit_text(char* scratch, const char* text, int32_t& height, int32_t& available, plat_font font) {
    int32_t fit = 0;
    plat_size fit_size{0, 0};
    int32_t walked = 0;
    bool stopped = false;
    while (text[walked] != '\0') {
        if (walked >= FIT_SCRATCH_SIZE - 1) {
            stopped = true;  // the scratch is full: the rest is not this line's
            break;
        }
        scratch[walked] = text[walked];
        ++walked;
        if (text[walked - 1] == ' ') {
            const plat_size size = plat_text_extent(font, scratch, walked);
            if (size.cx >= available) {
                stopped = true;
                break;
            }
            fit = walked;
            fit_size = size;
        }
    }
    if (!stopped && fit < walked) {
        const plat_size size = plat_text_extent(font, scratch, walked);
        if (size.cx < available) {
            fit = walked;
            fit_size = size;
        }
    }
    return take_fit(scratch, fit, fit_size, height, available);
}

void flush_line(plat_canvas target) {
    int32_t total = 0;
    for (int32_t i = 0; i < the_engine.layout.line_piece_count; ++i) total += the_engine.layout.line_pieces[i].width;
    int32_t x = the_engine.layout.cursor_x;
    switch (the_engine.layout.alignment) {
        case 0: x = LEFT_MARGIN; break;
        case 1: x = (the_engine.page.right_edge - total + the_engine.layout.client.left) / 2; break;
        case 2: x = the_engine.page.right_edge - total; break;
        default: break;
    }
    for (int32_t i = 0; i < the_engine.layout.line_piece_count; ++i) {
        const line_piece& piece = the_engine.layout.line_pieces[i];
        switch (piece.kind) {
            case ITEM_TEXT: {
                const plat_rect rect{x + the_engine.layout.client.left, the_engine.page.cursor_y, the_engine.page.right_edge, the_engine.page.cursor_y + the_engine.layout.line_height};
                const char* text = target != nullptr || piece.source == nullptr ? piece.text : piece.source;
                const plat_font font = the_engine.layout.pending_bold != 0 ? the_engine.layout.bold_font : the_engine.layout.normal_font;
                if (target != nullptr) {
                    plat_draw_text(target, font, text, piece.value, rect, LINE_FORMAT);
                } else {
                    emit_text(font, text, piece.value, rect, LINE_FORMAT);
                }
                x += piece.width;
                break;
            }
            case ITEM_BOLD_ON: the_engine.layout.pending_bold = 1; break;
            case ITEM_BOLD_OFF: the_engine.layout.pending_bold = 0; break;
            case ITEM_TAB: x += piece.width; break;
            case ITEM_PICTURE:
                if (target != nullptr) {
                    x += draw_picture(target, static_cast<uint16_t>(piece.value), x, the_engine.page.cursor_y);
                } else {
                    // The width the line gave it is the picture's own.
                    emit(draw_op{DRAW_PICTURE, nullptr, nullptr, nullptr, piece.value, plat_rect{x, the_engine.page.cursor_y, 0, 0}, 0});
                    x += piece.width;
                }
                break;
            case ITEM_EDIT_BOX:
                place_control(ITEM_EDIT_BOX, piece.value, x, the_engine.page.cursor_y, piece.width);
                x += piece.width + 2;
                break;
            case ITEM_BUTTON: {
                place_control(ITEM_BUTTON, piece.value, x, the_engine.page.cursor_y, piece.width);
                const bool picture = piece.value >= 0 && piece.value < the_engine.page.button_count &&
                                     the_engine.page.buttons[piece.value].has_picture != 0;
                x += piece.width + (picture ? 0 : 2);
                break;
            }
            default: break;
        }
    }
    the_engine.layout.line_piece_count = 0;
    the_engine.layout.line_text_used = 0;
    the_engine.layout.cursor_x = x;
}

bool noting_draws() { return the_engine.layout.noting; }

void note_control(plat_control control, bool shown, bool focus) {
    emit(draw_op{focus ? DRAW_FOCUS_CONTROL : DRAW_SHOW_CONTROL, nullptr, control, nullptr, shown ? 1 : 0,
                 plat_rect{0, 0, 0, 0}, 0});
}

namespace {

// The layout's state that one layout leaves to the next.
struct carried_state {
    int32_t line_height;
    int16_t alignment;
    uint8_t running_bold;
    uint8_t pending_bold;
};

carried_state carried() { return carried_state{the_engine.layout.line_height, the_engine.layout.alignment, the_engine.layout.running_bold, the_engine.layout.pending_bold}; }

// One layout of the whole display list from scroll_origin: the controls
// placed, the scroll range kept in step, and the drawing done on `target`
// or, when it is null, noted for a replay.
void lay_out_page(plat_canvas target) {
    the_engine.page.cursor_y = the_engine.layout.scroll_origin;
    the_engine.page.right_edge = the_engine.layout.text_area.right - 24;
    the_engine.layout.cursor_x = LEFT_MARGIN;
    // A layout starts with no line pending, and its first line at the
    // height that the last layout, or the rebuild's builder, left.
    the_engine.layout.line_piece_count = 0;
    the_engine.layout.line_text_used = 0;
    the_engine.layout.draw_op_count = 0;
    the_engine.layout.draw_ops_overflowed = false;

    the_engine.layout.canvas = target;
    the_engine.layout.noting = target == nullptr;
    the_engine.layout.client = plat_window_client_rect();
    for (int32_t i = 0; i < the_engine.page.page_item_count && i < PAGE_ITEMS_SIZE; ++i) lay_out_item(the_engine.page.page_items[i]);
    if (the_engine.layout.line_piece_count > 0) end_line(1, 1);
    // The next layout starts at the default height, unless a rebuild raises
    // it (a line drawn at once as the page's last leaves it raised).
    the_engine.layout.line_height = the_engine.page.base_line_height;
    update_scroll_range();
    the_engine.layout.canvas = nullptr;
    the_engine.layout.noting = false;
}

// A layout that moves a control, or sends the view back to the top, is
// followed by another, as a second paint would be; a well-formed page
// settles in two or three.  Past this many the paint draws the last and
// asks for one more paint, as it always did.
constexpr int32_t MAX_LAYOUTS = 4;

}  // namespace

// The page is laid out, its controls placed and the scroll range set
// before the paint begins, so that the paint draws the page once, in its
// final place.  Each layout starts from what the last one left (the line
// height, the alignment and the bold), as successive paints did.
void draw_page() {
    carried_state start = carried();
    int32_t layouts = 0;
    do {
        the_engine.layout.repaint_after = 0;
        start = carried();
        lay_out_page(nullptr);
        ++layouts;
    } while (the_engine.layout.repaint_after != 0 && layouts < MAX_LAYOUTS);

    const plat_canvas target = plat_paint_begin();
    if (the_engine.layout.draw_ops_overflowed) {
        // Too much to note: the last layout is run again, drawing as it
        // goes.  It starts where the last one did, so it places nothing anew.
        const uint8_t again = the_engine.layout.repaint_after;
        the_engine.layout.line_height = start.line_height;
        the_engine.layout.alignment = start.alignment;
        the_engine.layout.running_bold = start.running_bold;
        the_engine.layout.pending_bold = start.pending_bold;
        lay_out_page(target);
        the_engine.layout.repaint_after = static_cast<uint8_t>(the_engine.layout.repaint_after | again);
    } else {
        for (int32_t i = 0; i < the_engine.layout.draw_op_count; ++i) run_op(target, the_engine.layout.draw_ops[i]);
    }
    plat_paint_end(target);

    if (the_engine.layout.repaint_after != 0) {
        the_engine.layout.repaint_after = 0;
        plat_window_invalidate();
        plat_window_update();
    }
}

}  // namespace tomelet
