// The platform's handles and its two plain measures, apart from the calls
// that use them: the engine's parts that keep a control, a font, a bitmap,
// a canvas or a file between calls (the layout's and the application's)
// name them without seeing the platform's functions, so the layers below
// them, which reach those parts' types through the engine object, never
// see a call into the platform.
#pragma once

#include <cstdint>

namespace tomelet {

// Opaque handles.  A null handle means "none" (or a failed creation).
struct plat_control_tag;
struct plat_font_tag;
struct plat_bitmap_tag;
struct plat_file_tag;
struct plat_canvas_tag;
using plat_control = plat_control_tag*;
using plat_font = plat_font_tag*;
using plat_bitmap = plat_bitmap_tag*;
using plat_file = plat_file_tag*;
// A surface to draw on: the main window while it paints, or an owner-drawn
// button while it is drawn.
using plat_canvas = plat_canvas_tag*;

struct plat_size {
    int32_t cx;
    int32_t cy;
};

struct plat_rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

}  // namespace tomelet
