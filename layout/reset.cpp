// The painter's layout state put back as a new process finds it.
#include <cstring>

#include "layout/painter.h"
#include "engine/engine.h"

namespace tomelet {

void layout_reset() {
    the_engine.layout.cursor_x = LEFT_MARGIN;
    the_engine.layout.line_height = 16;
    the_engine.layout.tab_width = 14;
    the_engine.layout.repaint_after = 0;
    the_engine.layout.running_bold = 0;
    the_engine.layout.alignment = 0;
    the_engine.layout.pending_bold = 0;
    the_engine.layout.laid_out_height = 0;
    the_engine.layout.laid_out_page = 0;
    std::memset(the_engine.layout.line_pieces, 0, sizeof the_engine.layout.line_pieces);
    the_engine.layout.line_piece_count = 0;
    std::memset(the_engine.layout.line_text, 0, sizeof the_engine.layout.line_text);
    the_engine.layout.line_text_used = 0;
    std::memset(the_engine.layout.fit_scratch, 0, sizeof the_engine.layout.fit_scratch);
}

}  // namespace tomelet
