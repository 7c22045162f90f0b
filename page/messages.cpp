#include "page/messages.h"

#include <cstring>

#include "engine/engine.h"

namespace tomelet {

namespace {

void copy_cut(char* to, int32_t size, const char* from) {
    size_t n = from != nullptr ? std::strlen(from) : 0;
    if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
    if (n > 0) std::memcpy(to, from, n);
    to[n] = '\0';
}

}  // namespace

void report_message(const char* text, const char* caption, bool close_after) {
    page_state& page = the_engine.page;
    ++page.reported_messages;
    if (page.held_count >= PAGE_MESSAGES_SIZE) {
        if (close_after) page.close_pending = true;
        return;
    }
    held_message& m = page.held[(page.held_first + page.held_count) % PAGE_MESSAGES_SIZE];
    copy_cut(m.text, HELD_TEXT_SIZE, text);
    copy_cut(m.caption, HELD_CAPTION_SIZE, caption);
    m.default_caption = caption == nullptr;
    m.close_after = close_after;
    m.buttons = MESSAGE_OK;
    ++page.held_count;
}

int32_t held_message_count() { return the_engine.page.held_count; }

int32_t reported_message_count() { return the_engine.page.reported_messages; }

const char* held_message_text(int32_t i) {
    const page_state& page = the_engine.page;
    if (i < 0 || i >= page.held_count) return nullptr;
    return page.held[(page.held_first + i) % PAGE_MESSAGES_SIZE].text;
}

bool take_held_message(held_message* out) {
    page_state& page = the_engine.page;
    if (page.held_count == 0) return false;
    *out = page.held[page.held_first];
    page.held_first = (page.held_first + 1) % PAGE_MESSAGES_SIZE;
    --page.held_count;
    return true;
}

bool take_close_request() {
    const bool asked = the_engine.page.close_pending;
    the_engine.page.close_pending = false;
    return asked;
}

void note_close_request() { the_engine.page.close_pending = true; }

void drop_held_messages() {
    the_engine.page.reported_messages = 0;
    the_engine.page.held_first = 0;
    the_engine.page.held_count = 0;
    the_engine.page.close_pending = false;
}

}  // namespace tomelet
