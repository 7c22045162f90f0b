#include "book/book.h"
#include "engine/engine.h"

namespace tomelet {

void book_select(const book_tables* book) { the_engine.book.tables = book; }

const book_tables* book_in_use() { return the_engine.book.tables; }

bool book_id_valid(const char* id) {
    if (id == nullptr) return false;
    int32_t n = 0;
    for (; id[n] != '\0'; ++n) {
        const char c = id[n];
        const bool alnum = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!alnum || n >= BOOK_ID_MAX) return false;
    }
    return n > 0;
}

const char* book_id() {
    if (the_engine.book.tables == nullptr || the_engine.book.tables->book_info == nullptr || !book_id_valid(the_engine.book.tables->book_info->id)) {
        return FALLBACK_BOOK_ID;
    }
    return the_engine.book.tables->book_info->id;
}

const paragraph_row* paragraph_at(int32_t n) {
    if (the_engine.book.tables == nullptr || n < 1 || n > the_engine.book.tables->paragraph_count) return nullptr;
    return &the_engine.book.tables->paragraph_index[n];
}

const picture_row* picture_at(int32_t n) {
    if (the_engine.book.tables == nullptr || n < 0 || n >= the_engine.book.tables->picture_count) return nullptr;
    return &the_engine.book.tables->picture_catalogue[n];
}

const char* sound_name(int32_t n) {
    if (the_engine.book.tables == nullptr || n < 0 || n >= the_engine.book.tables->sound_count) return nullptr;
    return the_engine.book.tables->sound_catalogue[n];
}

const variable_row* variable_at(int32_t n) {
    if (the_engine.book.tables == nullptr || n < 0 || n >= the_engine.book.tables->variable_count) return nullptr;
    return &the_engine.book.tables->variable_catalogue[n];
}

const restart_point* restart_point_at(int32_t k) {
    if (the_engine.book.tables == nullptr || k < 0 || k >= the_engine.book.tables->restart_point_count) return nullptr;
    return &the_engine.book.tables->restart_points[k];
}

const char* value_name(const variable_row* variable, int32_t value) {
    if (variable == nullptr || value < 0 || value >= variable->value_count) return nullptr;
    return variable->value_names[value];
}

}  // namespace tomelet
