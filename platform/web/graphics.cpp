// Fonts, text, painting and bitmaps in a browser.  Text is measured by the
// page with the real font it is shown in (canvas measureText on the same CSS
// font) and drawn as real text at the engine's coordinates; bitmaps are the
// book's BMP files shown as images with their alternative text, or, for
// the book's pictures in the web build, PNG files beside the site that the
// page fetches when it first shows them (the BMP's headers stay embedded:
// the layout reads each picture's size from them).
#include <emscripten.h>

#include <cstring>

#include "book/book.h"
#include "platform/web/backend.h"

EM_JS(int, web_js_measure, (int size, int weight, const char* text, int n, int32_t* out), {
    const m = tomelet.measure(size, weight, tomelet.text(text, n));
    HEAP32[out >> 2] = m[0];
    HEAP32[(out >> 2) + 1] = m[1];
    return 1;
});
EM_JS(void, web_js_paint_begin, (), { tomelet.paintBegin(); });
EM_JS(void, web_js_paint_end, (), { tomelet.paintEnd(); });
EM_JS(void, web_js_draw_text, (int control, int size, int weight, const char* text, int n, int left, int top,
                               int right, int bottom, int format), {
    tomelet.drawText(control, size, weight, tomelet.text(text, n), left, top, right, bottom, format);
});
EM_JS(void, web_js_invert, (int left, int top, int right, int bottom), {
    tomelet.invertRect(left, top, right, bottom);
});
EM_JS(void, web_js_draw_bitmap, (int control, int resource, const uint8_t* bytes, uint32_t size, const char* alt,
                                 int x, int y, int width, int height), {
    tomelet.drawBitmap(control, resource, bytes ? () => HEAPU8.slice(bytes, bytes + size) : null, tomelet.text(alt),
                       x, y, width, height);
});

