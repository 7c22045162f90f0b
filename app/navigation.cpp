#include "app/navigation.h"

#include "platform/platform.h"
#include "story/state_file.h"

namespace tomelet {

int32_t pending_screen = 3;
int32_t shown_screen = 0;
int32_t page_rebuild = 1;
int32_t choice_taken = 0;
int32_t inventory_shown = 0;
int32_t sounds_shown = 0;
int32_t sound_checkbox = 0;
char input_text[INPUT_TEXT_SIZE] = "";
int32_t place_owed = 0;

namespace {

void repaint() {
    plat_window_invalidate();
    plat_window_update();
}

}  // namespace

void navigation_reset() {
    place_reset();
    pending_screen = 3;
    shown_screen = 0;
    page_rebuild = 1;
    next_link = {LINK_NONE, 0};
    prev_link = {LINK_NONE, 0};
    choice_taken = 0;
    inventory_shown = 0;
    sounds_shown = 0;
    sound_checkbox = 0;
    input_text[0] = '\0';
    place_owed = 0;
    scroll_origin = 0;
    page_height = 0;
    scroll_max = 400;
}

void show_screen(int32_t number) {
    pending_screen = number;
    page_rebuild = 1;
    scroll_origin = 0;
    repaint();
}

void show_paragraph(int16_t paragraph) {
    place_owed = 1;
    on_current_page = 0;
    scroll_origin = 0;
    shown_paragraph = paragraph;
    page_rebuild = 1;
    repaint();
}

void goto_paragraph(int16_t paragraph, int32_t mode) {
    move_place(paragraph, mode);
    if (on_current_page != 0) forget_arrival();
    place_owed = 1;
    scroll_origin = 0;
    page_rebuild = 1;
    repaint();
}

void revisit_paragraph(int16_t paragraph) {
    move_place(paragraph, GOTO_TAKE_UP);
    place_owed = 1;
    scroll_origin = 0;
    page_rebuild = 1;
    repaint();
}

}  // namespace tomelet
