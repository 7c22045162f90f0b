// The headless rendering: BMP resources, the composed window and the PNG
// screenshots.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "book/book.h"
#include "engine/engine.h"
#include "platform/headless/headless.h"
#include "tests/platform/fake_engine.h"

namespace tomelet {
namespace {

using testing::fake_engine;

void put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

// A BMP file with a 40-byte header, uncompressed.  value(x, y) gives a
// palette index (up to 8 bits) or 0xRRGGBB (24 and 32 bits), counted from
// the top left; rows are stored bottom-up unless top_down.
std::vector<uint8_t> make_bmp(int32_t width, int32_t height, int32_t bits, bool top_down,
                              const std::vector<uint32_t>& palette, const std::function<uint32_t(int, int)>& value) {
    const uint32_t stride = (static_cast<uint32_t>(width * bits) + 31) / 32 * 4;
    const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(palette.size());
    std::vector<uint8_t> b(offset + stride * static_cast<uint32_t>(height), 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<uint32_t>(b.size()));
    put32(b, 10, offset);
    put32(b, 14, 40);
    put32(b, 18, static_cast<uint32_t>(width));
    put32(b, 22, static_cast<uint32_t>(top_down ? -height : height));
    put16(b, 26, 1);
    put16(b, 28, static_cast<uint32_t>(bits));
    put32(b, 46, static_cast<uint32_t>(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i) put32(b, 54 + 4 * i, palette[i]);  // B, G, R, 0
    for (int y = 0; y < height; ++y) {
        const size_t row = offset + stride * static_cast<uint32_t>(top_down ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const uint32_t v = value(x, y);
            switch (bits) {
            case 1:
                b[row + x / 8] |= static_cast<uint8_t>((v & 1) << (7 - x % 8));
                break;
            case 4:
                b[row + x / 2] |= static_cast<uint8_t>((v & 0xF) << (x % 2 == 0 ? 4 : 0));
                break;
            case 8:
                b[row + x] = static_cast<uint8_t>(v);
                break;
            case 24:
                b[row + 3 * x] = static_cast<uint8_t>(v);
                b[row + 3 * x + 1] = static_cast<uint8_t>(v >> 8);
                b[row + 3 * x + 2] = static_cast<uint8_t>(v >> 16);
                break;
            case 32:
                put32(b, row + 4 * x, v);
                break;
            }
        }
    }
    return b;
}

uint32_t colour(headless::rgb p) { return static_cast<uint32_t>(p.r) << 16 | static_cast<uint32_t>(p.g) << 8 | p.b; }

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        engine = &testing::install_fake_engine();
        saved_book = the_engine.book.tables;
        ASSERT_TRUE(plat_window_create("The Dark Lighthouse", 20, 0, 300, 250));
    }
    void TearDown() override {
        the_engine.book.tables = saved_book;
        headless::reset();
    }

    // Makes the images the resources 1 .. n of a book in use.
    void use_images(std::vector<std::vector<uint8_t>> images) {
        files = std::move(images);
        resources.clear();
        for (size_t i = 0; i < files.size(); ++i) {
            resources.push_back(book_resource{nullptr, static_cast<uint16_t>(i + 1), files[i].data(),
                                              static_cast<uint32_t>(files[i].size())});
        }
        book = book_tables{};
        book.resource_count = static_cast<int32_t>(resources.size());
        book.resources = resources.data();
        the_engine.book.tables = &book;
    }

    // Loads resource r, draws it at (x, y) on a fresh paint and frees it.
    static void draw_at(uint16_t r, int32_t x, int32_t y) {
        plat_bitmap bitmap = plat_bitmap_load(r);
        ASSERT_NE(bitmap, nullptr) << r;
        plat_size size{};
        ASSERT_TRUE(plat_bitmap_size(bitmap, &size));
        plat_canvas canvas = plat_paint_begin();
        plat_bitmap_draw(canvas, bitmap, x, y, size.cx, size.cy);
        plat_paint_end(canvas);
        plat_bitmap_free(bitmap);
    }

    static uint32_t at(int32_t x, int32_t y) { return colour(headless::client_pixel(x, y)); }