namespace tomelet {

namespace {

// The page fonts: a CSS pixel size and a weight.  A handle is its row + 1;
// the reader makes two for a run, the rest is margin.
struct font_row {
    int32_t size;
    int32_t weight;
    bool used;
};
constexpr int32_t FONT_ROWS = 16;
font_row fonts[FONT_ROWS];

// The window's default font (no font selected): the page's face at 16
// pixels, normal weight.
constexpr int32_t DEFAULT_FONT_SIZE = 16;
constexpr int32_t NORMAL_WEIGHT = 400;
constexpr int32_t BOLD_WEIGHT = 700;
// Weights from this one up are shown bold.
constexpr int32_t BOLD_FROM = 600;

const font_row* font_at(plat_font font) {
    const auto row = static_cast<int32_t>(reinterpret_cast<uintptr_t>(font)) - 1;
    if (row < 0 || row >= FONT_ROWS || !fonts[row].used) return nullptr;
    return &fonts[row];
}

font_row font_or_default(plat_font font) {
    const font_row* f = font_at(font);
    if (f == nullptr) return font_row{DEFAULT_FONT_SIZE, NORMAL_WEIGHT, true};
    return *f;
}

// Loaded bitmaps: a resource and its size.  A handle is its row + 1.  The
// engine holds the bar's nine for the run and a page's picture buttons for
// the page; the rest is margin.
struct bitmap_row {
    uint16_t resource;
    int32_t width;
    int32_t height;
    bool used;
    bool bar;  // the bar's grey is shown as the button face's colour
};
constexpr int32_t BITMAP_ROWS = 256;
bitmap_row bitmaps[BITMAP_ROWS];

const bitmap_row* bitmap_at(plat_bitmap bitmap) {
    const auto row = static_cast<int32_t>(reinterpret_cast<uintptr_t>(bitmap)) - 1;
    if (row < 0 || row >= BITMAP_ROWS || !bitmaps[row].used) return nullptr;
    return &bitmaps[row];
}

uint32_t little32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// The size a BMP file declares: a BITMAPINFOHEADER (or a later one) after
// the 14-byte file header; a negative height is a top-down image.  False
// for anything else.
bool bmp_size(const web::embedded& file, int32_t* width, int32_t* height) {
    constexpr uint32_t FILE_HEADER = 14;
    constexpr uint32_t INFO_HEADER = 40;
    if (file.bytes == nullptr || file.size < FILE_HEADER + INFO_HEADER) return false;
    if (file.bytes[0] != 'B' || file.bytes[1] != 'M') return false;
    if (little32(file.bytes + FILE_HEADER) < INFO_HEADER) return false;
    const auto w = static_cast<int32_t>(little32(file.bytes + FILE_HEADER + 4));
    const auto h = static_cast<int32_t>(little32(file.bytes + FILE_HEADER + 8));
    if (w <= 0 || h == 0 || h == INT32_MIN) return false;
    *width = w;
    *height = h < 0 ? -h : h;
    return true;
}

int32_t control_of_canvas(plat_canvas canvas) { return web::canvas_control(canvas); }

}  // namespace

namespace web {

const char* picture_alt(uint16_t resource) {
    if (book_in_use() == nullptr || book_in_use()->picture_catalogue == nullptr) return "";
    for (int32_t i = 0; i < book_in_use()->picture_count; ++i) {
        const picture_row& p = book_in_use()->picture_catalogue[i];
        if (p.resource == resource) return p.alt != nullptr ? p.alt : "";
    }
    return "";
}

uint16_t bitmap_resource(plat_bitmap bitmap) {
    const bitmap_row* b = bitmap_at(bitmap);
    return b != nullptr ? b->resource : 0;
}

bool bar_bitmap(plat_bitmap bitmap) {
    const bitmap_row* b = bitmap_at(bitmap);
    return b != nullptr && b->bar;
}

void forget_graphics() {
    for (font_row& f : fonts) f.used = false;
    for (bitmap_row& b : bitmaps) b.used = false;
}

bool find_bitmap(uint16_t resource, embedded* out) {
    if (book_in_use() == nullptr || book_in_use()->resources == nullptr) return false;
    for (int32_t i = 0; i < book_in_use()->resource_count; ++i) {
        const book_resource& r = book_in_use()->resources[i];
        if (r.name == nullptr && r.number == resource && r.bytes != nullptr) {
            *out = embedded{r.bytes, r.size};
            return true;
        }
    }
    return false;
}

embedded bitmap_pixels(const embedded& file) {
    // The pixels start at the offset the file header gives; a file that
    // ends there holds only the headers.
    constexpr uint32_t PIXEL_OFFSET = 10;
    if (file.bytes == nullptr || file.size < PIXEL_OFFSET + 4) return embedded{nullptr, 0};
    if (file.size <= little32(file.bytes + PIXEL_OFFSET)) return embedded{nullptr, 0};
    return file;
}

bool find_sound(const char* name, embedded* out, int32_t* index) {
    if (book_in_use() == nullptr || book_in_use()->resources == nullptr) return false;
    int32_t sounds = 0;
    for (int32_t i = 0; i < book_in_use()->resource_count; ++i) {
        const book_resource& r = book_in_use()->resources[i];
        if (r.name == nullptr) continue;
        if (std::strcmp(r.name, name) == 0 && r.bytes != nullptr) {
            *out = embedded{r.bytes, r.size};
            *index = sounds;
            return true;
        }
        ++sounds;
    }
    return false;
}

}  // namespace web

// The height is the character height in pixels (a negative height, as the
// engine asks for its page fonts) or the cell height (positive: taken as
// the character height too, as near as a CSS font comes).
plat_font plat_font_create(int32_t height, int32_t weight) {
    int32_t size = height < 0 ? -height : height;
    if (size == 0) size = DEFAULT_FONT_SIZE;
    for (int32_t i = 0; i < FONT_ROWS; ++i) {
        if (fonts[i].used) continue;
        fonts[i] = font_row{size, weight >= BOLD_FROM ? BOLD_WEIGHT : NORMAL_WEIGHT, true};
        return reinterpret_cast<plat_font>(static_cast<uintptr_t>(i + 1));
    }
    return nullptr;
}

void plat_font_delete(plat_font font) {
    const auto row = static_cast<int32_t>(reinterpret_cast<uintptr_t>(font)) - 1;
    if (row >= 0 && row < FONT_ROWS) fonts[row].used = false;
}

// The height is that of a line of the default font; the average width is
// the mean advance of the 52 letters.
plat_font_metrics plat_default_font_metrics() {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    int32_t m[2] = {0, 0};
    web_js_measure(DEFAULT_FONT_SIZE, NORMAL_WEIGHT, letters, 52, m);
    return plat_font_metrics{m[1], (m[0] + 26) / 52};
}

plat_size plat_text_extent(plat_font font, const char* text, int32_t n) {
    if (text == nullptr || n < 0) return plat_size{0, 0};
    const font_row f = font_or_default(font);
    int32_t m[2] = {0, 0};
    web_js_measure(f.size, f.weight, text, n, m);
    return plat_size{m[0], m[1]};
}

plat_canvas plat_paint_begin() {
    web_js_paint_begin();
    return web::window_canvas();
}

void plat_paint_end(plat_canvas canvas) {
    if (canvas == nullptr) return;
    web_js_paint_end();
}

void plat_draw_text(plat_canvas canvas, plat_font font, const char* text, int32_t n, const plat_rect& rect,
                    uint32_t format) {
    if (canvas == nullptr || text == nullptr || n < 0) return;
    const font_row f = font_or_default(font);
    web_js_draw_text(control_of_canvas(canvas), f.size, f.weight, text, n, rect.left, rect.top, rect.right,
                     rect.bottom, static_cast<int>(format));
}

void plat_invert_rect(plat_canvas canvas, const plat_rect& rect) {
    if (canvas == nullptr || !web::is_window_canvas(canvas)) return;
    web_js_invert(rect.left, rect.top, rect.right, rect.bottom);
}

void plat_bitmap_draw(plat_canvas canvas, plat_bitmap bitmap, int32_t x, int32_t y, int32_t width,
                      int32_t height) {
    const bitmap_row* b = bitmap_at(bitmap);
    if (canvas == nullptr || b == nullptr) return;
    web::embedded file{};
    if (!web::find_bitmap(b->resource, &file)) return;
    const web::embedded pixels = web::bitmap_pixels(file);
    web_js_draw_bitmap(control_of_canvas(canvas), b->resource, pixels.bytes, pixels.size,
                       web::picture_alt(b->resource), x, y, width, height);
}

plat_bitmap plat_bitmap_load(uint16_t resource) {
    web::embedded file{};
    int32_t width = 0;
    int32_t height = 0;
    if (!web::find_bitmap(resource, &file) || !bmp_size(file, &width, &height)) return nullptr;
    for (int32_t i = 0; i < BITMAP_ROWS; ++i) {
        if (bitmaps[i].used) continue;
        bitmaps[i] = bitmap_row{resource, width, height, true, false};
        return reinterpret_cast<plat_bitmap>(static_cast<uintptr_t>(i + 1));
    }
    return nullptr;
}

// The page maps the image's grey (192, 192, 192) to the bar buttons' face
// when it shows it on a bar button.
plat_bitmap plat_bar_bitmap_load(uint16_t resource) {
    plat_bitmap bitmap = plat_bitmap_load(resource);
    const auto row = static_cast<int32_t>(reinterpret_cast<uintptr_t>(bitmap)) - 1;
    if (row >= 0 && row < BITMAP_ROWS) bitmaps[row].bar = true;
    return bitmap;
}

bool plat_bitmap_size(plat_bitmap bitmap, plat_size* size) {
    const bitmap_row* b = bitmap_at(bitmap);
    if (b == nullptr || size == nullptr) return false;
    *size = plat_size{b->width, b->height};
    return true;
}

void plat_bitmap_free(plat_bitmap bitmap) {
    const auto row = static_cast<int32_t>(reinterpret_cast<uintptr_t>(bitmap)) - 1;
    if (row >= 0 && row < BITMAP_ROWS) bitmaps[row].used = false;
}

}  // namespace tomelet
