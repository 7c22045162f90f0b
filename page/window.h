// The window a page is built for: its two page fonts, its rectangles, and
// the measures of the page that control creation reads while a page is
// built.  The application sets the fonts and rectangles, and the default
// font's measures at every build; the layout sets the right edge and the
// line's top at every paint.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace tomelet {

extern plat_font bold_font;
extern plat_font normal_font;
// The client rectangle read once right after the window was created; its
// left and top are where new page controls are placed provisionally.
extern plat_rect client_origin;
// The client area above the navigation bar.
extern plat_rect text_area;

// Right edge of the text lines: text_area's right minus 24.
extern int32_t right_edge;
// Top of the current line in client coordinates; during a build it is the
// provisional place of the next control.
extern int32_t cursor_y;
// tmHeight and tmAveCharWidth of the window's default font.
extern int32_t base_line_height;
extern int32_t avg_char_width;

}  // namespace tomelet