    fake_engine* engine = nullptr;
    const book_tables* saved_book = nullptr;
    std::vector<std::vector<uint8_t>> files;
    std::vector<book_resource> resources;
    book_tables book{};
};

TEST_F(RenderTest, PalettedBitmapsOfOneFourAndEightBits) {
    std::vector<uint32_t> sixteen;
    for (uint32_t i = 0; i < 16; ++i) sixteen.push_back(i * 0x101010);
    use_images({
        make_bmp(9, 3, 1, false, {0x112233, 0xAABBCC}, [](int x, int y) { return (x + y) % 2; }),
        make_bmp(5, 2, 4, false, sixteen, [](int x, int y) { return (x + 5 * y) % 16; }),
        // Four colours in the table; index 200 lies past it.
        make_bmp(3, 3, 8, false, {0xFF0000, 0x00FF00, 0x0000FF, 0x808080},
                 [](int x, int y) { return x == 2 && y == 2 ? 200u : static_cast<uint32_t>((x + y) % 4); }),
    });
    draw_at(1, 10, 20);
    EXPECT_EQ(at(10, 20), 0x112233u);
    EXPECT_EQ(at(11, 20), 0xAABBCCu);
    EXPECT_EQ(at(18, 22), 0x112233u);  // the ninth column, past the first byte
    EXPECT_EQ(at(19, 20), 0xFFFFFFu);  // nothing beyond the image
    draw_at(2, 0, 0);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 5; ++x) EXPECT_EQ(at(x, y), ((x + 5 * y) % 16) * 0x101010u) << x << "," << y;
    }
    draw_at(3, 0, 0);
    EXPECT_EQ(at(0, 0), 0xFF0000u);
    EXPECT_EQ(at(1, 0), 0x00FF00u);
    EXPECT_EQ(at(2, 1), 0x808080u);
    EXPECT_EQ(at(2, 2), 0x000000u);
}

TEST_F(RenderTest, TrueColourBitmapsBottomUpAndTopDown) {
    auto corners = [](int x, int y) { return y == 0 ? (x == 0 ? 0xFF0000u : 0x00FF00u) : (x == 0 ? 0x0000FFu : 0x123456u); };
    use_images({make_bmp(2, 2, 24, false, {}, corners), make_bmp(2, 2, 24, true, {}, corners),
                make_bmp(2, 2, 32, false, {}, corners)});
    for (uint16_t r = 1; r <= 3; ++r) {
        draw_at(r, 4, 4);
        EXPECT_EQ(at(4, 4), 0xFF0000u) << r;
        EXPECT_EQ(at(5, 4), 0x00FF00u) << r;
        EXPECT_EQ(at(4, 5), 0x0000FFu) << r;
        EXPECT_EQ(at(5, 5), 0x123456u) << r;
    }
    plat_size size{};
    plat_bitmap top_down = plat_bitmap_load(2);
    EXPECT_TRUE(plat_bitmap_size(top_down, &size));
    EXPECT_EQ(size.cy, 2);
    plat_bitmap_free(top_down);
    EXPECT_EQ(headless::bitmaps_loaded(), 0);
}

TEST_F(RenderTest, SixteenBitAndBitFieldPixels) {
    // 16 bits, five per channel: pure red and a mid grey.
    std::vector<uint8_t> rgb555 = make_bmp(2, 1, 16, true, {}, [](int, int) { return 0u; });
    put16(rgb555, 54, 0x7C00);
    put16(rgb555, 56, 0x4210);
    // 32 bits with bit fields: red in the low byte, blue in the high one.
    std::vector<uint8_t> fields = make_bmp(1, 1, 32, true, {0x000000FF, 0x0000FF00, 0x00FF0000},
                                           [](int, int) { return 0x00563412u; });
    put32(fields, 30, 3);
    put32(fields, 46, 0);
    use_images({rgb555, fields});
    draw_at(1, 0, 0);
    EXPECT_EQ(at(0, 0), 0xFF0000u);
    EXPECT_EQ(at(1, 0), 0x838383u);  // 16 of 31: 131
    draw_at(2, 0, 0);
    EXPECT_EQ(at(0, 0), 0x123456u);
}

