// The web back end's own state, shared by its files.  Only files of
// platform/web/ include <emscripten.h>; nothing above this folder sees a
// browser type.  The page itself (its elements, events, storage and
// sounds) is owned by reader.js; these files call it through EM_JS.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace tomelet::web {

// What reader.js delivers after the current event (posted messages).
enum posted_kind : int32_t {
    POSTED_CLOSE = 1,
    POSTED_VSCROLL = 2,
};

// What reader.js says of the stored record when the state file is opened.
enum record_open_result : int32_t {
    RECORD_HELD_ELSEWHERE = 0,  // another tab holds the book
    RECORD_FOUND = 1,
    RECORD_NEW = 2,             // none, or one that cannot be read
};

// The client area: the browser's viewport below the menu bar, set by the
// page before start-up and on every resize.
extern int32_t client_width;
extern int32_t client_height;

// The main window exists (from plat_window_create to its close), is shown,
// needs painting.
extern bool window_exists;
extern bool window_shown;
extern bool window_invalid;

// Paints the main window now when it is invalid and shown.
void paint_if_invalid();

// The vertical scroll bar's record.
extern plat_scroll_info scroll;

// Owner-drawn page buttons: the engine draws their faces after each paint.
void draw_owner_drawn_buttons();
// Forgets every control (the window has gone).
void forget_controls();
// Every font and bitmap let go, as when a process ends: for a reader that
// starts the engine again in the same page (the preview).
void forget_graphics();

// Hands the page, as reader.js writes it as a document, to the page when
// it differs from the one last handed over (document.cpp); after a close,
// the next page is handed over whatever it holds.
void send_document();
void forget_document();
// Counts every control made or destroyed: a page rebuilt with new controls
// may reuse the old ones' handles (rows are taken first free), so the
// document is handed over again whenever its controls changed.
extern uint32_t controls_made;

// A canvas is either the main window's paint or one control's face.
constexpr uintptr_t WINDOW_CANVAS = 1;
inline plat_canvas window_canvas() { return reinterpret_cast<plat_canvas>(WINDOW_CANVAS); }
// A control's canvas is its handle shifted past the window's.
inline plat_canvas control_canvas(plat_control c) {
    return reinterpret_cast<plat_canvas>((reinterpret_cast<uintptr_t>(c) << 1) | 0u);
}
inline bool is_window_canvas(plat_canvas c) { return reinterpret_cast<uintptr_t>(c) == WINDOW_CANVAS; }
// The control number (1-based) a control canvas stands for; 0 for none.
inline int32_t canvas_control(plat_canvas c) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(c);
    return (v & 1u) != 0 ? 0 : static_cast<int32_t>(v >> 1);
}

// The book's picture with this bitmap resource number: its alternative
// text, or "" when it has none.
const char* picture_alt(uint16_t resource);

// The embedded resource of the book: a bitmap by number, or a sound by name.
struct embedded {
    const uint8_t* bytes;
    uint32_t size;
};
bool find_bitmap(uint16_t resource, embedded* out);
// The pixels of a bitmap the page shows: the whole BMP file, or no bytes
// (nullptr) for a picture of the book that travels as a file beside the
// site (book/picture-NUMBER.png), whose embedded bytes are only its
// headers, kept for its size.
embedded bitmap_pixels(const embedded& file);
// The resource number of a loaded bitmap (0 for none).
uint16_t bitmap_resource(plat_bitmap bitmap);
// Whether a loaded bitmap is one of the bar's (plat_bar_bitmap_load).
bool bar_bitmap(plat_bitmap bitmap);
// A sound that travels as a file beside the site (book/sound-N.wav, N its
// place among the book's sounds, *index) has no embedded bytes (size 0).
bool find_sound(const char* name, embedded* out, int32_t* index);

}  // namespace tomelet::web
