#include "page/display_list.h"

#include <cstdint>
#include <cstring>

#include "book/book.h"
#include "page/messages.h"
#include "page/short_copy.h"
#include "platform/platform.h"

namespace tomelet {

page_item page_items[PAGE_ITEMS_SIZE];
int16_t page_item_count = 0;
char page_text[PAGE_TEXT_SIZE];
int16_t page_text_used = 0;
uint8_t build_bold = 0;

namespace {

constexpr char PAGE_OVERFLOW[] = "Page buffer Overflow";

// The next free item, or nullptr when the list is full.  A full list is
// reported like a full page text: "Page buffer Overflow", once for every
// refused item, and the page is built on without it.
page_item* next_item() {
    if (page_item_count >= PAGE_ITEMS_SIZE) {
        show_error(PAGE_OVERFLOW);
        return nullptr;
    }
    page_item* item = &page_items[page_item_count++];
    item->value = 0;
    item->inline_flag = 0;
    item->text = nullptr;
    return item;
}

void add_marker(int32_t kind) {
    if (page_item* item = next_item()) item->kind = kind;
}

}  // namespace

void page_clear() {
    page_item_count = 0;
    page_text_used = 0;
}

namespace {

void add_text(const char* text, size_t length, int32_t kind) {
    if (static_cast<size_t>(page_text_used) + length >= static_cast<size_t>(PAGE_TEXT_SIZE)) {
        show_error(PAGE_OVERFLOW);
        return;
    }
    if (page_item_count > 0 && page_items[page_item_count - 1].kind == kind) {
        copy_short(page_text + page_text_used - 1, text, length + 1);
        page_text_used = static_cast<int16_t>(page_text_used + length);
        return;
    }
    page_item* item = next_item();
    if (item == nullptr) return;
    copy_short(page_text + page_text_used, text, length + 1);
    item->kind = kind;
    item->text = page_text + page_text_used;
    page_text_used = static_cast<int16_t>(page_text_used + length + 1);
}

// A run of most pages' length is copied as one block of this many
// characters when the source and page_text both hold that many.
constexpr int32_t RUN_BLOCK = 32;

}  // namespace

void page_text_run(const char* text, int32_t length, int32_t readable) {
    const bool joined = page_item_count > 0 && page_items[page_item_count - 1].kind == ITEM_TEXT;
    const int32_t at = joined ? page_text_used - 1 : page_text_used;
    if (page_text_used + length >= PAGE_TEXT_SIZE) {
        show_error(PAGE_OVERFLOW);
        return;
    }
    if (!joined) {
        page_item* item = next_item();
        if (item == nullptr) return;
        item->kind = ITEM_TEXT;
        item->text = page_text + at;
    }
    if (length <= RUN_BLOCK && readable >= RUN_BLOCK && at + RUN_BLOCK <= PAGE_TEXT_SIZE) {
        std::memcpy(page_text + at, text, RUN_BLOCK);
    } else {
        copy_short(page_text + at, text, static_cast<size_t>(length));
    }
    page_text[at + length] = '\0';
    page_text_used = static_cast<int16_t>(at + length + 1);
}

void page_add_text(const char* text, int32_t kind) { add_text(text, std::strlen(text), kind); }

void page_text_item(const char* text) { page_add_text(text, ITEM_TEXT); }

void page_title(const char* text) { page_add_text(text, ITEM_TITLE); }

int32_t page_flush_words(char* buffer) {
    const size_t length = std::strlen(buffer);
    add_text(buffer, length, ITEM_TEXT);
    buffer[0] = '\0';
    return static_cast<int32_t>(length);
}

void page_line_break() { add_marker(ITEM_BREAK); }

void page_paragraph_break() { add_marker(ITEM_PARAGRAPH_BREAK); }

void page_tab() { add_marker(ITEM_TAB); }

void page_bold_on() {
    build_bold = 1;
    add_marker(ITEM_BOLD_ON);
}

void page_bold_off() {
    build_bold = 0;
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
    if (page_item* item = next_item()) {
        item->kind = ITEM_PICTURE;
        item->value = static_cast<int16_t>(picture->resource);
        item->inline_flag = inline_flag;
    }
}

void page_picture_resource(int32_t resource) {
    if (page_item* item = next_item()) {
        item->kind = ITEM_PICTURE;
        item->value = static_cast<int16_t>(resource);
        item->inline_flag = 1;
    }
}

void page_control_item(int32_t kind, int16_t index) {
    if (page_item* item = next_item()) {
        item->kind = kind;
        item->value = index;
    }
}

void show_error(const char* text) {
    char message[100];
    size_t length = std::strlen(text);
    if (length > sizeof message - 1) length = sizeof message - 1;
    std::memcpy(message, text, length);
    message[length] = '\0';
    report_message(message, nullptr, false);
}

}  // namespace tomelet
