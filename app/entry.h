// The engine's entry points: what a back end calls.  A back end owns the
// program's entry and its message loop; it calls app_start before the loop
// (ending with exit code 1 when it fails), one handler per message of the
// main window while the loop runs, and app_finish after it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "book/book.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "page/links.h"
#include "story/hotwords.h"
#include "platform/platform.h"

namespace tomelet {

// The command ids of the menu, the navigation bar and the screens' buttons.
enum command_id : int32_t {
    CMD_BEGINNING = 500,
    CMD_INFORMATION = 501,
    CMD_RESTART = 502,
    CMD_OBJECTIVE = 503,
    CMD_SOUNDS = 504,
    CMD_HINTS = 506,
    CMD_ABOUT = 507,
    CMD_CREDITS = 508,
    CMD_EXIT = 509,
    CMD_RETURN = 510,
    CMD_NEXT = 511,
    CMD_PREVIOUS = 512,
    CMD_INSTRUCTIONS = 513,
    CMD_SOUND_CHECKBOX = 518,
    CMD_SOUNDS_OK = 519,
};

// What a command reports (on_command's code), in the engine's own numbers.
enum command_code : int32_t {
    // A menu item chosen, or a push button, bar button, hotword, picture
    // button or check box pressed.
    COMMAND_CHOSEN = 0,
    // A text-entry box's answer committed (Enter or Tab in the box).
    EDIT_COMMIT = 1,
    // Any other notice a control sends (the engine takes none of them from
    // a text-entry box).
    COMMAND_OTHER = 2,
};

// The window class name: the book's id (so that the single-instance rule
// holds per book); the state file's name is it followed by ".dat".
const char* window_class_name();
// What a refused start shows in its message box when the state file cannot
// be had and no running copy's window is found to bring to the front.
extern const char state_file_refused_text[];
// What a refused start shows when the state file could not be read (an
// input/output error): the file is left untouched.
// It names the state file; the text stays valid until the next call.
const char* state_file_unreadable_text();

// Keys the main window scrolls with, in the engine's own numbers: a back
// end translates its system's key codes to these and passes no other key
// (KEY_NONE stands for any other).
enum app_key : int32_t {
    KEY_NONE = 0,
    KEY_PRIOR = 1,  // Page Up
    KEY_NEXT = 2,   // Page Down
    KEY_END = 3,
    KEY_HOME = 4,
    KEY_UP = 5,
    KEY_DOWN = 6,
};

// Vertical scroll requests, in the engine's own numbers: a back end
// translates its scroll bar's requests to these (SCROLL_NONE for one the
// engine does not know, which moves nothing) and these back to its own for
// plat_post_vscroll.
enum scroll_request : int32_t {
    SCROLL_NONE = 0,
    SCROLL_LINE_UP = 1,
    SCROLL_LINE_DOWN = 2,
    SCROLL_PAGE_UP = 3,
    SCROLL_PAGE_DOWN = 4,
    SCROLL_THUMB_POSITION = 5,
    SCROLL_THUMB_TRACK = 6,
    SCROLL_TOP = 7,
    SCROLL_BOTTOM = 8,
    SCROLL_END = 9,
};

// Start-up with `book` compiled in: the single-instance rule through the
// state file, the saved place, the window's size, creating and showing the
// main window.  False when the program must end with exit code 1 (another
// copy runs, or the state file cannot be opened or read, or no window).
bool app_start(const book_tables* book);
// Start-up with the book of a book image (book/image.h, docs/book-image.md)
// instead of the one compiled in: for a reader that previews a book.  The
// image is checked as untrusted input first; a refused image starts
// nothing, and *refusal (when refusal is not null) then points at the
// reason, one line for the person who gave the image, valid until the next
// call.  Otherwise as app_start, and *refusal is nullptr.  The image's
// bytes, at an address aligned to 4, must stay as they are for the whole
// run: the book is read in place.  The tables of one image are kept: a
// call replaces those of the one before, so it comes only before a run or
// after app_finish.
bool app_start_with_image(const uint8_t* bytes, size_t size, const char** refusal);
// After the message loop: writes the state file back and closes it.  When
// the write fails, the reader is told once, in a message box without an
// owner and with the system's default caption, that their place could not
// be saved, and the result is false: the program then ends with exit code
// 1 rather than 0.
bool app_finish();
// app_finish without its message box, for a back end that tells the reader
// in its own terms (the web reader has no state file to name).  False when
// the place could not be saved.
bool app_finish_quietly();

// For a back end whose program may be ended at any moment (a browser tab):
// writes the reader's place to the state file now, keeping it open.  False
// when it cannot be written.
bool app_keep_place();
// The state record as it stands after app_keep_place, and its size: the
// bytes a saved place holds.
const uint8_t* app_place_record(int32_t* size);
// What app_open_place says of a saved place.
enum open_place_result : int32_t {
    PLACE_TAKEN = 0,
    PLACE_WRONG_SIZE = 1,    // not a state record's size
    PLACE_NOT_A_RECORD = 2,  // it does not start as a state record does
    PLACE_NO_PARAGRAPH = 3,  // a place that is no paragraph of the book
};
// Takes a saved place the reader opened (a whole state record) as the
// reader's place and shows it: PLACE_TAKEN; otherwise the record is refused
// and nothing changes.
int32_t app_open_place(const uint8_t* bytes, int32_t size);
// Sets variable n's value (an index into its value names, 0 to 255) and
// held flag (0 or 1), as a book's author does from a preview's panel, and
// shows the reader's place again as a revisit, not an arrival: the page is
// built as if the variable had held the value when the reader arrived, and
// its own effects do not apply again; the place is kept at once.  False, and
// nothing changes, for a number that is no variable of the book in use or
// a value or flag out of range.
bool app_set_variable(int32_t n, int32_t value, int32_t flag);

// The reader's answer (PLAT_ANSWER_OK, _YES or _NO) to a message box that
// the back end answered later (PLAT_ANSWER_LATER).  When that box asked a
// question, the engine now does what the answer asks; the only question
// it asks is whether to start the book again.  False when no question was
// waiting (an OK box's answer, or no box).
bool app_answer(int32_t answer);

// The main window's messages.
void on_create();
void on_destroy();
void on_size(int32_t client_width, int32_t client_height);
void on_paint();
// id: the command id or the control's id; code: what happened, a
// command_code (platform/platform.h says which control reports which).
// False when the command is not one of the window's (the back end passes it
// to the default handling).
bool on_command(int32_t id, int32_t code);
// True for the six scrolling keys; false for every other key.
bool on_key(int32_t key);
void on_vscroll(int32_t request, int32_t track_position);
void on_timer();
// An owner-drawn control (a hotword or picture button) with this id is to
// be drawn into canvas, whose rectangle is rect.  False, and nothing drawn,
// when the id names no hotword or picture button of the page.
bool on_draw_item(int32_t id, plat_canvas canvas, const plat_rect& rect);

// A number of the engine by its name in the code.
struct named_number {
    const char* name;
    int32_t value;
};
// The engine's numbers that a back end's page script shares with it (the
// web reader's reader.js reads them at start rather than restate them):
// command ids and codes, keys, scroll requests, text formats, control
// kinds, message-box buttons and answers, page item kinds, the built-in
// screens, the side pages' paragraphs and app_open_place's results.
// *count is set to their number.
const named_number* app_named_numbers(int32_t* count);

// ---- for a back end's test support ----------------------------------------
// What the scripted driver and the web reader's test hook read: the page on
// show and the reader's place, as a read-only view of the engine's state at
// the moment of the call (the pointers stay valid until the page is built
// again).
struct page_view {
    int16_t shown_paragraph;
    int16_t current_paragraph;
    int32_t on_current_page;
    int32_t pending_screen;
    int32_t inventory_shown;  // 1 while the inventory page is shown
    int32_t choice_taken;
    int32_t scroll_origin;
    page_link next_link;
    page_link prev_link;
    // The page display list.
    const page_item* items;
    int32_t item_count;
    // The built-in screen the page was built as (0: a paragraph).
    int32_t shown_screen;
    // The page's buttons (hotwords, pictures, the screens' push buttons and
    // check box) and their controls, by the index their items name.
    const button_entry* buttons;
    const plat_control* button_controls;
    int32_t button_count;
    // The page's answer fields and their controls, likewise.
    const edit_box_entry* edit_boxes;
    const plat_control* edit_box_controls;
    int32_t edit_box_count;
    // The book's variables: their catalogue rows and, in step, their live
    // values and flags; none before a book is in use.
    const variable_row* variables;
    const variable_state* variable_states;
    int32_t variable_count;
    // The story page's hotword records, the choices its controls carry (a
    // screen's buttons have none: the records are then the last story
    // page's).
    const hotword* hotwords;
    int32_t hotword_count;
    // The restart points' live fields (whether set, and where each leads),
    // in step with the book's restart points.
    const restart_state* restart_points;
    int32_t restart_point_count;
};
page_view app_page_view();

// Takes the reader to paragraph n and shows it, as a choice that takes the
// reader there does (a page turn, for tools and benchmarks).
void app_go_to_paragraph(int16_t n);
// As app_go_to_paragraph, past any opening screen still to come (the
// opening sequence does not overtake the page): a preview's "go to
// paragraph".
void app_go_to_paragraph_past_screens(int16_t n);

// The story's next random number is `value` (0 to 32767), for a script or
// test that fixes a roll: the numbers after it go on as the generator's own.
void app_set_next_random(int32_t value);

// The state file's name, in the current folder.
const char* app_state_file_name();
// The name the state file of `book` has (its id followed by ".dat"), before
// it is in use: for a back end that must claim the file before app_start.
// The text stays valid until the next call.
const char* app_state_file_name_of(const book_tables* book);
// Ends a run as a killed process ends: the state file is let go unwritten,
// as the system lets go the files of a process that dies.
void app_abandon();

// Puts the whole engine back as a new process finds it, for a tool or fuzz
// target that runs it again and again: the page's controls destroyed (call
// it while the back end still knows them), the state file let go
// unwritten, and the engine object's working state reset (engine_reset).
// The book in use and the story's state are left as they are (book_use
// resets them).
void app_reset_engine();

}  // namespace tomelet
