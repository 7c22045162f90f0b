// The back end's glyph routine against the plain one that draws pixel by
// pixel: every face, bold or not, clipped on every side and by the layer's
// edges, in several colours, over a background that is not white, on both
// layers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/headless/backend.h"
#include "tests/platform/fake_engine.h"
#include "tests/support/reference_render.h"

namespace tomelet {
namespace {

constexpr int32_t WIDTH = 120;
constexpr int32_t HEIGHT = 40;

std::vector<headless::rgb> snapshot(bool on_screen) {
    std::vector<headless::rgb> pixels;
    for (int32_t y = 0; y < HEIGHT; ++y) {
        for (int32_t x = 0; x < WIDTH; ++x) {
            pixels.push_back(on_screen ? headless::screen_pixel(x, y) : headless::client_pixel(x, y));
        }
    }
    return pixels;
}

void restore(bool on_screen, const std::vector<headless::rgb>& pixels) {
    for (int32_t y = 0; y < HEIGHT; ++y) {
        for (int32_t x = 0; x < WIDTH; ++x) {
            const headless::rgb p = pixels[static_cast<size_t>(y) * WIDTH + x];
            headless::put_pixel(on_screen, x, y, p.r, p.g, p.b);
        }
    }
}

// The first pixel where two snapshots differ, or "".
std::string first_difference(const std::vector<headless::rgb>& a, const std::vector<headless::rgb>& b) {
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].r != b[i].r || a[i].g != b[i].g || a[i].b != b[i].b) {
            return "pixel " + std::to_string(i % WIDTH) + "," + std::to_string(i / WIDTH);
        }
    }
    return "";
}

TEST(GlyphsTest, InkedAsThePlainRoutineDrawsThem) {
    testing::install_fake_engine();
    // A window whose client area and frame are both at least WIDTH x HEIGHT.
    ASSERT_TRUE(plat_window_create("Glyphs", 0, 0, WIDTH + headless::NON_CLIENT_WIDTH,
                                   HEIGHT + headless::NON_CLIENT_HEIGHT));
    const headless::face_choice faces[] = {
        {7, 16, 0, false, true},  {7, 13, 300, false, false}, {7, 13, 700, true, false}, {7, 14, 300, false, false},
        {7, 14, 700, true, false}, {9, 15, 300, false, false}, {9, 15, 700, true, false}, {9, 18, 300, false, false},
        {9, 18, 700, true, false}, {10, 20, 300, false, false}, {10, 20, 700, true, false},
    };
    struct placement {
        const char* name;
        int32_t x, y;
        plat_rect clip;
    };
    const placement placements[] = {
        {"inside", 3, 2, {0, 0, WIDTH, HEIGHT}},
        {"cut on the left", 1, 4, {12, 0, WIDTH, HEIGHT}},
        {"cut on the right", 4, 4, {0, 0, 61, HEIGHT}},
        {"cut at the top and bottom", 2, -6, {0, 3, WIDTH, 11}},
        {"from left of the layer", -13, 20, {-50, -50, WIDTH + 50, HEIGHT + 50}},
        {"past the layer's right and bottom", 70, 30, {0, 0, WIDTH + 50, HEIGHT + 50}},
    };
    struct ink {
        bool on_screen;
        headless::rgb colour;
    };
    const ink inks[] = {{false, {0, 0, 0}}, {false, {10, 200, 90}}, {true, {255, 255, 255}}, {true, {128, 128, 128}}};

    // A background of every sort of byte.
    for (const ink& k : inks) {
        for (int32_t y = 0; y < HEIGHT; ++y) {
            for (int32_t x = 0; x < WIDTH; ++x) {
                const auto v = static_cast<uint8_t>(x * 37 + y * 11);
                headless::put_pixel(k.on_screen, x, y, v, static_cast<uint8_t>(v * 3), static_cast<uint8_t>(255 - v));
            }
        }
    }
    int32_t next_char = 0x20;
    for (const headless::face_choice& face : faces) {
        for (const placement& p : placements) {
            for (const ink& k : inks) {
                // Fourteen characters at a time, so that the cases go through
                // every character; a few control characters and prefixes too.
                std::string text = "\x01";
                for (int32_t i = 0; i < 14; ++i) {
                    text += static_cast<char>(next_char);
                    next_char = next_char == 0xFF ? 0x20 : next_char + 1;
                }
                text += "&m&&";
                const auto n = static_cast<int32_t>(text.size());
                for (const bool prefixes : {false, true}) {
                    const std::vector<headless::rgb> before = snapshot(k.on_screen);
                    headless::ink_glyphs(k.on_screen, p.x, p.y, p.clip, face, text.c_str(), n, prefixes, k.colour.r,
                                         k.colour.g, k.colour.b);
                    const std::vector<headless::rgb> inked = snapshot(k.on_screen);
                    restore(k.on_screen, before);
                    testing::reference_glyph_routine(k.on_screen, p.x, p.y, p.clip, face, text.c_str(), n, prefixes,
                                                     k.colour.r, k.colour.g, k.colour.b);
                    const std::vector<headless::rgb> plain = snapshot(k.on_screen);
                    restore(k.on_screen, before);
                    EXPECT_EQ(first_difference(inked, plain), "")
                        << "face " << face.advance << "x" << face.height << (face.bold ? " bold" : "") << ", "
                        << p.name << (k.on_screen ? ", on the screen" : ", on the client area")
                        << (prefixes ? ", with prefixes" : "");
                }
            }
        }
    }
    headless::reset();
}

}  // namespace
}  // namespace tomelet
