#include "tests/support/reference_render.h"

#include <cstddef>

#include "platform/headless/font_faces.h"

namespace tomelet::testing {

namespace {

// The face that draws a font, as the back end picks it.
const headless::fonts::face& face_for(int32_t advance, int32_t height, bool bold, bool* synthetic_bold) {
    const headless::fonts::face* normal = &headless::fonts::faces[0];
    for (const headless::fonts::face& f : headless::fonts::faces) {
        if (f.advance != advance || f.height != height) continue;
        if (f.bold == bold) {
            *synthetic_bold = false;
            return f;
        }
        if (!f.bold) normal = &f;
    }
    *synthetic_bold = bold;
    return *normal;
}

struct put_context {
    bool on_screen;
    uint8_t r, g, b;
};

void put_through_back_end(void* context, int32_t x, int32_t y) {
    const auto* c = static_cast<const put_context*>(context);
    headless::put_pixel(c->on_screen, x, y, c->r, c->g, c->b);
}

struct picture_context {
    reference_picture* picture;
};

void put_black(void* context, int32_t x, int32_t y) {
    static_cast<picture_context*>(context)->picture->set(x, y, 0, 0, 0);
}

}  // namespace

void reference_picture::set(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    p[0] = r;
    p[1] = g;
    p[2] = b;
}

void reference_glyphs(void (*put)(void* context, int32_t x, int32_t y), void* context, int32_t x, int32_t y,
                      const plat_rect& clip, const headless::face_choice& choice, const char* text, int32_t n,
                      bool prefixes) {
    bool synthetic = false;
    const headless::fonts::face& face = choice.default_font
                                            ? face_for(7, 14, choice.bold, &synthetic)
                                            : face_for(choice.advance, choice.height, choice.bold, &synthetic);
    const int32_t top = y + (choice.height - face.height) / 2;
    bool underline = false;
    for (int32_t i = 0; i < n; ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (prefixes && c == '&') {
            if (i + 1 < n && text[i + 1] == '&') {
                ++i;
            } else {
                underline = true;
                continue;
            }
        }
        if (c >= headless::fonts::FIRST_CHAR && x + face.advance > clip.left && x < clip.right) {
            const uint16_t* rows =
                face.rows + static_cast<ptrdiff_t>(c - headless::fonts::FIRST_CHAR) * face.height;
            for (int32_t row = 0; row < face.height; ++row) {
                const int32_t py = top + row;
                if (py < clip.top || py >= clip.bottom) continue;
                for (int32_t col = 0; col < face.advance; ++col) {
                    if ((rows[row] & (0x8000u >> col)) == 0) continue;
                    const bool gap_closes = col + 2 < 16 && (rows[row] & (0x8000u >> (col + 2))) != 0;
                    const int32_t smear = synthetic && !gap_closes ? 1 : 0;
                    for (int32_t extra = 0; extra <= smear; ++extra) {
                        const int32_t px = x + col + extra;
                        if (px >= clip.left && px < clip.right) put(context, px, py);
                    }
                }
            }
        }
        if (underline) {
            const int32_t py = top + face.ascent + 1;
            if (py >= clip.top && py < clip.bottom) {
                for (int32_t col = 0; col < face.advance; ++col) {
                    const int32_t px = x + col;
                    if (px >= clip.left && px < clip.right) put(context, px, py);
                }
            }
            underline = false;
        }
        x += face.advance;
    }
}

void reference_glyph_routine(bool on_screen, int32_t x, int32_t y, const plat_rect& clip,
                             const headless::face_choice& face, const char* text, int32_t n, bool prefixes,
                             uint8_t r, uint8_t g, uint8_t b) {
    put_context context{on_screen, r, g, b};
    reference_glyphs(put_through_back_end, &context, x, y, clip, face, text, n, prefixes);
}

bool reference_paint(reference_picture* picture) {
    const int32_t count = headless::draw_count();
    if (count > headless::DRAW_LOG_SIZE) return false;
    const plat_rect whole{0, 0, picture->width, picture->height};
    for (int32_t i = 0; i < count; ++i) {
        const headless::draw_record& d = headless::draw(i);
        switch (d.kind) {
        case headless::DRAW_TEXT: {
            if (d.n >= headless::LOG_TEXT_SIZE) return false;
            // Placed in its rectangle as plat_draw_text places it.
            const headless::face_choice face = headless::face_of(d.font);
            const bool prefixes = (d.format & PLAT_TEXT_NO_PREFIX) == 0;
            int32_t shown = d.n;
            if (prefixes) {
                shown = 0;
                for (int32_t k = 0; k < d.n; ++k) {
                    if (d.text[k] == '&') {
                        if (k + 1 < d.n && d.text[k + 1] == '&') ++k;
                        else continue;
                    }
                    ++shown;
                }
            }
            const int32_t width = face.advance * shown;
            int32_t x = d.rect.left;
            if ((d.format & PLAT_TEXT_CENTER) != 0) {
                x = d.rect.left + (d.rect.right - d.rect.left - width) / 2;
            } else if ((d.format & PLAT_TEXT_RIGHT) != 0) {
                x = d.rect.right - width;
            }
            int32_t y = d.rect.top;
            if ((d.format & PLAT_TEXT_VCENTER) != 0 && (d.format & PLAT_TEXT_SINGLE_LINE) != 0) {
                y = d.rect.top + (d.rect.bottom - d.rect.top - face.height) / 2;
            }
            picture_context context{picture};
            reference_glyphs(put_black, &context, x, y, headless::intersect(d.rect, whole), face, d.text, d.n,
                             prefixes);
            break;
        }
        case headless::DRAW_INVERT: {
            const plat_rect a = headless::intersect(d.rect, whole);
            for (int32_t y = a.top; y < a.bottom; ++y) {
                for (int32_t x = a.left; x < a.right; ++x) {
                    uint8_t* p = &picture->rgb[(static_cast<size_t>(y) * picture->width + x) * 3];
                    for (int32_t k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(255 - p[k]);
                }
            }
            break;
        }
        case headless::DRAW_BITMAP: {
            bmp_image image{};
            if (!headless::bitmap_image(d.resource, &image)) return false;
            const int32_t w = d.width < image.width ? d.width : image.width;
            const int32_t h = d.height < image.height ? d.height : image.height;
            const plat_rect a = headless::intersect(plat_rect{d.x, d.y, d.x + w, d.y + h}, whole);
            for (int32_t y = a.top; y < a.bottom; ++y) {
                for (int32_t x = a.left; x < a.right; ++x) {
                    const uint32_t c = bmp_pixel(image, x - d.x, y - d.y);
                    picture->set(x, y, static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                 static_cast<uint8_t>(c));
                }
            }
            break;
        }
        }
    }
    return true;
}

}  // namespace tomelet::testing
