#include "story/place.h"

namespace tomelet {

int16_t shown_paragraph = 2;
int16_t current_paragraph = 2;
int32_t on_current_page = 1;

void place_reset() {
    shown_paragraph = 2;
    current_paragraph = 2;
    on_current_page = 1;
}

void move_place(int16_t paragraph, int32_t mode) {
    if (mode == GOTO_TAKE_UP || (mode == GOTO_FOLLOW && on_current_page == 1)) {
        current_paragraph = paragraph;
        shown_paragraph = paragraph;
        on_current_page = 1;
        return;
    }
    on_current_page = 0;
    shown_paragraph = paragraph;
}

}  // namespace tomelet
