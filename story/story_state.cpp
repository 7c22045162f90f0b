#include "story/story_state.h"
#include "engine/engine.h"

#include <cstring>

namespace tomelet {

void story_state_reset() {
    const book_tables* book = the_engine.book.tables;
    if (book == nullptr) return;
    const int32_t variables = story_variable_count();
    const int32_t points = story_restart_point_count();
    for (int32_t i = 0; i < variables; ++i) {
        the_engine.story.variables[i] = variable_state{0, 0};
        the_engine.story.inventory_ids[i] = -1;
    }
    for (int32_t k = 0; k < points; ++k) {
        the_engine.story.restart_points[k] = restart_state{0, book->restart_points[k].initial_paragraph};
    }
    std::memset(the_engine.story.restart_snapshots, 0, static_cast<size_t>(points) * variables * 2);
    std::memset(the_engine.story.state_record, 0, static_cast<size_t>(state_record_size(variables, points)));
}

void book_use(const book_tables* book) {
    book_select(book);
    story_state_reset();
}

namespace {

bool variable_in_book(int32_t n) { return n >= 0 && n < story_variable_count(); }

bool restart_point_in_book(int32_t k) { return k >= 0 && k < story_restart_point_count(); }

}  // namespace

variable_state* variable_state_at(int32_t n) { return variable_in_book(n) ? &the_engine.story.variables[n] : nullptr; }

restart_state* restart_state_at(int32_t k) { return restart_point_in_book(k) ? &the_engine.story.restart_points[k] : nullptr; }

uint8_t* restart_snapshot(int32_t k) {
    if (!restart_point_in_book(k)) return nullptr;
    return the_engine.story.restart_snapshots + static_cast<size_t>(k) * story_variable_count() * 2;
}

}  // namespace tomelet
