// Fonts, text, painting and bitmaps: GDI.
#include "platform/win32/backend.h"

namespace tomelet {

namespace {

// The context that text is measured in: a memory context compatible with
// the screen, made on first use and kept for the run, so that a layout's
// many measurements do not each make one.  It holds no font of ours
// between calls.
HDC measuring_dc() {
    static HDC dc = CreateCompatibleDC(nullptr);
    return dc;
}

// The paints under way: BeginPaint's records, innermost last.  A paint
// can start inside another only after that one's EndPaint (the painter's
// repaint), so two are the most ever open; the rest is margin.
constexpr int32_t PAINT_DEPTH = 8;
PAINTSTRUCT paints[PAINT_DEPTH];
int32_t paint_depth = 0;

}  // namespace

// The stock variable-pitch ANSI font with this height and weight; face,
// character set and pitch stay as the stock font has them.
plat_font plat_font_create(int32_t height, int32_t weight) {
    LOGFONTA font{};
    if (GetObjectA(GetStockObject(ANSI_VAR_FONT), sizeof font, &font) == 0) return nullptr;
    font.lfHeight = height;
    font.lfWeight = weight;
    return reinterpret_cast<plat_font>(CreateFontIndirectA(&font));
}

void plat_font_delete(plat_font font) {
    if (font != nullptr) DeleteObject(win32::font_of(font));
}

// The window's own context with no font selected: the system font.
plat_font_metrics plat_default_font_metrics() {
    HDC dc = GetDC(win32::main_window);
    TEXTMETRICA metrics{};
    if (dc != nullptr) {
        GetTextMetricsA(dc, &metrics);
        ReleaseDC(win32::main_window, dc);
    }
    return plat_font_metrics{metrics.tmHeight, metrics.tmAveCharWidth};
}

plat_size plat_text_extent(plat_font font, const char* text, int32_t n) {
    HDC dc = measuring_dc();
    SIZE size{};
    if (dc == nullptr || text == nullptr || n < 0) return plat_size{0, 0};
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, win32::font_of(font)) : nullptr;
    GetTextExtentPoint32A(dc, text, n, &size);
    if (previous != nullptr) SelectObject(dc, previous);
    return plat_size{size.cx, size.cy};
}

plat_canvas plat_paint_begin() {
    if (paint_depth >= PAINT_DEPTH) return nullptr;
    PAINTSTRUCT& paint = paints[paint_depth];
    HDC dc = BeginPaint(win32::main_window, &paint);
    if (dc == nullptr) return nullptr;
    ++paint_depth;
    return win32::canvas_of(dc);
}

void plat_paint_end(plat_canvas canvas) {
    if (canvas == nullptr || paint_depth == 0) return;
    --paint_depth;
    EndPaint(win32::main_window, &paints[paint_depth]);
}

// The font is selected for the call only; the text is drawn black on the
// context's white background.
void plat_draw_text(plat_canvas canvas, plat_font font, const char* text, int32_t n, const plat_rect& rect,
                    uint32_t format) {
    if (canvas == nullptr || text == nullptr || n < 0) return;
    HDC dc = win32::dc_of(canvas);
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, win32::font_of(font)) : nullptr;
    RECT r = win32::rect_of(rect);
    DrawTextA(dc, text, n, &r, win32::draw_text_format_of(format));
    if (previous != nullptr) SelectObject(dc, previous);
}

void plat_invert_rect(plat_canvas canvas, const plat_rect& rect) {
    if (canvas == nullptr) return;
    const RECT r = win32::rect_of(rect);
    InvertRect(win32::dc_of(canvas), &r);
}

// Through a memory context compatible with the screen, SRCCOPY.
void plat_bitmap_draw(plat_canvas canvas, plat_bitmap bitmap, int32_t x, int32_t y, int32_t width,
                      int32_t height) {
    if (canvas == nullptr || bitmap == nullptr) return;
    HDC memory = CreateCompatibleDC(nullptr);
    if (memory == nullptr) return;
    HGDIOBJ previous = SelectObject(memory, win32::bitmap_of(bitmap));
    BitBlt(win32::dc_of(canvas), x, y, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
}

plat_bitmap plat_bitmap_load(uint16_t resource) {
    return reinterpret_cast<plat_bitmap>(LoadBitmapA(win32::app_instance, MAKEINTRESOURCEA(resource)));
}

// The standard 3-D colour mapping of bitmap loading: grey (192, 192, 192)
// becomes COLOR_3DFACE, (128, 128, 128) COLOR_3DSHADOW and (223, 223, 223)
// COLOR_3DLIGHT, so the images sit on the face of the buttons as every
// Windows version (and wine) draws it.  LR_LOADMAP3DCOLORS maps the colour
// table of an image that has one; an image of 24 or 32 bits a pixel has
// none, so its pixels are mapped the same way here, in the DIB section it
// is loaded as.
plat_bitmap plat_bar_bitmap_load(uint16_t resource) {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(win32::app_instance, MAKEINTRESOURCEA(resource), IMAGE_BITMAP,
                                                     0, 0, LR_LOADMAP3DCOLORS | LR_CREATEDIBSECTION));
    if (bitmap == nullptr) return nullptr;
    DIBSECTION dib{};
    if (GetObjectA(bitmap, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBits == nullptr ||
        (dib.dsBm.bmBitsPixel != 24 && dib.dsBm.bmBitsPixel != 32)) {
        return reinterpret_cast<plat_bitmap>(bitmap);
    }
    const struct {
        COLORREF from;
        int system_colour;
    } map[] = {{RGB(192, 192, 192), COLOR_3DFACE}, {RGB(128, 128, 128), COLOR_3DSHADOW},
               {RGB(223, 223, 223), COLOR_3DLIGHT}};
    GdiFlush();
    const int step = dib.dsBm.bmBitsPixel / 8;
    auto* rows = static_cast<uint8_t*>(dib.dsBm.bmBits);
    for (LONG y = 0; y < dib.dsBm.bmHeight; ++y) {
        uint8_t* pixel = rows + static_cast<size_t>(y) * static_cast<size_t>(dib.dsBm.bmWidthBytes);
        for (LONG x = 0; x < dib.dsBm.bmWidth; ++x, pixel += step) {
            const COLORREF colour = RGB(pixel[2], pixel[1], pixel[0]);  // stored blue, green, red
            for (const auto& m : map) {
                if (colour != m.from) continue;
                const COLORREF to = GetSysColor(m.system_colour);
                pixel[0] = GetBValue(to);
                pixel[1] = GetGValue(to);
                pixel[2] = GetRValue(to);
                break;
            }
        }
    }
    return reinterpret_cast<plat_bitmap>(bitmap);
}

bool plat_bitmap_size(plat_bitmap bitmap, plat_size* size) {
    BITMAP record{};
    if (bitmap == nullptr || size == nullptr || GetObjectA(win32::bitmap_of(bitmap), sizeof record, &record) == 0) {
        return false;
    }
    *size = plat_size{record.bmWidth, record.bmHeight};
    return true;
}

void plat_bitmap_free(plat_bitmap bitmap) {
    if (bitmap != nullptr) DeleteObject(win32::bitmap_of(bitmap));
}

}  // namespace tomelet
