#include "page/window.h"

namespace tomelet {

plat_font bold_font = nullptr;
plat_font normal_font = nullptr;
plat_rect client_origin = {0, 0, 0, 0};
plat_rect text_area = {0, 0, 0, 0};

int32_t right_edge = 0;
int32_t cursor_y = 0;
int32_t base_line_height = 16;
int32_t avg_char_width = 7;

}  // namespace tomelet
