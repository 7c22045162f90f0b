// The headless back end: a deterministic platform without a screen, for
// tests, tools and the scripted driver.  It records what the engine asks of
// the platform, answers from the test, runs the main window's messages from
// a queue the test pumps, and renders the window into a framebuffer that can
// be written out as a PNG.  Its records are fixed-size tables like the
// engine's, so it never allocates on an engine path (only `screenshot`
// allocates: loading libpng, and inside the PNG writer).
//
// The fixed model, so that tests can state coordinates:
//
// Screen: 768 pixels high, 96 pixels per inch (both settable); the operating
// system's version is 5.1 (settable).
//
// The main window: an outer rectangle width x height.  Its frame is a border
// of 3 pixels all round, a caption 19 pixels high and a menu bar 19 pixels
// high at the top, and the vertical scroll bar, 17 pixels wide, at the right
// of the client area:
//     client width  = width  - 2 x 3 - 17          (width - 23)
//     client height = height - 2 x 3 - 19 - 19     (height - 44)
// (never below 0).  A 529 x 706 window has a 506 x 662 client area.  In the
// window's pixels the client area starts at (3, 41); the scroll bar stands
// at x = 3 + client width, beside the client area and as high as it.
//
// Fonts.  Every font draws with a real bitmap face of the misc-fixed family
// (public domain, platform/headless/FONTS.md); all faces are fixed-width, so
// the extent of n characters is n x advance by the font's height:
//   - the default font (a null font): advance 7, height 16, drawn with the
//     7x14 face one pixel below the top of its 16-pixel line;
//     plat_default_font_metrics() is {16, 7};
//   - a page font of pixel height p (p = -height for a negative height, the
//     height itself for a positive one, and 16 for 0): the face closest in
//     height, the smaller on a tie:
//         p <= 13: 7x13,  advance 7,  height 13
//         p == 14: 7x14,  advance 7,  height 14
//         p 15-16: 9x15,  advance 9,  height 15
//         p 17-19: 9x18,  advance 9,  height 18
//         p >= 20: 10x20, advance 10, height 20
//     so the reader's 16-point font (-21 at 96 pixels per inch) measures 10
//     per character and 20 high, and its 10-point font (-13) 7 and 13.
//   - a weight of 600 or more is bold: it draws with the face's bold cut
//     (10x20 has none: it is drawn twice, one pixel apart) and measures
//     exactly like the normal weight.
//
// Painting.  plat_paint_begin clears the client area to white and starts a
// fresh draw log; text is drawn black, plat_invert_rect inverts, bitmaps are
// decoded from the book's embedded BMP resources.  Child controls are a
// layer above the client area, composed with the frame when a screenshot is
// taken (owner-drawn ones through on_draw_item at that moment).
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace tomelet::headless {

constexpr int32_t DEFAULT_FONT_HEIGHT = 16;
constexpr int32_t DEFAULT_CHAR_WIDTH = 7;

constexpr int32_t FRAME_BORDER = 3;
constexpr int32_t CAPTION_HEIGHT = 19;
constexpr int32_t MENU_BAR_HEIGHT = 19;
constexpr int32_t SCROLL_BAR_WIDTH = 17;
constexpr int32_t NON_CLIENT_WIDTH = 2 * FRAME_BORDER + SCROLL_BAR_WIDTH;
constexpr int32_t NON_CLIENT_HEIGHT = 2 * FRAME_BORDER + CAPTION_HEIGHT + MENU_BAR_HEIGHT;
// Where the client area starts in the window's pixels.
constexpr int32_t CLIENT_LEFT = FRAME_BORDER;
constexpr int32_t CLIENT_TOP = FRAME_BORDER + CAPTION_HEIGHT + MENU_BAR_HEIGHT;

constexpr int32_t DEFAULT_SCREEN_HEIGHT = 768;
constexpr int32_t DEFAULT_PIXELS_PER_INCH = 96;

// The largest window the framebuffer holds; a larger window keeps its size
// in the model and is rendered cut to this.
constexpr int32_t MAX_WINDOW_WIDTH = 1600;
constexpr int32_t MAX_WINDOW_HEIGHT = 1600;

constexpr int32_t LOG_TEXT_SIZE = 200;
constexpr int32_t MESSAGE_LOG_SIZE = 64;
constexpr int32_t SOUND_LOG_SIZE = 64;
constexpr int32_t CONTROL_LOG_SIZE = 512;
constexpr int32_t DRAW_LOG_SIZE = 1024;
constexpr int32_t MESSAGE_QUEUE_SIZE = 64;
constexpr int32_t FONT_SLOTS = 32;
// Nested paints deeper than this are refused (and counted): a painter that
// repaints from every paint would otherwise never return.
constexpr int32_t MAX_PAINT_DEPTH = 8;

// Keys that a text-entry box handles itself (virtual key codes).
constexpr int32_t KEY_BACKSPACE = 0x08;
constexpr int32_t KEY_TAB = 0x09;
constexpr int32_t KEY_RETURN = 0x0D;

// The page-font model above: the face a font of this creation height uses.
struct font_model {
    int32_t advance;
    int32_t height;
};
constexpr int32_t font_pixel_height(int32_t height) {
    if (height < 0) return -height;
    return height == 0 ? DEFAULT_FONT_HEIGHT : height;
}
constexpr font_model page_font_model(int32_t height) {
    const int32_t p = font_pixel_height(height);
    if (p <= 13) return {7, 13};
    if (p == 14) return {7, 14};
    if (p <= 16) return {9, 15};
    if (p <= 19) return {9, 18};
    return {10, 20};
}
constexpr int32_t BOLD_WEIGHT = 600;

// Puts the back end in its initial state: no window, empty logs and queue,
// no controls or fonts, clock at 0, default screen, every answer OK, every
// creation succeeding, the engine's entry points in use.
void reset();

// ---- the engine's entry points ----------------------------------------
// The handlers the back end calls for the main window's messages.  By
// default they are the engine's (app/entry.h); a test of the back end alone
// installs recording ones.  Every member must be set.
struct entry_points {
    void (*create)();
    void (*destroy)();
    void (*size)(int32_t client_width, int32_t client_height);
    void (*paint)();
    bool (*command)(int32_t id, int32_t code);
    bool (*key)(int32_t key);
    void (*vscroll)(int32_t request, int32_t track_position);
    void (*timer)();
    bool (*draw_item)(int32_t id, plat_canvas canvas, const plat_rect& rect);
};
// Installs handlers (kept by pointer); nullptr goes back to the engine's.
void use_entry_points(const entry_points* handlers);

// ---- message boxes -----------------------------------------------------
struct message_record {
    bool owned;
    bool default_caption;  // shown with the system's default caption
    bool in_paint;         // shown while a paint of the window ran, before its end
    int32_t buttons;
    char text[LOG_TEXT_SIZE];
    char caption[LOG_TEXT_SIZE];
};
// Messages shown since the last reset (or clear); only the first
// MESSAGE_LOG_SIZE are kept, but all are counted.
int32_t message_count();
const message_record& message(int32_t i);
void clear_messages();
// The answers of the next message boxes: a queue of up to 16 answers, used
// in order.  When it is empty an OK box answers OK and a Yes/No box gives
// the default Yes/No answer, No unless set otherwise.
void queue_answer(int32_t answer);
void set_default_yes_no_answer(int32_t answer);

// ---- clock and timer ---------------------------------------------------
// Sets the tick count without firing the timer.
void set_tick_count(uint32_t ms);
// Moves the clock on by ms.  While the timer runs, on_timer fires at every
// boundary of its period on the way (the clock reads the boundary during
// the call), and the queue is pumped after each firing.  plat_timer_start
// restarts the period from the current tick count.
void advance_clock(uint32_t ms);
bool timer_running();
int32_t timer_period();

// ---- sounds ------------------------------------------------------------
// A log of plat_play_sound names and plat_stop_sound calls (name "" for a
// stop).
int32_t sound_count();
const char* sound(int32_t i);
void clear_sounds();

// ---- screen and start-up -----------------------------------------------
void set_screen_height(int32_t pixels);
void set_pixels_per_inch(int32_t pixels);
void set_os_version(int32_t major, int32_t minor);
// Whether a running copy exists for plat_bring_running_copy_to_front (none
// by default), and how often it was brought to the front.
void set_running_copy(bool exists);
int32_t running_copy_raised();

// ---- the main window ---------------------------------------------------
struct window_record {
    bool exists;   // created and not destroyed
    bool shown;
    bool invalid;  // needs painting
    char title[LOG_TEXT_SIZE];
    int32_t x, y, width, height;  // outer rectangle in screen pixels
    int32_t client_width, client_height;
    int32_t created;    // successful plat_window_create calls
    int32_t destroyed;  // windows destroyed (closes delivered)
};
const window_record& window();
// A window is painted (on_paint) only while it is shown and invalid: by
// plat_window_show, plat_window_update and the pump.
// Makes the next plat_window_create fail.
void fail_next_window();
int32_t invalidate_count();  // plat_window_invalidate calls
int32_t update_count();      // plat_window_update calls
int32_t paint_count();       // on_paint calls
int32_t paint_refusals();    // paints refused past MAX_PAINT_DEPTH
int32_t close_posted();      // plat_window_post_close calls
void set_last_error(uint32_t code);

// The message loop.  plat_window_post_close, plat_post_vscroll and
// plat_quit queue messages; pump delivers them in order: a close destroys
// the window (on_destroy, then the window and its controls are gone and the
// timer stops); a scroll request calls on_vscroll(request, 0); a quit ends
// the run with its code and drops what follows.  Messages for a window that
// no longer exists are dropped.  After the queue is empty, an invalid
// window is painted (as plat_window_update).  Returns the messages
// delivered.  A queue of MESSAGE_QUEUE_SIZE; further posts are dropped and
// counted.
int32_t pump();
int32_t queued_messages();
int32_t dropped_messages();
// True until a quit message is delivered; then the exit code is its code.
bool running();
int32_t exit_code();

// ---- the reader's actions ----------------------------------------------
// Each action delivers its message to the engine and then pumps the queue,
// as the message loop would after a message.  Actions on the window need
// the window; actions on a control need only the control.

// Resizes the client area (the outer size follows the frame model) and
// calls on_size.  A negative size counts as 0, and a size too large for the
// outer size to stay within 32 bits is cut to the largest that does.
void set_client_size(int32_t width, int32_t height);
// on_command(id, code); its result.
bool send_command(int32_t id, int32_t code);
// A key press.  It goes to the text-entry box that has the focus when one
// does (as edit_key), else to the main window's on_key; returns what
// handled it said (edit_key's result, or on_key's).
bool press_key(int32_t key);
// on_vscroll(request, track_position).
void scroll(int32_t request, int32_t track_position);
// Clicks a control: only a live, shown and enabled one.  A check box ticks
// or unticks itself first; a text-entry box takes the focus; any other
// control sends on_command(id, 0).  False when nothing was clicked.
bool click(plat_control control);
// Clicks the first live control with this id / whose text (a caption, or
// for an owner-drawn button the label it last drew) is `label`.
bool click_id(int32_t id);
bool click_label(const char* label);
// Types text into a text-entry box (live, shown and enabled), which takes
// the focus: characters below 0x20 are ignored, and nothing goes past the
// box's maximum length.  Returns the characters accepted.
int32_t type_text(plat_control box, const char* text);
// A key in a text-entry box (which takes the focus): Enter or Tab sends
// on_command(id, EDIT_COMMIT); Up and Down send on_vscroll(SCROLL_LINE_UP
// or SCROLL_LINE_DOWN, 0);
// Backspace deletes the last character.  False for any other key or a box
// that cannot take keys.
bool edit_key(plat_control box, int32_t key);

// ---- the scroll bar ----------------------------------------------------
// Its state is plat_scroll_get().  Greyed: no room to move (the maximum
// position is the minimum); the bar is always shown.
bool scroll_bar_greyed();

// ---- controls ----------------------------------------------------------
struct control_record {
    plat_control_params params;  // as created; params.text points at `text`
    char text[LOG_TEXT_SIZE];    // the window text: caption, or typed text
    bool alive;                  // not destroyed
    bool shown;
    bool enabled;
    bool focused;  // at most one control has the focus
    bool checked;  // check boxes
    int32_t x, y, width, height;  // current place in client coordinates
    plat_bitmap image;            // picture and bar buttons: what they show
    int32_t show_calls;
    int32_t move_calls;
    // Owner-drawn buttons: the text of the plat_draw_text calls of their
    // last on_draw_item, joined.
    char drawn_label[LOG_TEXT_SIZE];
};
// The control slots.  A control takes the first slot that holds no live
// control, so while nothing is destroyed the slots are in order of
// creation; control_count is the number of slots ever used since the reset.
// With every slot live, a creation fails.  A handle names one creation: a
// destroyed control's handle stays dead even when its slot is reused.
int32_t control_count();
const control_record& control(int32_t i);
// The record behind a handle (nullptr for a handle that is not ours or
// whose control was destroyed).
const control_record* control_of(plat_control handle);
// The first live control with this id (nullptr when none).
plat_control control_by_id(int32_t id);
// The control with the focus (nullptr when none).
plat_control focused_control();
// Makes the next n control creations fail.
void fail_next_controls(int32_t n);

// ---- fonts -------------------------------------------------------------
// Fonts created and not deleted.  FONT_SLOTS fonts at most; past that a
// creation fails.
int32_t fonts_alive();

// ---- the draw logs -----------------------------------------------------
enum draw_kind : int32_t {
    DRAW_TEXT = 1,
    DRAW_INVERT = 2,
    DRAW_BITMAP = 3,
};
struct draw_record {
    draw_kind kind;
    int32_t control_id;  // 0 on the window; the control's id in an owner-draw
    // DRAW_TEXT: the font handle and its weight (0 for the default font),
    // the n characters asked for (the first LOG_TEXT_SIZE - 1 kept), the
    // rectangle and the format.  DRAW_INVERT: the rectangle.
    plat_font font;
    int32_t weight;
    int32_t n;
    char text[LOG_TEXT_SIZE];
    plat_rect rect;
    uint32_t format;
    // DRAW_BITMAP: the resource and the rectangle copied.
    uint16_t resource;
    int32_t x, y, width, height;
};
// The window's log: what the last paint drew, from its plat_paint_begin.
// DRAW_LOG_SIZE records are kept; all are counted.
int32_t draw_count();
const draw_record& draw(int32_t i);
// The owner-draw log: after every outermost paint of the window, each live
// shown owner-drawn button is drawn (on_draw_item) in slot order; this log
// holds that round's drawing, tagged with the control ids.
int32_t item_draw_count();
const draw_record& item_draw(int32_t i);
// Runs a round of owner drawing now.
void draw_items();

// ---- bitmaps -----------------------------------------------------------
// Bitmap sizes by resource number, for resources that have no image: such
// a bitmap loads with this size and draws as a grey placeholder.  Any
// other resource is looked up among the book's embedded resources, which
// must hold a readable BMP (uncompressed 1, 4, 8, 16, 24 or 32 bits, or
// bit fields; bottom-up or top-down); failing that it cannot be loaded.
void set_bitmap_size(uint16_t resource, int32_t width, int32_t height);
int32_t bitmaps_loaded();  // currently loaded (loads minus frees)
int32_t bitmap_loads();    // loads since the reset
// The resource number a bitmap handle was loaded from (-1 for null or a
// handle that is not one of ours).
int32_t resource_of(plat_bitmap bitmap);

// ---- pixels and screenshots --------------------------------------------
struct rgb {
    uint8_t r, g, b;
};
// A pixel of the client area as painted (white outside it).
rgb client_pixel(int32_t x, int32_t y);
// Composes the whole window (frame, client area, controls) into the
// screen buffer, calling on_draw_item for the shown owner-drawn buttons.
void compose();
// A pixel of the last composition, in the window's pixels (black outside).
rgb screen_pixel(int32_t x, int32_t y);
// Composes the window and writes it as an RGB PNG; false when there is no
// window or the file cannot be written.
bool screenshot(const char* path);

}  // namespace tomelet::headless
