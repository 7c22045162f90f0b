// Window-wide values: the two page fonts and the main window's rectangles.
#pragma once

#include "platform/platform.h"

namespace tomelet {

extern plat_font bold_font;
extern plat_font normal_font;
// The client rectangle read once right after the window was created; its
// left and top are where new page controls are placed provisionally.
extern plat_rect client_origin;
// The client area above the navigation bar.
extern plat_rect text_area;

}  // namespace tomelet
