// The headless back end's own state, shared by its source files.  Not part
// of the test API (headless.h).
#pragma once

#include <cstdint>

#include "platform/common/bmp.h"
#include "platform/headless/headless.h"

namespace tomelet::headless {

constexpr int32_t ANSWER_QUEUE_SIZE = 16;
constexpr int32_t BITMAP_SIZES = 64;
constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
// Most messages one pump delivers: posts that never stop are cut off here.
constexpr int32_t PUMP_LIMIT = 10000;

enum message_kind : int32_t {
    MESSAGE_CLOSE = 1,
    MESSAGE_VSCROLL = 2,
    MESSAGE_QUIT = 3,
};

struct queued_message {
    message_kind kind;
    int32_t value;
};

struct bitmap_size_entry {
    uint16_t resource;
    int32_t width;
    int32_t height;
};

struct font_slot {
    bool alive;
    uint32_t generation;
    int32_t height;  // as created
    int32_t weight;
    // The metric model of `height`, worked out once at the creation: a
    // label is measured for every hotword a page makes.
    font_model model;
};

struct canvas_state {
    bool active;         // between plat_paint_begin and plat_paint_end
    int32_t control_id;  // 0 for the window
    bool draws_pixels;   // false: the drawing is only logged
    bool logs;           // false: the drawing is not logged
    // The canvas's origin in the target's pixels and the rectangle it may
    // draw in there (clip).  The target is the client layer for the window
    // and the screen buffer for an owner-drawn button.
    bool on_screen;
    int32_t origin_x, origin_y;
    plat_rect clip;
    int32_t slot;  // the owner-drawn control's slot
};

struct backend_state {
    // Message boxes.
    message_record messages[MESSAGE_LOG_SIZE];
    int32_t message_total;
    int32_t answers[ANSWER_QUEUE_SIZE];
    int32_t answer_first;
    int32_t answer_count;
    int32_t default_yes_no;
    // Clock and timer.
    uint32_t ticks;
    bool timer_on;
    int32_t timer_period;
    uint32_t timer_due;
    // Sounds.
    char sounds[SOUND_LOG_SIZE][LOG_TEXT_SIZE];
    int32_t sound_total;
    // Screen.
    int32_t screen_height;
    int32_t pixels_per_inch;
    int32_t os_major, os_minor;
    bool running_copy;
    int32_t running_copy_raised;
    // Window.
    window_record window;
    bool fail_window;
    int32_t invalidates;
    int32_t updates;
    int32_t paints;
    int32_t paint_depth;
    // Set while a paint of the window runs and has not reached its
    // plat_paint_end: the stretch in which a desktop's window is still
    // invalid, so a message box's own loop would paint it again.
    bool paint_open;
    int32_t paint_refusals;
    int32_t closes;
    uint32_t last_error;
    // Message queue.
    queued_message queue[MESSAGE_QUEUE_SIZE];
    int32_t queue_first;
    int32_t queue_count;
    int32_t queue_dropped;
    bool ended;
    int32_t exit_code;
    // Scroll bar.
    plat_scroll_info scroll;
    // Bitmaps.
    bitmap_size_entry bitmap_sizes[BITMAP_SIZES];
    int32_t bitmap_size_count;
    int32_t bitmaps_live;
    int32_t bitmap_loads;
    // Controls.
    control_record controls[CONTROL_LOG_SIZE];
    uint32_t control_generations[CONTROL_LOG_SIZE];
    int32_t controls_used;
    int32_t controls_to_fail;
    // Fonts.
    font_slot fonts[FONT_SLOTS];
    // Draw logs.
    draw_record draws[DRAW_LOG_SIZE];
    int32_t draw_total;
    draw_record item_draws[DRAW_LOG_SIZE];
    int32_t item_draw_total;
    canvas_state window_canvas;
    canvas_state item_canvas;
};

extern backend_state state;
extern const entry_points* handlers;

// Copies a NUL-terminated text (nullptr: empty) cut to LOG_TEXT_SIZE - 1.
void copy_text(char* dest, const char* text);

// Controls (controls.cpp).
control_record* record_of(plat_control handle);
plat_control control_handle(int32_t slot);
void destroy_all_controls();
bool owner_drawn(const control_record& r);

// Fonts (font.cpp).
struct face_choice {
    int32_t advance;
    int32_t height;  // the measured line height
    int32_t weight;  // 0 for the default font
    bool bold;
    bool default_font;
};
// The face model of a font handle (the default font for null or a handle
// that is not ours).
face_choice face_of(plat_font font);
// Draws n characters in a face at (x, y) of the target (the top of the
// measured line), clipped, in the colour given: through the glyph routine
// in use, ink_glyphs unless a test put another in its place (a reference to
// compare with; nullptr goes back to ink_glyphs).
void draw_glyphs(bool on_screen, int32_t x, int32_t y, const plat_rect& clip, const face_choice& face,
                 const char* text, int32_t n, bool prefixes, uint8_t r, uint8_t g, uint8_t b);
void ink_glyphs(bool on_screen, int32_t x, int32_t y, const plat_rect& clip, const face_choice& face,
                const char* text, int32_t n, bool prefixes, uint8_t r, uint8_t g, uint8_t b);
using glyph_routine = void (*)(bool on_screen, int32_t x, int32_t y, const plat_rect& clip, const face_choice& face,
                               const char* text, int32_t n, bool prefixes, uint8_t r, uint8_t g, uint8_t b);
void use_glyph_routine(glyph_routine routine);

// Pixels (canvas.cpp).  Two layers: the client layer (what the window's
// paints drew, in client pixels) and the screen buffer (the composed
// window).  Each is packed row after row at its current width, 3 bytes a
// pixel, so it occupies only as much memory as the window has pixels.
void clear_client_layer();
void put_pixel(bool on_screen, int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b);
void fill_rect(bool on_screen, const plat_rect& rect, uint8_t r, uint8_t g, uint8_t b);
plat_rect intersect(const plat_rect& a, const plat_rect& b);
// The window's outer size as rendered (cut to the framebuffer).
int32_t frame_width();
int32_t frame_height();
// A layer as the drawing routines write it.  The client layer keeps every
// byte complemented (255 - value, so that white is 0); whoever writes it
// directly says which rows and columns it inked with mark_ink, so that the
// next paint knows what to clear.  Past the last row lie LAYER_SLACK bytes
// that belong to no pixel: a routine may read and write back bytes up to
// that far past the last pixel it changes.
constexpr int32_t LAYER_SLACK = 64;
struct layer_view {
    uint8_t* pixels;  // row 0
    int32_t stride;   // bytes from one row to the next
    int32_t width, height;
    bool complemented;
};
layer_view drawing_layer(bool on_screen);
void mark_ink(bool on_screen, const plat_rect& area);
// The screen buffer's rows: frame_width() x 3 bytes each.
const uint8_t* screen_rows();
// Copies the client layer into the screen buffer, where the client area
// stands in the window (CLIENT_LEFT, CLIENT_TOP), within `area` (window
// pixels inside both).
void copy_client_to_screen(const plat_rect& area);
// Draws a bitmap handle's image with its top-left corner at (x, y) of the
// target, at most width x height of it, clipped.
void blit_bitmap(bool on_screen, plat_bitmap bitmap, int32_t x, int32_t y, int32_t width, int32_t height,
                 const plat_rect& clip);

// Bitmaps (bitmap.cpp).
// The resource of a bitmap handle, and its decoded image when it has one.
bool bitmap_resource(plat_bitmap bitmap, uint16_t* resource);
bool bitmap_image(uint16_t resource, bmp_image* image);
// The size a test gave a resource without an image.
bool bitmap_test_size(uint16_t resource, plat_size* size);

// Window (window.cpp).
void paint_window();
// Draws the owner-drawn control in `slot` through on_draw_item: logged
// (into the owner-draw log) or onto the screen buffer.
void owner_draw(int32_t slot, bool on_screen);
// A logged round over every live shown owner-drawn control.
void owner_draw_round();

}  // namespace tomelet::headless
