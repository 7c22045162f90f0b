// The page display list as short readable lines, so that a test can state
// a whole page at once.
#pragma once

#include <string>
#include <vector>

#include "engine/engine.h"
#include "page/display_list.h"

namespace tomelet::testing {

inline std::string describe(const page_item& item) {
    switch (item.kind) {
        case ITEM_TEXT:
            return "text " + std::string(item.text);
        case ITEM_TITLE:
            return "title " + std::string(item.text);
        case ITEM_ALIGN_LEFT:
            return "left";
        case ITEM_ALIGN_CENTRE:
            return "centre";
        case ITEM_ALIGN_RIGHT:
            return "right";
        case ITEM_BOLD_ON:
            return "bold";
        case ITEM_BOLD_OFF:
            return "/bold";
        case ITEM_PARAGRAPH_BREAK:
            return "para";
        case ITEM_BREAK:
            return "br";
        case ITEM_TAB:
            return "tab";
        case ITEM_PICTURE:
            return "picture " + std::to_string(item.value) + (item.inline_flag != 0 ? " inline" : "");
        case ITEM_EDIT_BOX:
            return "edit " + std::to_string(item.value);
        case ITEM_BUTTON:
            return "button " + std::to_string(item.value);
        default:
            return "kind " + std::to_string(item.kind);
    }
}

inline std::vector<std::string> page_lines() {
    std::vector<std::string> lines;
    for (int32_t i = 0; i < the_engine.page.page_item_count; ++i) lines.push_back(describe(the_engine.page.page_items[i]));
    return lines;
}

}  // namespace tomelet::testing
