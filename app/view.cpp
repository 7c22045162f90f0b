// The read-only view of the page and the reader's place that a back end's
// test support reads.
#include <cstdio>

#include "app/entry.h"
#include "app/navigation.h"
#include "story/game_state.h"
#include "story/hotwords.h"
#include "story/state_file.h"
#include "story/story_state.h"

namespace tomelet {

page_view app_page_view() {
    page_view view{};
    view.shown_paragraph = shown_paragraph;
    view.current_paragraph = current_paragraph;
    view.on_current_page = on_current_page;
    view.pending_screen = pending_screen;
    view.inventory_shown = inventory_shown;
    view.choice_taken = choice_taken;
    view.scroll_origin = scroll_origin;
    view.next_link = next_link;
    view.prev_link = prev_link;
    view.items = page_items;
    view.item_count = page_item_count < PAGE_ITEMS_SIZE ? page_item_count : PAGE_ITEMS_SIZE;
    view.shown_screen = shown_screen;
    view.buttons = buttons;
    view.button_controls = button_windows;
    view.button_count = button_count < CONTROL_TABLE_SIZE ? button_count : CONTROL_TABLE_SIZE;
    view.edit_boxes = edit_boxes;
    view.edit_box_controls = edit_box_windows;
    view.edit_box_count = edit_box_count < CONTROL_TABLE_SIZE ? edit_box_count : CONTROL_TABLE_SIZE;
    if (the_book != nullptr) {
        view.variables = the_book->variable_catalogue;
        view.variable_states = the_story.variables;
        view.variable_count = story_variable_count();
        view.restart_points = the_story.restart_points;
        view.restart_point_count = story_restart_point_count();
    }
    view.hotwords = hotwords;
    view.hotword_count = hotword_count < HOTWORDS_SIZE ? (hotword_count > 0 ? hotword_count : 0) : HOTWORDS_SIZE;
    return view;
}

void app_go_to_paragraph(int16_t n) { goto_paragraph(n, GOTO_TAKE_UP); }

void app_go_to_paragraph_past_screens(int16_t n) {
    pending_screen = 0;
    goto_paragraph(n, GOTO_TAKE_UP);
}

void app_set_next_random(int32_t value) { story_set_next_random(value); }

void app_reset_random() {
    random_state = 1;
    random_seeded = 0;
}

const char* app_state_file_name() { return state_file_name(); }

const char* app_state_file_name_of(const book_tables* book) {
    static char name[BOOK_ID_MAX + sizeof ".dat"];
    const char* id = FALLBACK_BOOK_ID;
    if (book != nullptr && book->book_info != nullptr && book_id_valid(book->book_info->id)) id = book->book_info->id;
    std::snprintf(name, sizeof name, "%s.dat", id);
    return name;
}

void app_abandon() {
    plat_file_close(state_file);
    state_file = nullptr;
}

}  // namespace tomelet
