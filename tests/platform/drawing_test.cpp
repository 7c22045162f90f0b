// The headless fonts, canvases, draw logs and text rendering.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/headless/headless.h"
#include "tests/platform/fake_engine.h"

namespace tomelet {
namespace {

using testing::fake_engine;
using testing::joined;

bool black(headless::rgb p) { return p.r == 0 && p.g == 0 && p.b == 0; }

// The black pixels of the client area inside a rectangle.
int count_black(const plat_rect& r) {
    int n = 0;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        for (int32_t x = r.left; x < r.right; ++x) n += black(headless::client_pixel(x, y)) ? 1 : 0;
    }
    return n;
}

class DrawingTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = &testing::install_fake_engine();
        ASSERT_TRUE(plat_window_create("Book", 0, 0, 529, 706));
    }
    void TearDown() override { headless::reset(); }

    static void text(plat_canvas canvas, plat_font font, const char* s, const plat_rect& r, uint32_t format) {
        plat_draw_text(canvas, font, s, static_cast<int32_t>(std::strlen(s)), r, format);
    }

    fake_engine* engine = nullptr;
};

// ---- the metric model ----------------------------------------------------------

TEST_F(DrawingTest, TheDefaultFontMeasuresSevenBySixteen) {
    const plat_font_metrics m = plat_default_font_metrics();
    EXPECT_EQ(m.height, 16);
    EXPECT_EQ(m.average_width, 7);
    const plat_size s = plat_text_extent(nullptr, "hello", 5);
    EXPECT_EQ(s.cx, 35);
    EXPECT_EQ(s.cy, 16);
    EXPECT_EQ(plat_text_extent(nullptr, "x", -3).cx, 0);
}

TEST_F(DrawingTest, PageFontsMeasureByTheFaceClosestInHeight) {
    struct row {
        int32_t height, advance, measured;
    };
    for (const row& r : {row{-21, 10, 20}, row{-13, 7, 13}, row{-14, 7, 14}, row{-16, 9, 15}, row{-17, 9, 18},
                         row{-19, 9, 18}, row{-20, 10, 20}, row{-8, 7, 13}, row{18, 9, 18}, row{0, 9, 15}}) {
        plat_font normal = plat_font_create(r.height, 300);
        plat_font bold = plat_font_create(r.height, 700);
        ASSERT_NE(normal, nullptr);
        const plat_size n = plat_text_extent(normal, "abcd", 4);
        const plat_size b = plat_text_extent(bold, "abcd", 4);
        EXPECT_EQ(n.cx, 4 * r.advance) << r.height;
        EXPECT_EQ(n.cy, r.measured) << r.height;
        EXPECT_EQ(b.cx, n.cx) << "bold measures like normal";
        EXPECT_EQ(b.cy, n.cy);
        EXPECT_EQ(headless::page_font_model(r.height).advance, r.advance);
        plat_font_delete(normal);
        plat_font_delete(bold);
    }
    EXPECT_EQ(headless::fonts_alive(), 0);
}

TEST_F(DrawingTest, FontHandlesDieWithTheirFontAndTheTableIsBounded) {
    plat_font font = plat_font_create(-21, 700);
    plat_font_delete(font);
    plat_font again = plat_font_create(-13, 300);
    EXPECT_NE(again, font);
    EXPECT_EQ(plat_text_extent(font, "ab", 2).cx, 14);  // a dead font measures as the default
    EXPECT_EQ(plat_text_extent(again, "ab", 2).cx, 14);
    for (int i = 1; i < headless::FONT_SLOTS; ++i) EXPECT_NE(plat_font_create(-21, 300), nullptr);
    EXPECT_EQ(plat_font_create(-21, 300), nullptr);
    EXPECT_EQ(headless::fonts_alive(), headless::FONT_SLOTS);
}

// ---- the draw logs ---------------------------------------------------------------

