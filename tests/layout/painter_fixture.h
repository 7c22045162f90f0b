// The painter's test fixture: a 500 x 400 client area whose messages go to
// the painter alone, page fonts of known sizes, and the draws of a paint as
// text lines.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "book/book.h"
#include "engine/engine.h"
#include "layout/painter.h"
#include "layout/realise.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "platform/headless/headless.h"

namespace tomelet::testing {

// The window's messages go to the layout alone: these tests drive the page
// without the application's handlers.  A paint makes the controls the page
// recorded since the last one, then lays the page out and draws it, as the
// application does after a build.
inline void paint_handler() {
    realise_page_controls();
    draw_page();
}
inline void no_op() {}
inline void no_size(int32_t, int32_t) {}
inline bool no_command(int32_t, int32_t) { return false; }
inline bool no_key(int32_t) { return false; }
inline void no_vscroll(int32_t, int32_t) {}
inline bool no_item(int32_t, plat_canvas, const plat_rect&) { return false; }
inline const headless::entry_points painter_only{no_op,  no_op,      no_size, paint_handler, no_command,
                                          no_key, no_vscroll, no_op,   no_item};

// One line per draw of the last paint:
//   text@left,top,right,bottom/format/font (N normal, B bold, D default)
//   #resource@x,y widthxheight
//   inv@left,top,right,bottom
inline std::vector<std::string> drawn() {
    std::vector<std::string> lines;
    char line[400];
    for (int32_t i = 0; i < headless::draw_count(); ++i) {
        const headless::draw_record& r = headless::draw(i);
        if (r.kind == headless::DRAW_TEXT) {
            const char font = r.font == the_engine.layout.bold_font ? 'B' : r.font == the_engine.layout.normal_font ? 'N' : 'D';
            std::snprintf(line, sizeof line, "%s@%d,%d,%d,%d/%x/%c", r.text, r.rect.left, r.rect.top,
                          r.rect.right, r.rect.bottom, r.format, font);
        } else if (r.kind == headless::DRAW_INVERT) {
            std::snprintf(line, sizeof line, "inv@%d,%d,%d,%d", r.rect.left, r.rect.top, r.rect.right,
                          r.rect.bottom);
        } else {
            std::snprintf(line, sizeof line, "#%u@%d,%d %dx%d", static_cast<unsigned>(r.resource), r.x, r.y,
                          r.width, r.height);
        }
        lines.emplace_back(line);
    }
    return lines;
}

using lines = std::vector<std::string>;

// Page fonts of 21 pixels: 10 pixels a character and 20 high, bold or not;
// the default font gives a 16-pixel base line and 7-pixel characters.
class PainterTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::reset();
        headless::use_entry_points(&painter_only);
        ASSERT_TRUE(plat_window_create("painter", 0, 0, 500 + headless::NON_CLIENT_WIDTH,
                                       400 + headless::NON_CLIENT_HEIGHT));
        // The engine as a new process has it, then this fixture's window,
        // fonts and scrolling.
        engine_reset();
        resize(500);
        the_engine.page.client_origin = page_rect{0, 0, 500, 400};
        the_engine.layout.normal_font = plat_font_create(-21, 300);
        the_engine.layout.bold_font = plat_font_create(-21, 700);
        install_page_measures();
        the_engine.layout.scroll_origin = 0;
        the_engine.layout.scroll_max = 400;
        the_engine.layout.page_height = 357;
    }
    void TearDown() override {
        destroy_page_controls();
        headless::use_entry_points(nullptr);
        the_engine.book.tables = nullptr;
    }
    // Makes the controls the page recorded since the last call, then lays
    // the page out and paints it, as the application does after a build.
    static void draw() {
        realise_page_controls();
        draw_page();
    }
    // A client area `width` wide; text lines end 24 short of it.
    static void resize(int32_t width) {
        headless::set_client_size(width, 400);
        the_engine.layout.text_area = plat_rect{0, 0, width, 375};
    }
};

}  // namespace tomelet::testing
