// The read-only view of the page and the reader's place that a back end's
// test support reads.
#include <cstdio>

#include "app/entry.h"
#include "app/navigation.h"
#include "engine/engine.h"
#include "story/game_state.h"
#include "story/hotwords.h"
#include "story/state_file.h"
#include "story/story_state.h"

namespace tomelet {

page_view app_page_view() {
    page_view view{};
    view.shown_paragraph = the_engine.play.shown_paragraph;
    view.current_paragraph = the_engine.play.current_paragraph;
    view.on_current_page = the_engine.play.on_current_page;
    view.pending_screen = the_engine.app.pending_screen;
    view.inventory_shown = the_engine.app.inventory_shown;
    view.choice_taken = the_engine.app.choice_taken;
    view.scroll_origin = the_engine.layout.scroll_origin;
    view.next_link = the_engine.page.next_link;
    view.prev_link = the_engine.page.prev_link;
    view.items = the_engine.page.page_items;
    view.item_count = the_engine.page.page_item_count < PAGE_ITEMS_SIZE ? the_engine.page.page_item_count : PAGE_ITEMS_SIZE;
    view.shown_screen = the_engine.app.shown_screen;
    view.buttons = the_engine.page.buttons;
    view.button_controls = the_engine.layout.button_windows;
    view.button_count = the_engine.page.button_count < CONTROL_TABLE_SIZE ? the_engine.page.button_count : CONTROL_TABLE_SIZE;
    view.edit_boxes = the_engine.page.edit_boxes;
    view.edit_box_controls = the_engine.layout.edit_box_windows;
    view.edit_box_count = the_engine.page.edit_box_count < CONTROL_TABLE_SIZE ? the_engine.page.edit_box_count : CONTROL_TABLE_SIZE;
    if (the_engine.book.tables != nullptr) {
        view.variables = the_engine.book.tables->variable_catalogue;
        view.variable_states = the_engine.story.variables;
        view.variable_count = story_variable_count();
        view.restart_points = the_engine.story.restart_points;
        view.restart_point_count = story_restart_point_count();
    }
    view.hotwords = the_engine.play.hotwords;
    view.hotword_count = the_engine.play.hotword_count < HOTWORDS_SIZE ? (the_engine.play.hotword_count > 0 ? the_engine.play.hotword_count : 0) : HOTWORDS_SIZE;
    return view;
}

void app_go_to_paragraph(int16_t n) { goto_paragraph(n, GOTO_TAKE_UP); }

void app_go_to_paragraph_past_screens(int16_t n) {
    the_engine.app.pending_screen = 0;
    goto_paragraph(n, GOTO_TAKE_UP);
}

void app_set_next_random(int32_t value) { story_set_next_random(value); }

const char* app_state_file_name() { return state_file_name(); }

const char* app_state_file_name_of(const book_tables* book) {
    char* name = the_engine.app.state_file_name_of_text;
    const char* id = FALLBACK_BOOK_ID;
    if (book != nullptr && book->book_info != nullptr && book_id_valid(book->book_info->id)) id = book->book_info->id;
    std::snprintf(name, sizeof the_engine.app.state_file_name_of_text, "%s.dat", id);
    return name;
}

void app_abandon() {
    plat_file_close(the_engine.app.state_file);
    the_engine.app.state_file = nullptr;
}

}  // namespace tomelet
