// The one interface between the engine and the machine it runs on.
//
// The engine calls down only through these functions, and only from its
// layout/ and app/ layers (book/, page/ and story/ leave the machine to
// them: the page holds its controls, sounds and messages as data, which
// the layout and the app hand to the platform); each back end
// (platform/headless/, platform/win32/, platform/web/) implements all of
// them in its own folder, and calls the engine back only through
// app/entry.h.  No OS type crosses this line:
// handles are opaque pointers, records are plain structs.
//
// It is in the reader's terms, not one system's.  Every number that
// crosses it (keys, scroll requests, text formats, scroll-bar fields,
// command codes, control kinds, message-box buttons and answers) is the
// engine's own, and a back end translates its system's to and from them.
// A back end knows a control by its kind, and hands its id back unchanged
// (see "Child controls" below for what each kind reports).  A message box
// is answered at once by a back end that can wait inside a call, or later,
// through app_answer, by one that cannot (see plat_message_box).  The
// numbers a back end's page script needs come from the engine by name
// (app_named_numbers).
//
// Every function acts on "the" main window where a window is involved: the
// reader has exactly one.
#pragma once

#include <cstdint>

#include "platform/handles.h"

namespace tomelet {

// ---------------------------------------------------------------------------
// Message boxes

// The buttons a box offers and the answers it gives are the engine's own
// numbers: each back end translates them to its system's.
enum plat_box_buttons : int32_t {
    PLAT_BOX_OK = 1,
    PLAT_BOX_YES_NO = 2,
};

enum plat_box_answer : int32_t {
    // The box is up and the reader's answer comes later, through app_answer.
    PLAT_ANSWER_LATER = 0,
    PLAT_ANSWER_OK = 1,
    PLAT_ANSWER_YES = 2,
    PLAT_ANSWER_NO = 3,
};

// Shows a message box.  A back end that can wait inside the call (a
// desktop's modal box) returns the button the reader pressed.  One that
// cannot (a browser page, whose calls must return) returns
// PLAT_ANSWER_LATER at once; it shows the box once the current call into
// the engine has returned (boxes raised one after another, one after
// another), lets nothing else reach the engine while a box is up, and
// hands each box's answer to app_answer (app/entry.h) when the reader
// gives it, then paints what is invalid, as after any event.
// owned: true to own it by the main window, false for no owner.
// caption: nullptr for the system's default caption.
int32_t plat_message_box(bool owned, const char* text, const char* caption, int32_t buttons);

// ---------------------------------------------------------------------------
// Time and sound

// Milliseconds since some fixed moment (wraps after about 49 days).
uint32_t plat_tick_count();

// Plays the named sound of the program's resources asynchronously; a new
// sound cuts off the one playing.  Unknown names play nothing.
void plat_play_sound(const char* name);

// Stops whatever sound is playing.
void plat_stop_sound();

// ---------------------------------------------------------------------------
// Start-up and the main window

// The screen's height in pixels, and the pixels per logical inch of its
// vertical axis.
int32_t plat_screen_height();
int32_t plat_pixels_per_inch();

// Looks for the main window of a running copy (by its window class) and
// brings it to the front, on top of other windows.  False when there is
// none.
bool plat_bring_running_copy_to_front();

// Creates the main window: caption `title`, outer size width x height at
// (x, y) in screen pixels, a caption with system menu and minimize box, a
// vertical scroll bar, no sizing border, white background and the menu.
// The engine's on_create runs inside this call.  False on failure.
bool plat_window_create(const char* title, int32_t x, int32_t y, int32_t width, int32_t height);

// Shows the main window (with the show command the program was given) and
// paints it.
void plat_window_show();

// The main window's client rectangle (left and top are 0).
plat_rect plat_window_client_rect();

// Invalidates the whole main window (with erasing) / paints it at once
// when it is invalid: the engine's on_paint runs inside plat_window_update.
void plat_window_invalidate();
void plat_window_update();

// Posts a close request to the main window: the ordinary way out.
void plat_window_post_close();

// Ends the message loop once the current message is handled; the program
// then exits with `code`.
void plat_quit(int32_t code);

// Posts a vertical scroll request (a scroll_request of app/entry.h) to the
// main window (keyboard scrolling): the engine's on_vscroll runs for it
// after the current message.
void plat_post_vscroll(int32_t request);

// The operating system's version, for the About screen.
void plat_os_version(int32_t* major, int32_t* minor);

// ---------------------------------------------------------------------------
// The timer: one per program, on the main window.

// Starts (or restarts) the timer; the engine's on_timer runs every `ms`
// milliseconds until it is stopped.
void plat_timer_start(int32_t ms);
void plat_timer_stop();

// ---------------------------------------------------------------------------
// The vertical scroll bar of the main window

// Which fields of plat_scroll_info a call sets (the engine's own bits).
enum plat_scroll_mask : uint32_t {
    PLAT_SCROLL_RANGE = 0x01,
    PLAT_SCROLL_PAGE = 0x02,
    PLAT_SCROLL_POS = 0x04,
    PLAT_SCROLL_DISABLE_NO_SCROLL = 0x08,
    PLAT_SCROLL_TRACK = 0x10,
};

struct plat_scroll_info {
    int32_t minimum;
    int32_t maximum;
    int32_t page;
    int32_t position;
    int32_t track;  // the position while the thumb is dragged
};

// Sets the fields named by `mask` and redraws the bar.  The position is
// clamped to minimum .. maximum - max(page - 1, 0).
void plat_scroll_set(uint32_t mask, const plat_scroll_info& info);
plat_scroll_info plat_scroll_get();

// Scrolls `area` of the client area by dy pixels (positive: down), moving
// the child controls with it, invalidating and erasing what is uncovered.
void plat_scroll_window(int32_t dy, const plat_rect& area);

// The system's code for the last failure of a platform call (shown in
// hexadecimal by the button-creation failure message).
uint32_t plat_last_error();

// ---------------------------------------------------------------------------
// Fonts, text and drawing

// A page font: the system's variable-pitch ANSI font with this height
// (negative: the character height in pixels, as the system takes it) and
// weight (300 normal, 700 bold).
plat_font plat_font_create(int32_t height, int32_t weight);
void plat_font_delete(plat_font font);

struct plat_font_metrics {
    int32_t height;         // the text metrics' height
    int32_t average_width;  // the average character width
};

// The metrics of the window's default font (no font selected).
plat_font_metrics plat_default_font_metrics();

// The extent of the first n characters of text in a font.  A null font
// measures in the window's default font.
plat_size plat_text_extent(plat_font font, const char* text, int32_t n);

// Text format flags, the engine's own: one horizontal alignment (left,
// centre or right) combined with any of the other flags.  A back end
// translates them to its system's.
enum plat_text_format : uint32_t {
    PLAT_TEXT_LEFT = 0x00,
    PLAT_TEXT_CENTER = 0x01,
    PLAT_TEXT_RIGHT = 0x02,
    // Centred vertically in the rectangle (with PLAT_TEXT_SINGLE_LINE only).
    PLAT_TEXT_VCENTER = 0x04,
    PLAT_TEXT_SINGLE_LINE = 0x08,
    // '&' is drawn as it stands, not as the underline of the next character.
    PLAT_TEXT_NO_PREFIX = 0x10,
};

// The main window's canvas, from the start to the end of one paint.
plat_canvas plat_paint_begin();
void plat_paint_end(plat_canvas canvas);

// Draws the first n characters of text in one line inside rect, clipped to
// it, in black on the background, positioned by `format`.
void plat_draw_text(plat_canvas canvas, plat_font font, const char* text, int32_t n, const plat_rect& rect,
                    uint32_t format);

// Inverts the colours of rect.
void plat_invert_rect(plat_canvas canvas, const plat_rect& rect);

// Copies a bitmap (width x height of it) with its top-left corner at (x, y).
void plat_bitmap_draw(plat_canvas canvas, plat_bitmap bitmap, int32_t x, int32_t y, int32_t width,
                      int32_t height);

// Loads bitmap resource number `resource`; null when there is none.
plat_bitmap plat_bitmap_load(uint16_t resource);

// Loads an image of the navigation bar's buttons: as plat_bitmap_load, but
// with the 3-D colours of the image mapped to the system's, as the buttons
// show them: its grey (192, 192, 192) becomes the button face's colour.
plat_bitmap plat_bar_bitmap_load(uint16_t resource);

// The size of a loaded bitmap; false when it cannot be read.
bool plat_bitmap_size(plat_bitmap bitmap, plat_size* size);

// Releases a loaded bitmap (null is ignored).
void plat_bitmap_free(plat_bitmap bitmap);

// ---------------------------------------------------------------------------
// Child controls of the main window
//
// A control is known to its back end by its kind.  Its id is the engine's
// number for it: the back end hands it back unchanged with every report and
// never reads a meaning into its value.  What the reader does with a
// control reaches the engine (app/entry.h) as:
// - an answer field (PLAT_EDIT_BOX): Enter or Tab in it, on_command(id,
//   EDIT_COMMIT); Up and Down in it, on_vscroll(SCROLL_LINE_UP or
//   SCROLL_LINE_DOWN, 0); nothing else;
// - a push button, a bar button, a hotword, a picture button or the check
//   box (the other kinds): a press, on_command(id, COMMAND_CHOSEN) (the
//   check box has toggled itself by then); any other notice a system sends
//   of one of them, on_command(id, COMMAND_OTHER) or nothing;
// - a hotword or a picture button (the owner-drawn kinds) is drawn by the
//   engine: whenever one is to be drawn, on_draw_item(id, canvas, rect),
//   called for these two kinds only.

enum plat_control_kind : int32_t {
    // A single-line text-entry box with a border, limited to max_length
    // characters.
    PLAT_EDIT_BOX = 1,
    // A push button that the system draws with `text` as its caption.
    PLAT_PUSH_BUTTON = 2,
    // An owner-drawn hotword with a border; the engine draws its label.
    PLAT_HOTWORD_BUTTON = 3,
    // An owner-drawn button without a border that shows `bitmap`.
    PLAT_PICTURE_BUTTON = 4,
    // A check box with `text` as its caption that toggles itself.
    PLAT_CHECK_BOX = 5,
    // A push button of the navigation bar that shows `bitmap` instead of
    // its caption `text`.
    PLAT_BAR_BUTTON = 6,
};

struct plat_control_params {
    plat_control_kind kind;
    int32_t id;          // the control id its commands carry
    const char* text;    // caption (push button, check box); "" otherwise
    int32_t x, y;        // client coordinates
    int32_t width, height;
    int32_t max_length;  // edit boxes: most characters the reader may type
    // Created hidden rather than visible (plat_control_show shows it later):
    // the page makes its controls hidden and shows each in its line.
    bool hidden;
    plat_bitmap bitmap;  // picture buttons: the image (owned by the caller)
};

// Creates a child control of the main window, visible unless `hidden`.
// Null on failure (plat_last_error then says why).
plat_control plat_control_create(const plat_control_params& params);

// Creates n controls one after the other, in the order given, as as many
// calls of plat_control_create would, and stores each handle in
// controls[i].  Stops at the first that cannot be created, whose handle is
// stored as null (plat_last_error then says why), and returns the number
// created before it: n when every one was.  The page makes its text's
// controls in runs this way.
int32_t plat_controls_create(const plat_control_params* params, int32_t n, plat_control* controls);

// Shows or hides a control (and updates it).
void plat_control_show(plat_control control, bool shown);

// Destroys a control (null is ignored).
void plat_control_destroy(plat_control control);

// Destroys n controls in the order given, as as many calls of
// plat_control_destroy would, and sets each handle to null.
void plat_controls_destroy(plat_control* controls, int32_t n);

// Moves and sizes a control; with repaint, it is redrawn at once.
void plat_control_move(plat_control control, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint);

// Gives a control the keyboard focus.
void plat_control_focus(plat_control control);

// Enables or disables a control.
void plat_control_enable(plat_control control, bool enabled);

// Sets the image a bar button shows.
void plat_control_set_image(plat_control control, plat_bitmap bitmap);

// Copies at most size - 1 characters of a control's text, NUL-terminated,
// into buffer; returns the number copied.
int32_t plat_control_text(plat_control control, char* buffer, int32_t size);

// A check box's state: ticked or not.
bool plat_check_box_checked(plat_control control);
void plat_check_box_set(plat_control control, bool checked);

// ---------------------------------------------------------------------------
// The state file

// Opens the file `name` in the current directory for reading and writing,
// exclusively: while one opener holds it, every other open fails (another
// process's included).  Opens the file if it exists and creates it new if
// it does not; sets *existed accordingly.  Null on any failure (held by
// another opener, read-only, not a plain file, cannot be created, or a
// file that has other names besides this one: a link of either kind).
plat_file plat_file_open_exclusive(const char* name, bool* existed);

// Reads up to n bytes from the current position; returns the count read
// (fewer than n at the end of the file), or -1 when the read failed (an
// input/output error): the bytes in the buffer then count for nothing.
int32_t plat_file_read(plat_file file, void* buffer, int32_t n);

// Writes n bytes at offset 0 without truncating the file and flushes them
// to the storage.  False unless all n bytes were written and flushed (a
// full disk, a size limit, an I/O error): the caller must not take the
// write for a save.
bool plat_file_write_at_start(plat_file file, const void* buffer, int32_t n);

// Closes the file and releases the exclusive hold (null is ignored).
void plat_file_close(plat_file file);

}  // namespace tomelet
