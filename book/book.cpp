#include "book/book.h"

#include <cstring>

namespace tomelet {

const book_tables* the_book = nullptr;

void book_use(const book_tables* book) {
    the_book = book;
    if (book == nullptr) return;
    for (int32_t i = 0; i < book->variable_count; ++i) {
        book->variable_catalogue[i].value = 0;
        book->variable_catalogue[i].flag = 0;
        book->inventory_ids[i] = -1;
    }
    for (int32_t k = 0; k < book->restart_point_count; ++k) {
        book->restart_points[k].set = 0;
        book->restart_points[k].paragraph = book->restart_points[k].initial_paragraph;
    }
    std::memset(book->restart_snapshots, 0,
                static_cast<size_t>(book->restart_point_count) * book->variable_count * 2);
    std::memset(book->state_record, 0,
                static_cast<size_t>(state_record_size(book->variable_count, book->restart_point_count)));
}

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
    if (the_book == nullptr || the_book->book_info == nullptr || !book_id_valid(the_book->book_info->id)) {
        return FALLBACK_BOOK_ID;
    }
    return the_book->book_info->id;
}

const paragraph_row* paragraph_at(int32_t n) {
    if (the_book == nullptr || n < 1 || n > the_book->paragraph_count) return nullptr;
    return &the_book->paragraph_index[n];
}

const picture_row* picture_at(int32_t n) {
    if (the_book == nullptr || n < 0 || n >= the_book->picture_count) return nullptr;
    return &the_book->picture_catalogue[n];
}

const char* sound_name(int32_t n) {
    if (the_book == nullptr || n < 0 || n >= the_book->sound_count) return nullptr;
    return the_book->sound_catalogue[n];
}

variable_row* variable_at(int32_t n) {
    if (the_book == nullptr || n < 0 || n >= the_book->variable_count) return nullptr;
    return &the_book->variable_catalogue[n];
}

restart_point* restart_point_at(int32_t k) {
    if (the_book == nullptr || k < 0 || k >= the_book->restart_point_count) return nullptr;
    return &the_book->restart_points[k];
}

const char* value_name(const variable_row* variable, int32_t value) {
    if (variable == nullptr || value < 0 || value >= variable->value_count) return nullptr;
    return variable->value_names[value];
}

uint8_t* restart_snapshot(int32_t k) {
    if (restart_point_at(k) == nullptr) return nullptr;
    return the_book->restart_snapshots + static_cast<size_t>(k) * the_book->variable_count * 2;
}

}  // namespace tomelet
