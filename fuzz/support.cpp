#include "fuzz/support.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/navigation.h"
#include "app/shell.h"
#include "page/window.h"
#include "book/assemble.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "layout/painter.h"
#include "platform/headless/headless.h"
#include "story/evaluator.h"
#include "story/game_state.h"
#include "story/hotwords.h"
#include "story/markup.h"
#include "story/state_file.h"
#include "story/tag_reader.h"

namespace tomelet::fuzzing {

void reset_engine_state() {
    // The controls first, while their handles still name the back end's.
    destroy_page_controls();
    plat_file_close(state_file);
    state_file = nullptr;
    headless::reset();

    std::memset(paragraph_text, 0, sizeof paragraph_text);

    random_state = 1;
    random_seeded = 0;
    std::memset(hotwords, 0, sizeof hotwords);
    hotword_count = 0;
    scan_state = SCAN_GAP;
    scan_position = 0;
    std::memset(pending_words, 0, sizeof pending_words);
    pending_length = 0;
    hold_words = 0;
    last_condition = 1;
    std::memset(tag_buffer, 0, sizeof tag_buffer);
    tag_length = 0;
    tag_cursor = 0;
    evaluator_reset();

    std::memset(edit_boxes, 0, sizeof edit_boxes);
    std::memset(edit_box_windows, 0, sizeof edit_box_windows);
    edit_box_count = 0;
    std::memset(buttons, 0, sizeof buttons);
    std::memset(button_windows, 0, sizeof button_windows);
    button_count = 0;
    std::memset(page_items, 0, sizeof page_items);
    std::memset(page_text, 0, sizeof page_text);
    page_clear();
    build_bold = 0;

    right_edge = 0;
    cursor_y = 0;
    cursor_x = LEFT_MARGIN;
    line_height = 16;
    base_line_height = 16;
    avg_char_width = 7;
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

    navigation_reset();
    font_points = 16.0f;
    bold_font = nullptr;
    normal_font = nullptr;
    client_origin = plat_rect{0, 0, 0, 0};
    text_area = plat_rect{0, 0, 0, 0};
}

namespace {

char scratch[64];

// The folder goes when the fuzzer exits.
void remove_scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

}  // namespace

void enter_scratch_folder() {
    if (scratch[0] != '\0') return;  // entered already, by an earlier input
    std::strcpy(scratch, "/dev/shm/tomelet-fuzz-XXXXXX");
    if (mkdtemp(scratch) == nullptr) {
        std::strcpy(scratch, "/tmp/tomelet-fuzz-XXXXXX");
        if (mkdtemp(scratch) == nullptr) std::abort();
    }
    if (chdir(scratch) != 0) std::abort();
    std::atexit(remove_scratch);
}

}  // namespace tomelet::fuzzing
