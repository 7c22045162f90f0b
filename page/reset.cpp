// The page model put back as a new process finds it.
#include <cstring>

#include "page/controls.h"
#include "page/display_list.h"
#include "page/window.h"

namespace tomelet {

void page_state_reset() {
    std::memset(edit_boxes, 0, sizeof edit_boxes);
    std::memset(edit_box_windows, 0, sizeof edit_box_windows);
    edit_box_count = 0;
    std::memset(buttons, 0, sizeof buttons);
    std::memset(button_windows, 0, sizeof button_windows);
    button_count = 0;
    std::memset(page_items, 0, sizeof page_items);
    std::memset(page_text, 0, sizeof page_text);
    std::memset(page_sounds, 0, sizeof page_sounds);
    page_clear();
    build_bold = 0;
    right_edge = 0;
    cursor_y = 0;
    base_line_height = 16;
    avg_char_width = 7;
    bold_font = nullptr;
    normal_font = nullptr;
    client_origin = plat_rect{0, 0, 0, 0};
    text_area = plat_rect{0, 0, 0, 0};
}

}  // namespace tomelet