TEST_F(RenderTest, DamagedOrUnsupportedBitmapsDoNotLoad) {
    std::vector<uint8_t> truncated = make_bmp(4, 4, 24, false, {}, [](int, int) { return 0u; });
    truncated.resize(truncated.size() - 1);
    std::vector<uint8_t> run_length = make_bmp(4, 4, 8, false, {0}, [](int, int) { return 0u; });
    put32(run_length, 30, 1);
    std::vector<uint8_t> huge = make_bmp(4, 4, 24, false, {}, [](int, int) { return 0u; });
    put32(huge, 18, 0x7FFFFFFF);
    std::vector<uint8_t> not_bmp = make_bmp(4, 4, 24, false, {}, [](int, int) { return 0u; });
    not_bmp[0] = 'X';
    use_images({truncated, run_length, huge, not_bmp, {'B', 'M'}});
    for (uint16_t r = 1; r <= 6; ++r) EXPECT_EQ(plat_bitmap_load(r), nullptr) << r;
    EXPECT_EQ(headless::bitmaps_loaded(), 0);
    // A size given by a test stands for a picture without an image.
    headless::set_bitmap_size(1, 30, 20);
    draw_at(1, 0, 0);
    EXPECT_NE(at(15, 10), 0xFFFFFFu);
    EXPECT_EQ(at(30, 10), 0xFFFFFFu);
}

TEST_F(RenderTest, ABitmapIsCutToTheSizeAskedAndTheClientArea) {
    use_images({make_bmp(20, 20, 24, false, {}, [](int, int) { return 0x0000FFu; })});
    plat_bitmap bitmap = plat_bitmap_load(1);
    const plat_rect client = plat_window_client_rect();
    plat_canvas canvas = plat_paint_begin();
    plat_bitmap_draw(canvas, bitmap, 0, 0, 5, 30);
    plat_bitmap_draw(canvas, bitmap, client.right - 10, client.bottom - 10, 20, 20);
    plat_paint_end(canvas);
    plat_bitmap_free(bitmap);
    EXPECT_EQ(at(4, 19), 0x0000FFu);
    EXPECT_EQ(at(5, 0), 0xFFFFFFu);
    EXPECT_EQ(at(4, 20), 0xFFFFFFu);
    EXPECT_EQ(at(client.right - 1, client.bottom - 1), 0x0000FFu);
}

// ---- the composed window ---------------------------------------------------------

TEST_F(RenderTest, TheClientAreaSitsInsideTheFrame) {
    plat_canvas canvas = plat_paint_begin();
    plat_invert_rect(canvas, plat_rect{0, 0, 10, 10});
    plat_paint_end(canvas);
    headless::compose();
    EXPECT_EQ(colour(headless::screen_pixel(headless::CLIENT_LEFT, headless::CLIENT_TOP)), 0u);
    EXPECT_EQ(colour(headless::screen_pixel(headless::CLIENT_LEFT + 10, headless::CLIENT_TOP + 10)), 0xFFFFFFu);
    EXPECT_NE(colour(headless::screen_pixel(headless::CLIENT_LEFT - 1, headless::CLIENT_TOP)), 0u);
    EXPECT_NE(colour(headless::screen_pixel(headless::CLIENT_LEFT, headless::CLIENT_TOP - 1)), 0u);
    // The caption bar is dark blue at its left.
    const headless::rgb caption = headless::screen_pixel(4, 10);
    EXPECT_GT(caption.b, caption.r);
}

TEST_F(RenderTest, TheScrollThumbFollowsThePosition) {
    const int32_t bar_x = headless::CLIENT_LEFT + plat_window_client_rect().right + headless::SCROLL_BAR_WIDTH / 2;
    auto column = [&] {
        headless::compose();
        std::string c;
        for (int32_t y = headless::CLIENT_TOP; y < headless::CLIENT_TOP + plat_window_client_rect().bottom; ++y) {
            c += std::to_string(colour(headless::screen_pixel(bar_x, y))) + ",";
        }
        return c;
    };
    plat_scroll_set(0x0F, plat_scroll_info{0, 399, 400, 0, 0});
    const std::string greyed = column();
    plat_scroll_set(0x0F, plat_scroll_info{0, 1199, 200, 0, 0});
    const std::string top = column();
    plat_scroll_set(PLAT_SCROLL_POS, plat_scroll_info{0, 0, 0, 1000, 0});
    const std::string bottom = column();
    EXPECT_NE(greyed, top);
    EXPECT_NE(top, bottom);
}

