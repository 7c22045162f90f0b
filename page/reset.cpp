// The page model put back as a new process finds it.
#include <cstring>

#include "page/controls.h"
#include "page/display_list.h"
#include "engine/engine.h"

namespace tomelet {

void page_state_reset() {
    std::memset(the_engine.page.edit_boxes, 0, sizeof the_engine.page.edit_boxes);
    std::memset(the_engine.page.edit_box_windows, 0, sizeof the_engine.page.edit_box_windows);
    the_engine.page.edit_box_count = 0;
    std::memset(the_engine.page.buttons, 0, sizeof the_engine.page.buttons);
    std::memset(the_engine.page.button_windows, 0, sizeof the_engine.page.button_windows);
    the_engine.page.button_count = 0;
    std::memset(the_engine.page.page_items, 0, sizeof the_engine.page.page_items);
    std::memset(the_engine.page.page_text, 0, sizeof the_engine.page.page_text);
    std::memset(the_engine.page.page_sounds, 0, sizeof the_engine.page.page_sounds);
    page_clear();
    the_engine.page.build_bold = 0;
    the_engine.page.right_edge = 0;
    the_engine.page.cursor_y = 0;
    the_engine.page.base_line_height = 16;
    the_engine.page.avg_char_width = 7;
    the_engine.page.bold_font = nullptr;
    the_engine.page.normal_font = nullptr;
    the_engine.page.client_origin = plat_rect{0, 0, 0, 0};
    the_engine.page.text_area = plat_rect{0, 0, 0, 0};
}

}  // namespace tomelet
