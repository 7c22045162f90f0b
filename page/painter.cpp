#include "page/painter.h"

namespace tomelet {

int32_t right_edge = 0;
int32_t cursor_y = 0;
int32_t cursor_x = LEFT_MARGIN;
int32_t line_height = 16;
int32_t base_line_height = 16;
int32_t avg_char_width = 7;
int32_t tab_width = 14;
uint8_t repaint_after = 0;

}  // namespace tomelet