TEST_F(DrawingTest, EachPaintStartsAFreshLogOfEveryDrawing) {
    plat_font bold = plat_font_create(-21, 700);
    plat_canvas canvas = plat_paint_begin();
    text(canvas, nullptr, "old", plat_rect{0, 0, 50, 16}, 0);
    plat_paint_end(canvas);
    canvas = plat_paint_begin();
    plat_draw_text(canvas, bold, "Chapter one", 7, plat_rect{24, 10, 482, 30}, PLAT_TEXT_NO_PREFIX | PLAT_TEXT_SINGLE_LINE | PLAT_TEXT_VCENTER);
    plat_invert_rect(canvas, plat_rect{0, 10, 506, 30});
    plat_bitmap_draw(canvas, reinterpret_cast<plat_bitmap>(1101), 5, 6, 7, 8);
    plat_paint_end(canvas);
    text(canvas, nullptr, "after the end", plat_rect{0, 0, 50, 16}, 0);  // ignored
    plat_draw_text(reinterpret_cast<plat_canvas>(16), nullptr, "x", 1, plat_rect{0, 0, 9, 9}, 0);
    ASSERT_EQ(headless::draw_count(), 3);
    const headless::draw_record& t = headless::draw(0);
    EXPECT_EQ(t.kind, headless::DRAW_TEXT);
    EXPECT_EQ(t.control_id, 0);
    EXPECT_EQ(t.font, bold);
    EXPECT_EQ(t.weight, 700);
    EXPECT_EQ(t.n, 7);
    EXPECT_STREQ(t.text, "Chapter");
    EXPECT_EQ(t.rect.left, 24);
    EXPECT_EQ(t.rect.bottom, 30);
    EXPECT_EQ(t.format, static_cast<uint32_t>(PLAT_TEXT_NO_PREFIX | PLAT_TEXT_SINGLE_LINE | PLAT_TEXT_VCENTER));
    EXPECT_EQ(headless::draw(1).kind, headless::DRAW_INVERT);
    EXPECT_EQ(headless::draw(1).rect.right, 506);
    const headless::draw_record& b = headless::draw(2);
    EXPECT_EQ(b.kind, headless::DRAW_BITMAP);
    EXPECT_EQ(b.resource, 1100);
    EXPECT_EQ(b.x, 5);
    EXPECT_EQ(b.height, 8);
}

TEST_F(DrawingTest, TheLogKeepsItsFirstRecordsAndCountsThemAll) {
    plat_canvas canvas = plat_paint_begin();
    for (int i = 0; i < headless::DRAW_LOG_SIZE + 5; ++i) plat_invert_rect(canvas, plat_rect{i, 0, i + 1, 1});
    plat_paint_end(canvas);
    EXPECT_EQ(headless::draw_count(), headless::DRAW_LOG_SIZE + 5);
    EXPECT_EQ(headless::draw(headless::DRAW_LOG_SIZE - 1).rect.left, headless::DRAW_LOG_SIZE - 1);
    EXPECT_EQ(headless::draw(headless::DRAW_LOG_SIZE).kind, 0);
}

TEST_F(DrawingTest, OwnerDrawnButtonsAreDrawnAfterTheOutermostPaint) {
    plat_control hotword = plat_control_create({PLAT_HOTWORD_BUTTON, 5000, "", 24, 40, 60, 20, 0, false, nullptr});
    plat_control_create({PLAT_PICTURE_BUTTON, 5001, "", 100, 40, 30, 30, 0, false, nullptr});
    plat_control hidden = plat_control_create({PLAT_HOTWORD_BUTTON, 5002, "", 24, 80, 60, 20, 0, false, nullptr});
    plat_control_show(hidden, false);
    plat_control_create({PLAT_PUSH_BUTTON, 513, "Go", 24, 120, 60, 20, 0, false, nullptr});
    std::vector<std::string> rects;
    engine->paint = [] {
        if (headless::paint_count() == 1) {
            plat_window_invalidate();
            plat_window_update();
        }
    };
    engine->draw_item = [&](int32_t id, plat_canvas canvas, const plat_rect& r) {
        rects.push_back(std::to_string(r.right) + "x" + std::to_string(r.bottom));
        if (id == 5000) {
            plat_draw_text(canvas, nullptr, "door", 4, r, PLAT_TEXT_NO_PREFIX | PLAT_TEXT_CENTER);
            plat_draw_text(canvas, nullptr, "way", 3, r, PLAT_TEXT_NO_PREFIX | PLAT_TEXT_CENTER);
        }
    };
    engine->events.clear();
    plat_window_show();
    EXPECT_EQ(joined(engine->events), "paint | paint | draw 5000 | draw 5001");
    EXPECT_EQ(joined(rects), "58x18 | 30x30");  // inside the hotword's border
    ASSERT_EQ(headless::item_draw_count(), 2);
    EXPECT_EQ(headless::item_draw(0).control_id, 5000);
    EXPECT_STREQ(headless::item_draw(1).text, "way");
    EXPECT_STREQ(headless::control_of(hotword)->drawn_label, "doorway");
    EXPECT_EQ(headless::draw_count(), 0);  // the window's log is the window's
}

// ---- text, inversion and clipping on the client area -------------------------

