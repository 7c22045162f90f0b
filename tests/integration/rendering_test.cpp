// What the headless back end renders, over every screen and every page of
// the compiled books, in both sizes of the page fonts (bold included):
// after each paint the client area must be exactly what a plain, pixel by
// pixel drawing of that paint's log gives on a white window (so nothing of
// an earlier page is left either), and the composed window exactly what it
// is when every glyph is drawn the plain way.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/navigation.h"
#include "app/shell.h"
#include "book/book.h"
#include "book/compiled_book.h"
#include "engine/engine.h"
#include "platform/headless/backend.h"
#include "tests/support/reference_render.h"
#include "tests/support/temp_directory.h"

namespace tomelet {

extern const book_tables book_features;

namespace {

struct render_case {
    const char* name;
    const book_tables* book;
    int32_t screen_height;  // 768: the 16-point page fonts; 560: the 10-point ones
};

void PrintTo(const render_case& c, std::ostream* out) { *out << c.name; }

std::string hex(headless::rgb p) {
    char s[8];
    std::snprintf(s, sizeof s, "%02X%02X%02X", p.r, p.g, p.b);
    return s;
}

class RenderingTest : public testing::TempDirectoryTest, public ::testing::WithParamInterface<render_case> {
protected:
    void TearDown() override {
        headless::use_glyph_routine(nullptr);
        if (headless::window().exists) {
            plat_window_post_close();
            headless::pump();
        }
        app_finish();
        headless::reset();
        TempDirectoryTest::TearDown();
    }

    // The client area against the paint's log drawn again plainly.  (The
    // client layer keeps its bytes complemented.)
    static std::string client_differs() {
        const headless::window_record& w = headless::window();
        testing::reference_picture expected(w.client_width, w.client_height);
        if (!testing::reference_paint(&expected)) return "the draw log does not hold the whole paint";
        const headless::layer_view layer = headless::drawing_layer(false);
        if (layer.width != expected.width || layer.height != expected.height) return "the layer has another size";
        for (int32_t y = 0; y < expected.height; ++y) {
            const uint8_t* e = &expected.rgb[static_cast<size_t>(y) * expected.width * 3];
            const uint8_t* got = layer.pixels + static_cast<ptrdiff_t>(y) * layer.stride;
            for (int32_t i = 0; i < expected.width * 3; ++i) {
                if (static_cast<uint8_t>(~got[i]) == e[i]) continue;
                const int32_t x = i / 3;
                return "client pixel " + std::to_string(x) + "," + std::to_string(y) + " is " +
                       hex(headless::client_pixel(x, y)) + ", drawn plainly " +
                       hex(headless::rgb{e[3 * x], e[3 * x + 1], e[3 * x + 2]});
            }
        }
        return "";
    }

    // The composed window against the one composed with plain glyphs.
    static std::string window_differs() {
        headless::compose();
        const size_t size = static_cast<size_t>(headless::frame_width()) * headless::frame_height() * 3;
        const std::vector<uint8_t> fast(headless::screen_rows(), headless::screen_rows() + size);
        headless::use_glyph_routine(testing::reference_glyph_routine);
        headless::compose();
        headless::use_glyph_routine(nullptr);
        for (size_t i = 0; i < size; ++i) {
            if (fast[i] == headless::screen_rows()[i]) continue;
            const auto pixel = static_cast<int32_t>(i / 3);
            const int32_t x = pixel % headless::frame_width();
            const int32_t y = pixel / headless::frame_width();
            return "window pixel " + std::to_string(x) + "," + std::to_string(y) + " is " +
                   hex(headless::rgb{fast[3 * pixel], fast[3 * pixel + 1], fast[3 * pixel + 2]}) +
                   ", with plain glyphs " + hex(headless::screen_pixel(x, y));
        }
        return "";
    }

    void check(const std::string& where, bool whole_window) {
        EXPECT_EQ(client_differs(), "") << where;
        if (whole_window) {
            EXPECT_EQ(window_differs(), "") << where;
        }
    }
};

TEST_P(RenderingTest, EveryScreenAndPageRendersAsDrawnPixelByPixel) {
    headless::reset();
    headless::set_screen_height(GetParam().screen_height);
    ASSERT_TRUE(app_start(GetParam().book));
    headless::pump();
    check("the opening screen", true);
    while (headless::timer_running()) {
        headless::advance_clock(static_cast<uint32_t>(headless::timer_period()));
        check("the opening sequence", true);
    }
    const struct {
        int32_t id;
        const char* name;
    } commands[] = {{CMD_NEXT, "next"},           {CMD_INSTRUCTIONS, "instructions"}, {CMD_ABOUT, "about"},
                    {CMD_SOUNDS, "sounds"},       {CMD_SOUNDS_OK, "sounds ok"},       {CMD_INFORMATION, "information"},
                    {CMD_HINTS, "hints"},         {CMD_CREDITS, "credits"},           {CMD_OBJECTIVE, "objective"},
                    {CMD_RESTART, "restart"},     {CMD_RETURN, "return"}};
    for (const auto& c : commands) {
        headless::send_command(c.id, 0);
        check(std::string("after the command ") + c.name, true);
    }

    int32_t pages = 0;
    for (int32_t n = 1; n <= the_engine.book.tables->paragraph_count; ++n) {
        const paragraph_row* row = paragraph_at(n);
        if (row == nullptr || row->chunk < 0 || row->first >= row->end) continue;
        // Halfway, the window changes its size: the layers follow it.
        if (++pages == 100) {
            const headless::window_record& w = headless::window();
            headless::set_client_size(w.client_width + 37, w.client_height - 51);
        }
        goto_paragraph(static_cast<int16_t>(n), GOTO_TAKE_UP);
        const std::string where = "paragraph " + std::to_string(n);
        check(where, pages % 8 == 1);
        // Every fourth page, when long, scrolled down: lines cut by the top
        // of the window.
        if (pages % 4 == 0 && the_engine.layout.scroll_max > the_engine.layout.page_height && the_engine.layout.page_height > 0) {
            headless::scroll(SCROLL_PAGE_DOWN, 0);
            check(where + " scrolled", pages % 8 == 1);
        }
        if (HasFailure()) return;
    }
    EXPECT_GT(pages, 0);
}

INSTANTIATE_TEST_SUITE_P(Books, RenderingTest,
                         ::testing::Values(render_case{"compiled_large", &compiled_book, 768},
                                           render_case{"compiled_small", &compiled_book, 560},
                                           render_case{"features_large", &book_features, 768},
                                           render_case{"features_small", &book_features, 560}),
                         [](const ::testing::TestParamInfo<render_case>& info) { return info.param.name; });

}  // namespace
}  // namespace tomelet
