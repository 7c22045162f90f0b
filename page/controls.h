// The controls set into a page's text: hotword buttons, picture buttons,
// text-entry boxes and the screens' push buttons and check box.  Each
// creation records the control in one of two fixed tables and appends its
// item to the page display list, so the control stands in the text where it
// was made.  All of them are destroyed at the next rebuild.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace tomelet {

constexpr int32_t CONTROL_TABLE_SIZE = 100;
constexpr int32_t EDIT_BOX_ID_BASE = 4000;
constexpr int32_t BUTTON_ID_BASE = 5000;
constexpr int32_t BUTTON_LABEL_SIZE = 200;
// The commit buffer of an input is 200 bytes, so no box takes more than 199.
constexpr int32_t EDIT_BOX_MAX_LENGTH = 199;

struct edit_box_entry {
    int16_t width;
    int16_t height;
    int16_t y;
    int32_t x;
    int16_t maximum_length;
};

struct button_entry {
    int16_t width;
    int16_t height;
    int16_t y;
    int32_t x;
    int16_t label_length;
    uint8_t bold;
    plat_bitmap bitmap;  // picture buttons: owned until the next rebuild
    char label[BUTTON_LABEL_SIZE];
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

// Creates a text-entry box for at most n characters; returns its id
// (4000 + index), or 0 when the table is full.
int32_t make_edit_box(int32_t n);
// Creates a labelled button with the given id: a push button below 5000, an
// owner-drawn hotword from 5000.
void make_text_button(const char* label, int32_t id);
// The same with the label's length known (of which the button keeps at most
// 199 characters); `label` holds no NUL before it.
void make_text_button(const char* label, int32_t length, int32_t id);
// make_text_button (label, 5000 + button count); returns that id, or 0 when
// the table is full.
int32_t make_hotword_button(const char* label);
int32_t make_hotword_button(const char* label, int32_t length);
// Creates an owner-drawn button showing picture `number` of the catalogue.
void make_picture_button(int32_t number, int32_t id);
// make_picture_button (number, 5000 + button count); returns that id, or 0
// when the table is full.
int32_t make_hotword_picture(int32_t number);

// Destroys every control of both tables, frees the picture buttons'
// bitmaps and empties the tables (the first step of a rebuild).
void destroy_page_controls();

}  // namespace tomelet
