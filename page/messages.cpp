#include "page/messages.h"

#include <cstring>

#include "engine/engine.h"
#include "platform/platform.h"

namespace tomelet {

namespace {

// The held messages (page_state's `held`) are a queue, shown from its
// front: a box shown while the queue is released may paint, and a paint
// inside it releases what is left (and what it adds) in the same order.

void copy_cut(char* to, int32_t size, const char* from) {
    size_t n = from != nullptr ? std::strlen(from) : 0;
    if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
    if (n > 0) std::memcpy(to, from, n);
    to[n] = '\0';
}

void show(const char* text, const char* caption, bool close_after) {
    plat_message_box(false, text, caption, PLAT_BOX_OK);
    if (close_after) plat_window_post_close();
}

}  // namespace

void report_message(const char* text, const char* caption, bool close_after) {
    if (the_engine.page.hold_depth == 0) {
        show(text, caption, close_after);
        return;
    }
    if (the_engine.page.held_count >= HELD_MESSAGES_SIZE) {
        if (close_after) the_engine.page.close_pending = true;
        return;
    }
    held_message& m = the_engine.page.held[(the_engine.page.held_first + the_engine.page.held_count) % HELD_MESSAGES_SIZE];
    copy_cut(m.text, HELD_TEXT_SIZE, text);
    copy_cut(m.caption, HELD_CAPTION_SIZE, caption);
    m.default_caption = caption == nullptr;
    m.close_after = close_after;
    ++the_engine.page.held_count;
}

void hold_messages() { ++the_engine.page.hold_depth; }

void release_messages() {
    if (the_engine.page.hold_depth > 0) --the_engine.page.hold_depth;
    if (the_engine.page.hold_depth > 0) return;
    while (the_engine.page.held_count > 0) {
        // Taken off the queue before it is shown: the box's own loop may
        // paint and release the rest.
        const held_message m = the_engine.page.held[the_engine.page.held_first];
        the_engine.page.held_first = (the_engine.page.held_first + 1) % HELD_MESSAGES_SIZE;
        --the_engine.page.held_count;
        show(m.text, m.default_caption ? nullptr : m.caption, m.close_after);
    }
    if (the_engine.page.close_pending) {
        the_engine.page.close_pending = false;
        plat_window_post_close();
    }
}

int32_t held_message_count() { return the_engine.page.held_count; }

const char* held_message_text(int32_t i) {
    if (i < 0 || i >= the_engine.page.held_count) return nullptr;
    return the_engine.page.held[(the_engine.page.held_first + i) % HELD_MESSAGES_SIZE].text;
}

void drop_held_messages() {
    the_engine.page.held_first = 0;
    the_engine.page.held_count = 0;
    the_engine.page.close_pending = false;
}

}  // namespace tomelet
