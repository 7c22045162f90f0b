// The navigation state and the three operations through which every page
// change goes.  Each records the request, sets page_rebuild and repaints the
// window at once.
#pragma once

#include <cstdint>

namespace tomelet {

enum goto_mode : int32_t {
    GOTO_FOLLOW = 0,   // take up while reading the current page, else look up
    GOTO_TAKE_UP = 1,  // always becomes the reader's place
    GOTO_LOOK_UP = 2,  // only shown; the place does not move
};

enum link_kind : int32_t {
    LINK_NONE = 0,
    LINK_PARAGRAPH = 1,  // target: paragraph number minus one
    LINK_SCREEN = 2,     // target: screen number
};

struct page_link {
    int32_t kind;
    int16_t target;
};

constexpr int32_t INPUT_TEXT_SIZE = 200;

extern int16_t shown_paragraph;
extern int16_t current_paragraph;
extern int32_t on_current_page;
extern int32_t pending_screen;
extern int32_t page_rebuild;
extern page_link next_link;
extern page_link prev_link;
extern int32_t choice_taken;
extern int32_t inventory_shown;
extern int32_t sounds_shown;
extern int32_t sound_checkbox;
extern char input_text[INPUT_TEXT_SIZE];
extern int32_t scroll_origin;
extern int32_t page_height;
extern int32_t scroll_max;

// Puts every navigation value back to its value at start-up.
void navigation_reset();

void show_screen(int32_t number);
void goto_paragraph(int16_t paragraph, int32_t mode);
void show_paragraph(int16_t paragraph);

}  // namespace tomelet
