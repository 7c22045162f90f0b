// The controls set into a page's text: hotword buttons, picture buttons,
// text-entry boxes and the screens' push buttons and check box.  The page
// records them as data: each creation fills an entry of one of two fixed
// tables (kind, id, label, bold, picture, size and provisional place),
// notes it in the page's order of creation and appends its item to the
// display list, so the control stands in the text where it was made.  The
// layer that owns the platform's controls makes them from these entries
// once the page is built (layout/realise.h), and destroys them at the next
// rebuild.
#pragma once

#include <cstdint>

namespace tomelet {

constexpr int32_t CONTROL_TABLE_SIZE = 100;
constexpr int32_t EDIT_BOX_ID_BASE = 4000;
constexpr int32_t BUTTON_ID_BASE = 5000;
constexpr int32_t BUTTON_LABEL_SIZE = 200;
// The commit buffer of an input is 200 bytes, so no box takes more than 199.
constexpr int32_t EDIT_BOX_MAX_LENGTH = 199;

// A size and a rectangle in the page's own terms (pixels of the window's
// client area), the same fields as the platform's.
struct page_size {
    int32_t cx;
    int32_t cy;
};

struct page_rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// What a control is.  Answer fields fill the edit-box table; the other
// kinds fill the button table.
enum page_control_type : uint8_t {
    CONTROL_ANSWER_FIELD = 1,
    CONTROL_HOTWORD = 2,         // an owner-drawn labelled button
    CONTROL_PICTURE_BUTTON = 3,  // an owner-drawn button showing a picture
    CONTROL_PUSH_BUTTON = 4,     // a screen's button with its caption
    CONTROL_CHECK_BOX = 5,       // the Sounds screen's box, shown at once
};

// Both entries begin with the control's place and size in 32 bits, in the
// order the platform's control parameters take them, so that the layout
// hands them on in one block when it makes the control.  A top beyond 16
// bits is pinned to that range when the control is placed in its line.
struct edit_box_entry {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    int16_t maximum_length;
};

struct button_entry {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    int16_t label_length;
    uint8_t bold;
    uint8_t type;  // a page_control_type other than CONTROL_ANSWER_FIELD
    // Picture buttons: 1 when the picture could be read (the button shows
    // it and sits in its line as a picture does), else 0.
    uint8_t has_picture;
    // Check boxes: 1 when the box starts checked.
    uint8_t checked;
    // Picture buttons: the picture's number in the catalogue.
    int32_t picture;
    // The id the control's commands carry.
    int32_t id;
    char label[BUTTON_LABEL_SIZE];
};

// How the page measures what it sets into the text: the layer that owns
// the fonts and the pictures installs its measures in the page part
// (`the_engine.page.measures`) before it builds a page.  Without them (a
// story run on its own, with no window) a character is avg_char_width
// wide and base_line_height high, and no picture can be read.
struct page_measures {
    // The size of the first n characters of `text` in the page's bold or
    // normal font.
    page_size (*text)(bool bold, const char* text, int32_t n);
    // The size of picture `number` of the catalogue; false when it cannot
    // be loaded or read.
    bool (*picture)(int32_t number, page_size* size);
};

// What a control id names on the page.  The engine numbers its controls
// itself: answer fields from EDIT_BOX_ID_BASE and hotwords and picture
// buttons from BUTTON_ID_BASE, by their index in their table (the ids the
// hotword records keep); the screens' push buttons and check box carry
// their command ids, which are none of these.
enum page_control_kind : int32_t {
    PAGE_CONTROL_NONE = 0,
    PAGE_ANSWER_FIELD = 1,  // the answer field of index id - EDIT_BOX_ID_BASE
    PAGE_HOTWORD = 2,       // the hotword or picture button of index id - BUTTON_ID_BASE
};
page_control_kind page_control_kind_of(int32_t id);
// The control's index in its table (answer fields or buttons); -1 for an
// id of neither kind.
int32_t page_control_index(int32_t id);

// Records a text-entry box for at most n characters; returns its id
// (4000 + index), or 0 when the table is full.
int32_t make_edit_box(int32_t n);
// Records a labelled button with the given id: a push button below 5000,
// an owner-drawn hotword from 5000.
void make_text_button(const char* label, int32_t id);
// The same with the label's length known (of which the button keeps at most
// 199 characters); `label` holds no NUL before it.
void make_text_button(const char* label, int32_t length, int32_t id);
// make_text_button (label, 5000 + button count); returns that id, or 0 when
// the table is full.
int32_t make_hotword_button(const char* label);
int32_t make_hotword_button(const char* label, int32_t length);
// Records an owner-drawn button showing picture `number` of the catalogue.
void make_picture_button(int32_t number, int32_t id);
// make_picture_button (number, 5000 + button count); returns that id, or 0
// when the table is full.
int32_t make_hotword_picture(int32_t number);
// Records a check box with the given id and label (at most 199
// characters), `width` by `height`, checked or not, at the provisional
// place of the next control.  Returns its index in the button table, or -1
// when the table is full.
int32_t make_check_box(const char* label, int32_t id, int32_t width, int32_t height, bool checked);

// Empties both tables and the order of creation (the page's controls are
// destroyed first: layout/realise.h).
void clear_page_controls();

}  // namespace tomelet