TEST_F(RenderTest, ControlsAreDrawnOverTheClientArea) {
    plat_control box = plat_control_create({PLAT_CHECK_BOX, 518, "Sound", 10, 10, 80, 20, 0, false, nullptr});
    auto box_area = [] {
        headless::compose();
        std::string c;
        for (int32_t y = 0; y < 20; ++y) {
            for (int32_t x = 0; x < 16; ++x) {
                c += std::to_string(colour(headless::screen_pixel(headless::CLIENT_LEFT + 10 + x,
                                                                   headless::CLIENT_TOP + 10 + y)));
            }
        }
        return c;
    };
    const std::string unticked = box_area();
    plat_check_box_set(box, true);
    EXPECT_NE(box_area(), unticked);
    plat_control_show(box, false);
    headless::compose();
    EXPECT_EQ(colour(headless::screen_pixel(headless::CLIENT_LEFT + 12, headless::CLIENT_TOP + 12)), 0xFFFFFFu);
}

TEST_F(RenderTest, AnOwnerDrawnButtonDrawsOnlyInsideItsBorder) {
    plat_control_create({PLAT_HOTWORD_BUTTON, 5000, "", 50, 50, 40, 20, 0, false, nullptr});
    plat_rect given{};
    engine->draw_item = [&](int32_t, plat_canvas canvas, const plat_rect& r) {
        given = r;
        plat_invert_rect(canvas, plat_rect{-100, -100, 1000, 1000});
    };
    headless::compose();
    EXPECT_EQ(given.right, 38);
    EXPECT_EQ(given.bottom, 18);
    const int32_t left = headless::CLIENT_LEFT + 50;
    const int32_t top = headless::CLIENT_TOP + 50;
    EXPECT_EQ(colour(headless::screen_pixel(left, top)), 0u);            // the border
    EXPECT_EQ(colour(headless::screen_pixel(left + 39, top + 19)), 0u);  // the border
    const headless::rgb inside = headless::screen_pixel(left + 5, top + 5);
    EXPECT_LT(inside.r, 128);  // the light face, inverted
    EXPECT_EQ(colour(headless::screen_pixel(left - 1, top + 5)), 0xFFFFFFu);
    EXPECT_EQ(colour(headless::screen_pixel(left + 40, top + 5)), 0xFFFFFFu);
    EXPECT_EQ(headless::item_draw_count(), 0);  // a composition is not logged
}

// ---- screenshots -------------------------------------------------------------------

TEST_F(RenderTest, AScreenshotIsThePngOfTheComposedWindow) {
    use_images({make_bmp(7, 5, 24, false, {}, [](int x, int y) { return static_cast<uint32_t>(x * 30 << 16 | y * 50); })});
    plat_control_create({PLAT_PUSH_BUTTON, 513, "INSTRUCTIONS", 20, 100, 120, 24, 0, false, nullptr});
    plat_control_create({PLAT_EDIT_BOX, 4000, "", 20, 140, 100, 24, 10, false, nullptr});
    plat_canvas canvas = plat_paint_begin();
    plat_draw_text(canvas, nullptr, "Hello", 5, plat_rect{0, 0, 200, 16}, PLAT_TEXT_NO_PREFIX | PLAT_TEXT_SINGLE_LINE | PLAT_TEXT_CENTER);
    plat_bitmap bitmap = plat_bitmap_load(1);
    plat_bitmap_draw(canvas, bitmap, 30, 30, 7, 5);
    plat_bitmap_free(bitmap);
    plat_paint_end(canvas);

    const std::string path = ::testing::TempDir() + "tomelet_headless_shot.png";
    ASSERT_TRUE(headless::screenshot(path.c_str()));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, path.c_str()), 0);
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_NE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr), 0);
    ASSERT_EQ(image.width, 300u);
    ASSERT_EQ(image.height, 250u);
    int differences = 0;
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            const uint8_t* p = &pixels[(y * image.width + x) * 3];
            const headless::rgb s = headless::screen_pixel(static_cast<int32_t>(x), static_cast<int32_t>(y));
            differences += (p[0] != s.r || p[1] != s.g || p[2] != s.b) ? 1 : 0;
        }
    }
    EXPECT_EQ(differences, 0);
    const uint8_t* corner = &pixels[((headless::CLIENT_TOP + 34) * 300 + headless::CLIENT_LEFT + 36) * 3];
    EXPECT_EQ(corner[0], 180);  // the picture's pixel (6, 4)
    EXPECT_EQ(corner[2], 200);
    std::remove(path.c_str());

    EXPECT_FALSE(headless::screenshot("/nonexistent-folder/shot.png"));
    headless::reset();
    EXPECT_FALSE(headless::screenshot(path.c_str()));
}

}  // namespace
}  // namespace tomelet