TEST_F(DrawingTest, TextIsDrawnBlackWhereItsFormatPlacesIt) {
    plat_canvas canvas = plat_paint_begin();
    text(canvas, nullptr, "HH", plat_rect{0, 0, 100, 30}, PLAT_TEXT_CENTER | PLAT_TEXT_SINGLE_LINE | PLAT_TEXT_NO_PREFIX);
    text(canvas, nullptr, "HH", plat_rect{0, 40, 100, 70}, PLAT_TEXT_RIGHT | PLAT_TEXT_NO_PREFIX);
    text(canvas, nullptr, "HH", plat_rect{10, 80, 100, 120}, PLAT_TEXT_NO_PREFIX | PLAT_TEXT_SINGLE_LINE | PLAT_TEXT_VCENTER);
    plat_paint_end(canvas);
    // Centred: (100 - 14) / 2 = 43, at the top; right: 86 to 100.
    EXPECT_GT(count_black(plat_rect{43, 0, 57, 16}), 10);
    EXPECT_EQ(count_black(plat_rect{0, 0, 43, 30}) + count_black(plat_rect{57, 0, 100, 30}), 0);
    EXPECT_GT(count_black(plat_rect{86, 40, 100, 56}), 10);
    EXPECT_EQ(count_black(plat_rect{0, 40, 86, 70}), 0);
    // Vertically centred in 40 pixels: the 16-pixel line starts at 92.
    EXPECT_GT(count_black(plat_rect{10, 92, 24, 108}), 10);
    EXPECT_EQ(count_black(plat_rect{0, 80, 100, 92}) + count_black(plat_rect{0, 108, 100, 120}), 0);
}

TEST_F(DrawingTest, TextIsClippedToItsRectangle) {
    plat_canvas canvas = plat_paint_begin();
    text(canvas, nullptr, "WWWWWWWWWW", plat_rect{20, 20, 41, 30}, PLAT_TEXT_NO_PREFIX);
    plat_paint_end(canvas);
    EXPECT_GT(count_black(plat_rect{20, 20, 41, 30}), 0);
    EXPECT_EQ(count_black(plat_rect{41, 0, 120, 50}), 0);
    EXPECT_EQ(count_black(plat_rect{0, 30, 120, 50}), 0);
}

TEST_F(DrawingTest, BoldIsVisiblyBolder) {
    for (int32_t height : {-21, -18, -13}) {
        plat_font normal = plat_font_create(height, 300);
        plat_font bold = plat_font_create(height, 700);
        plat_canvas canvas = plat_paint_begin();
        text(canvas, normal, "Wool", plat_rect{0, 0, 200, 30}, PLAT_TEXT_NO_PREFIX);
        text(canvas, bold, "Wool", plat_rect{0, 40, 200, 70}, PLAT_TEXT_NO_PREFIX);
        plat_paint_end(canvas);
        const int thin = count_black(plat_rect{0, 0, 200, 30});
        const int thick = count_black(plat_rect{0, 40, 200, 70});
        EXPECT_GT(thin, 20) << height;
        EXPECT_GT(thick, thin * 5 / 4) << height;
        plat_font_delete(normal);
        plat_font_delete(bold);
    }
}

TEST_F(DrawingTest, APrefixUnderlinesTheNextCharacterUnlessTurnedOff) {
    plat_canvas canvas = plat_paint_begin();
    text(canvas, nullptr, "&M", plat_rect{0, 0, 100, 16}, 0);
    text(canvas, nullptr, "M", plat_rect{0, 20, 100, 36}, 0);
    text(canvas, nullptr, "&M", plat_rect{0, 40, 100, 56}, PLAT_TEXT_NO_PREFIX);
    plat_paint_end(canvas);
    EXPECT_EQ(count_black(plat_rect{7, 0, 100, 16}), 0);  // the '&' takes no room
    EXPECT_GT(count_black(plat_rect{0, 0, 7, 16}), count_black(plat_rect{0, 20, 7, 36}));
    EXPECT_GT(count_black(plat_rect{7, 40, 14, 56}), 0);  // drawn as it stands
}

TEST_F(DrawingTest, PaintingClearsTheClientAreaAndInvertingFlipsIt) {
    plat_canvas canvas = plat_paint_begin();
    plat_invert_rect(canvas, plat_rect{-5, -5, 10, 10});
    plat_invert_rect(canvas, plat_rect{5, 5, 20, 20});
    plat_paint_end(canvas);
    EXPECT_TRUE(black(headless::client_pixel(0, 0)));
    EXPECT_EQ(headless::client_pixel(7, 7).r, 255);  // inverted twice
    EXPECT_TRUE(black(headless::client_pixel(15, 15)));
    EXPECT_EQ(headless::client_pixel(25, 25).r, 255);
    canvas = plat_paint_begin();
    plat_paint_end(canvas);
    EXPECT_EQ(count_black(plat_rect{0, 0, 30, 30}), 0);
}

}  // namespace
}  // namespace tomelet
