#include "platform/common/model_dump.h"

#include <cstdio>

#include "book/book.h"

namespace tomelet::model_dump {

namespace {

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

}  // namespace

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

std::string link_text(const page_link& link) {
    if (link.kind == LINK_PARAGRAPH) return "paragraph:" + std::to_string(link.target + 1);
    if (link.kind == LINK_SCREEN) return "screen:" + std::to_string(link.target);
    return "none";
}

std::string navigation(const page_view& view) {
    return "navigation shown " + std::to_string(view.shown_paragraph) + " current " +
           std::to_string(view.current_paragraph) + " on_current_page " + std::to_string(view.on_current_page) +
           " pending_screen " + std::to_string(view.pending_screen) + " choice_taken " +
           std::to_string(view.choice_taken);
}

std::string links(const page_view& view) {
    return "links next " + link_text(view.next_link) + " prev " + link_text(view.prev_link) + "\n";
}

std::string items(const page_view& view) {
    std::string out = "items " + std::to_string(view.item_count) + "\n";
    for (int32_t i = 0; i < view.item_count; ++i) {
        const page_item& item = view.items[i];
        out += "  " + std::to_string(i) + " " + item_kind_name(item.kind);
        if (item.kind == ITEM_TEXT || item.kind == ITEM_TITLE) out += " " + quote(item.text);
        if (item.kind == ITEM_PICTURE) {
            out += " " + std::to_string(static_cast<uint16_t>(item.value)) +
                   (item.inline_flag != 0 ? " inline" : " own-line");
        }
        if (item.kind == ITEM_EDIT_BOX || item.kind == ITEM_BUTTON) out += " " + std::to_string(item.value);
        out += "\n";
    }
    return out;
}

std::string variables(const page_view& view) {
    std::string out = "variables\n";
    for (int32_t i = 0; i < view.variable_count; ++i) {
        const variable_row& v = view.variables[i];
        const variable_state& live = view.variable_states[i];
        if (live.value == 0 && live.flag == 0) continue;
        const char* value = value_name(&v, live.value);
        out += "  " + std::to_string(i) + " " + quote(v.name) + " value " + std::to_string(live.value) + " " +
               (value != nullptr ? quote(value) : std::string("-")) + " flag " + std::to_string(live.flag) + "\n";
    }
    return out;
}

}  // namespace tomelet::model_dump
