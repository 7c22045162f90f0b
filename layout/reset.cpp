// The painter's layout state put back as a new process finds it.
#include <cstring>

#include "layout/painter.h"
#include "page/window.h"

namespace tomelet {

void layout_reset() {
    cursor_x = LEFT_MARGIN;
    line_height = 16;
    tab_width = 14;
    repaint_after = 0;
    running_bold = 0;
    alignment = 0;
    pending_bold = 0;
    laid_out_height = 0;
    laid_out_page = 0;
    std::memset(line_pieces, 0, sizeof line_pieces);
    line_piece_count = 0;
    std::memset(line_text, 0, sizeof line_text);
    line_text_used = 0;
    std::memset(fit_scratch, 0, sizeof fit_scratch);
}

}  // namespace tomelet
