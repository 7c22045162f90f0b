// The one interface between the engine and the machine it runs on.
//
// The engine (book/, story/, page/, app/) calls down only through these
// functions; each back end (platform/headless/, later platform/win32/ and a
// Linux-native one) implements all of them in its own folder.  No OS type
// crosses this line: handles are opaque pointers, records are plain structs.
//
// Every function acts on "the" main window where a window is involved: the
// reader has exactly one.
#pragma once

#include <cstdint>

namespace tomelet {

// Opaque handles.  A null handle means "none" (or a failed creation).
struct plat_control_tag;
struct plat_font_tag;
struct plat_bitmap_tag;
struct plat_file_tag;
using plat_control = plat_control_tag*;
using plat_font = plat_font_tag*;
using plat_bitmap = plat_bitmap_tag*;
using plat_file = plat_file_tag*;

struct plat_size {
    int32_t cx;
    int32_t cy;
};

struct plat_rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// ---------------------------------------------------------------------------
// Message boxes

enum plat_box_buttons : int32_t {
    PLAT_BOX_OK = 0,
    PLAT_BOX_YES_NO = 4,
};

enum plat_box_answer : int32_t {
    PLAT_ANSWER_OK = 1,
    PLAT_ANSWER_YES = 6,
    PLAT_ANSWER_NO = 7,
};

// Shows a modal message box and returns the button the reader pressed.
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
// The main window

// Invalidates the whole main window (with erasing) / paints it at once.
void plat_window_invalidate();
void plat_window_update();

// Posts a close request to the main window: the ordinary way out.
void plat_window_post_close();

// The system's code for the last failure of a platform call (shown in
// hexadecimal by the button-creation failure message).
uint32_t plat_last_error();

// ---------------------------------------------------------------------------
// Text measurement and bitmaps

// The extent of the first n characters of text in a font.  A null font
// measures in the window's default font.
plat_size plat_text_extent(plat_font font, const char* text, int32_t n);

// Loads bitmap resource number `resource`; null when there is none.
plat_bitmap plat_bitmap_load(uint16_t resource);

// The size of a loaded bitmap; false when it cannot be read.
bool plat_bitmap_size(plat_bitmap bitmap, plat_size* size);

// Releases a loaded bitmap (null is ignored).
void plat_bitmap_free(plat_bitmap bitmap);

// ---------------------------------------------------------------------------
// Child controls of the main window

enum plat_control_kind : int32_t {
    // A single-line text-entry box with a border.  The back end limits it to
    // max_length characters and reports Enter or Tab in it as the command
    // (id, EDIT_COMMIT), Up and Down as one-line scroll requests.
    PLAT_EDIT_BOX = 1,
    // A push button that the system draws with `text` as its caption.
    PLAT_PUSH_BUTTON = 2,
    // An owner-drawn hotword with a border; the engine draws its label.
    PLAT_HOTWORD_BUTTON = 3,
    // An owner-drawn button without a border that shows `bitmap`.
    PLAT_PICTURE_BUTTON = 4,
    // A check box with `text` as its caption that toggles itself.
    PLAT_CHECK_BOX = 5,
};

struct plat_control_params {
    plat_control_kind kind;
    int32_t id;          // the control id its commands carry
    const char* text;    // caption (push button, check box); "" otherwise
    int32_t x, y;        // client coordinates
    int32_t width, height;
    int32_t max_length;  // edit boxes: most characters the reader may type
    plat_bitmap bitmap;  // picture buttons: the image (owned by the caller)
};

// Creates a child control of the main window, visible.  Null on failure
// (plat_last_error then says why).
plat_control plat_control_create(const plat_control_params& params);

// Shows or hides a control (and updates it).
void plat_control_show(plat_control control, bool shown);

// Destroys a control (null is ignored).
void plat_control_destroy(plat_control control);

// ---------------------------------------------------------------------------
// The state file

// Opens the file `name` in the current directory for reading and writing,
// exclusively: while one opener holds it, every other open fails (another
// process's included).  Opens the file if it exists and creates it new if
// it does not; sets *existed accordingly.  Null on any failure (held by
// another opener, read-only, not a plain file, cannot be created).
plat_file plat_file_open_exclusive(const char* name, bool* existed);

// Reads up to n bytes from the current position; returns the count read.
int32_t plat_file_read(plat_file file, void* buffer, int32_t n);

// Writes n bytes at offset 0 without truncating the file.  False on error.
bool plat_file_write_at_start(plat_file file, const void* buffer, int32_t n);

// Closes the file and releases the exclusive hold (null is ignored).
void plat_file_close(plat_file file);

}  // namespace tomelet
