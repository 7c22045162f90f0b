#include "page/display_list.h"

#include <cstdint>
#include <cstring>

#include "book/book.h"
#include "engine/engine.h"
#include "page/messages.h"
#include "book/short_copy.h"

namespace tomelet {

namespace {

constexpr char PAGE_OVERFLOW[] = "Page buffer Overflow";


// Appends `item` (written whole, its unused fields 0) and returns true, or
// returns false when the list is full.  A full list is reported like a
// full page text: "Page buffer Overflow", once for every refused item, and
// the page is built on without it.
bool append_item(const page_item& item) {
    const int32_t count = the_engine.page.page_item_count;
    if (count >= PAGE_ITEMS_SIZE) [[unlikely]] {
        show_error(PAGE_OVERFLOW);
        return false;
    }
    store_page_item(the_engine.page.page_items + count, item);
    the_engine.page.page_item_count = static_cast<int16_t>(count + 1);
    return true;
}

void add_marker(int32_t kind) { append_item(page_item{kind, 0, 0, nullptr}); }

}  // namespace

void page_clear() {
    the_engine.page.page_item_count = 0;
    the_engine.page.page_text_used = 0;
    the_engine.page.page_sound_count = 0;
}

void page_play_sound(const char* name) {
    if (the_engine.page.page_sound_count < PAGE_SOUNDS_SIZE) ++the_engine.page.page_sound_count;
    the_engine.page.page_sounds[the_engine.page.page_sound_count - 1] = name;
}

void page_stop_sound() { page_play_sound(nullptr); }

namespace {

void add_text(const char* text, size_t length, int32_t kind) {
    if (static_cast<size_t>(the_engine.page.page_text_used) + length >= static_cast<size_t>(PAGE_TEXT_SIZE)) {
        show_error(PAGE_OVERFLOW);
        return;
    }
    if (the_engine.page.page_item_count > 0 && the_engine.page.page_items[the_engine.page.page_item_count - 1].kind == kind) {
        copy_short(the_engine.page.page_text + the_engine.page.page_text_used - 1, text, length + 1);
        the_engine.page.page_text_used = static_cast<int16_t>(the_engine.page.page_text_used + length);
        return;
    }
    if (!append_item(page_item{kind, 0, 0, the_engine.page.page_text + the_engine.page.page_text_used})) return;
    copy_short(the_engine.page.page_text + the_engine.page.page_text_used, text, length + 1);
    the_engine.page.page_text_used = static_cast<int16_t>(the_engine.page.page_text_used + length + 1);
}

// A run is copied in blocks of this many characters, the last one reaching
// past its end, when the source and page_text both hold all of them (what
// the last block brings past the run lies behind its NUL, in the part of
// page_text not yet used).
constexpr int32_t RUN_BLOCK = 16;
static_assert((RUN_BLOCK & (RUN_BLOCK - 1)) == 0);

}  // namespace

void page_text_run(const char* text, int32_t length, int32_t readable) {
    const int32_t used = the_engine.page.page_text_used;
    if (used + length >= PAGE_TEXT_SIZE) {
        show_error(PAGE_OVERFLOW);
        return;
    }
    const int32_t count = the_engine.page.page_item_count;
    int32_t at = used;
    if (count > 0 && the_engine.page.page_items[count - 1].kind == ITEM_TEXT) {
        at = used - 1;  // joined: over the NUL of the text before
    } else if (!append_item(page_item{ITEM_TEXT, 0, 0, the_engine.page.page_text + at})) {
        return;
    }
    char* to = the_engine.page.page_text + at;
    const int32_t blocks = (length + RUN_BLOCK - 1) & -RUN_BLOCK;  // length > 0: no signed division
    if (blocks <= readable && at + blocks <= PAGE_TEXT_SIZE) {
        for (int32_t k = 0; k < length; k += RUN_BLOCK) std::memcpy(to + k, text + k, RUN_BLOCK);
    } else {
        copy_short(to, text, static_cast<size_t>(length));
    }
    to[length] = '\0';
    the_engine.page.page_text_used = static_cast<int16_t>(at + length + 1);
}

void page_add_text(const char* text, int32_t kind) { add_text(text, std::strlen(text), kind); }

void page_text_item(const char* text) { page_add_text(text, ITEM_TEXT); }

void page_title(const char* text) { page_add_text(text, ITEM_TITLE); }

void page_title_run(const char* text, int32_t length) { add_text(text, static_cast<size_t>(length), ITEM_TITLE); }

int32_t page_flush_words(char* buffer) {
    const size_t length = std::strlen(buffer);
    add_text(buffer, length, ITEM_TEXT);
    buffer[0] = '\0';
    return static_cast<int32_t>(length);
}

[[gnu::noinline]] void page_line_break() { add_marker(ITEM_BREAK); }

void page_paragraph_break() { add_marker(ITEM_PARAGRAPH_BREAK); }

void page_tab() { add_marker(ITEM_TAB); }

void page_bold_on() {
    the_engine.page.build_bold = 1;
    add_marker(ITEM_BOLD_ON);
}

void page_bold_off() {
    the_engine.page.build_bold = 0;
    add_marker(ITEM_BOLD_OFF);
}

// The item is of kind 2 + the code: 0, 1 and 2 make the three alignment
// items, and any other code an item of another kind, laid out as that kind
// (3 a bold switch, 6 a paragraph break, ...; a kind the painter does not
// know, such as 7, 11 or 102, is skipped), or a picture item without a
// bitmap (11), which takes a whole line.  Dropped are the codes whose kind
// carries what an alignment tag does not have: a text (-1, 10: the next
// text of the page would be joined to the item's missing text, written in
// front of the page text when it is empty) or a control's index (12, 13:
// the page's first control would be placed twice in every layout, moving it
// back and forth and painting the page again without end); and the codes
// whose sum does not fit in 32 bits.
void page_align(int32_t code) {
    if (code > INT32_MAX - ITEM_ALIGN_LEFT) return;
    const int32_t kind = ITEM_ALIGN_LEFT + code;
    switch (kind) {
        case ITEM_TEXT:
        case ITEM_TITLE:
        case ITEM_EDIT_BOX:
        case ITEM_BUTTON: return;
        default: add_marker(kind); break;
    }
}

// A picture number outside the catalogue places nothing.
void page_picture(int32_t number, uint8_t inline_flag) {
    const picture_row* picture = picture_at(number);
    if (picture == nullptr) return;
    append_item(page_item{ITEM_PICTURE, static_cast<int16_t>(picture->resource), inline_flag, nullptr});
}

void page_picture_resource(int32_t resource) {
    append_item(page_item{ITEM_PICTURE, static_cast<int16_t>(resource), 1, nullptr});
}

void page_control_item(int32_t kind, int16_t index) { append_item(page_item{kind, index, 0, nullptr}); }

void show_error(const char* text) {
    char message[100];
    size_t length = std::strlen(text);
    if (length > sizeof message - 1) length = sizeof message - 1;
    std::memcpy(message, text, length);
    message[length] = '\0';
    report_message(message, nullptr, false);
}

}  // namespace tomelet
