#include "story/place.h"
#include "engine/engine.h"

namespace tomelet {

void place_reset() {
    the_engine.play.shown_paragraph = 2;
    the_engine.play.current_paragraph = 2;
    the_engine.play.on_current_page = 1;
}

void move_place(int16_t paragraph, int32_t mode) {
    if (mode == GOTO_TAKE_UP || (mode == GOTO_FOLLOW && the_engine.play.on_current_page == 1)) {
        the_engine.play.current_paragraph = paragraph;
        the_engine.play.shown_paragraph = paragraph;
        the_engine.play.on_current_page = 1;
        return;
    }
    the_engine.play.on_current_page = 0;
    the_engine.play.shown_paragraph = paragraph;
}

}  // namespace tomelet
