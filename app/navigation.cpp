#include "app/navigation.h"

#include "engine/engine.h"
#include "platform/platform.h"
#include "story/state_file.h"

namespace tomelet {

namespace {

void repaint() {
    plat_window_invalidate();
    plat_window_update();
}

}  // namespace

void navigation_reset() {
    place_reset();
    the_engine.app.pending_screen = 3;
    the_engine.app.shown_screen = 0;
    the_engine.app.page_rebuild = 1;
    the_engine.page.next_link = {LINK_NONE, 0};
    the_engine.page.prev_link = {LINK_NONE, 0};
    the_engine.app.choice_taken = 0;
    the_engine.app.inventory_shown = 0;
    the_engine.app.sounds_shown = 0;
    the_engine.app.sound_checkbox = 0;
    the_engine.app.input_text[0] = '\0';
    the_engine.app.place_owed = 0;
    the_engine.layout.scroll_origin = 0;
    the_engine.layout.page_height = 0;
    the_engine.layout.scroll_max = 400;
}

void show_screen(int32_t number) {
    the_engine.app.pending_screen = number;
    the_engine.app.page_rebuild = 1;
    the_engine.layout.scroll_origin = 0;
    repaint();
}

void show_paragraph(int16_t paragraph) {
    the_engine.app.place_owed = 1;
    the_engine.play.on_current_page = 0;
    the_engine.layout.scroll_origin = 0;
    the_engine.play.shown_paragraph = paragraph;
    the_engine.app.page_rebuild = 1;
    repaint();
}

void goto_paragraph(int16_t paragraph, int32_t mode) {
    move_place(paragraph, mode);
    if (the_engine.play.on_current_page != 0) forget_arrival();
    the_engine.app.place_owed = 1;
    the_engine.layout.scroll_origin = 0;
    the_engine.app.page_rebuild = 1;
    repaint();
}

void revisit_paragraph(int16_t paragraph) {
    move_place(paragraph, GOTO_TAKE_UP);
    the_engine.app.place_owed = 1;
    the_engine.layout.scroll_origin = 0;
    the_engine.app.page_rebuild = 1;
    repaint();
}

}  // namespace tomelet
