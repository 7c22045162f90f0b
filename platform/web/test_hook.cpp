// The test hook of the web reader, as the scripted driver's `dump` and
// `random V` are for the headless one: the browser tests read the engine's
// page (navigation, links, the page display list, the variables) in the
// driver's dump format, to compare it with the headless reader after the
// same steps, and fix the story's next random number.  Reading these
// changes nothing; fixing the next roll only chooses what a roll would have
// given anyway.  reader.js offers both to a page opened with ?test.
#include <emscripten.h>

#include <cstdio>
#include <string>

#include "app/navigation.h"
#include "book/book.h"
#include "page/display_list.h"
#include "story/game_state.h"

namespace {

using namespace tomelet;

std::string quote(const char* text) {
    std::string out = "\"";
    for (const char* c = text != nullptr ? text : ""; *c != '\0'; ++c) {
        const auto u = static_cast<unsigned char>(*c);
        if (*c == '"' || *c == '\\') {
            out += '\\';
            out += *c;
        } else if (u < 0x20 || u >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        } else {
            out += *c;
        }
    }
    return out + "\"";
}

const char* item_kind_name(int32_t kind) {
    switch (kind) {
        case ITEM_TEXT: return "text";
        case ITEM_ALIGN_LEFT: return "align left";
        case ITEM_ALIGN_CENTRE: return "align centre";
        case ITEM_ALIGN_RIGHT: return "align right";
        case ITEM_BOLD_ON: return "bold on";
        case ITEM_BOLD_OFF: return "bold off";
        case ITEM_PARAGRAPH_BREAK: return "paragraph";
        case ITEM_BREAK: return "break";
        case ITEM_TAB: return "tab";
        case ITEM_TITLE: return "title";
        case ITEM_PICTURE: return "picture";
        case ITEM_EDIT_BOX: return "edit-box";
        case ITEM_BUTTON: return "button";
        default: return "unknown";
    }
}

std::string link_text(const page_link& link) {
    if (link.kind == LINK_PARAGRAPH) return "paragraph:" + std::to_string(link.target + 1);
    if (link.kind == LINK_SCREEN) return "screen:" + std::to_string(link.target);
    return "none";
}

std::string dump_text;

}  // namespace

extern "C" {

// The engine's side of a dump: the `navigation`, `links`, `items` and
// `variables` sections of the driver's format.
EMSCRIPTEN_KEEPALIVE const char* web_test_dump() {
    std::string& out = dump_text;
    out = "navigation shown " + std::to_string(shown_paragraph) + " current " + std::to_string(current_paragraph) +
          " on_current_page " + std::to_string(on_current_page) + " pending_screen " +
          std::to_string(pending_screen) + " choice_taken " + std::to_string(choice_taken) + "\n";
    out += "links next " + link_text(next_link) + " prev " + link_text(prev_link) + "\n";
    out += "items " + std::to_string(page_item_count) + "\n";
    for (int32_t i = 0; i < page_item_count && i < PAGE_ITEMS_SIZE; ++i) {
        const page_item& item = page_items[i];
        out += "  " + std::to_string(i) + " " + item_kind_name(item.kind);
        if (item.kind == ITEM_TEXT || item.kind == ITEM_TITLE) out += " " + quote(item.text);
        if (item.kind == ITEM_PICTURE) {
            out += " " + std::to_string(static_cast<uint16_t>(item.value)) +
                   (item.inline_flag != 0 ? " inline" : " own-line");
        }
        if (item.kind == ITEM_EDIT_BOX || item.kind == ITEM_BUTTON) out += " " + std::to_string(item.value);
        out += "\n";
    }
    out += "variables\n";
    for (int32_t i = 0; the_book != nullptr && i < the_book->variable_count; ++i) {
        const variable_row& v = the_book->variable_catalogue[i];
        if (v.value == 0 && v.flag == 0) continue;
        const char* value = value_name(&v, v.value);
        out += "  " + std::to_string(i) + " " + quote(v.name) + " value " + std::to_string(v.value) + " " +
               (value != nullptr ? quote(value) : std::string("-")) + " flag " + std::to_string(v.flag) + "\n";
    }
    out += "end\n";
    return out.c_str();
}

// The story's next random number is `value` (0 to 32767): the generator's
// state is set to the one whose successor yields it.
EMSCRIPTEN_KEEPALIVE void web_test_next_random(int32_t value) {
    constexpr uint32_t multiplier = 214013u;
    constexpr uint32_t increment = 2531011u;
    uint32_t inverse = multiplier;  // Newton's iteration for the inverse mod 2^32
    for (int i = 0; i < 5; ++i) inverse *= 2u - multiplier * inverse;
    const uint32_t next = static_cast<uint32_t>(value & 0x7FFF) << 16;
    random_state = (next - increment) * inverse;
    random_seeded = 1;
}

}  // extern "C"
