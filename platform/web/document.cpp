// The page as a document: after every paint, the page display list, with
// the controls its items name and the pictures it shows, is handed to
// reader.js, which writes it as the page's HTML (paragraphs, headings,
// pictures, inline buttons and fields) for the browser to lay out.  Only a
// page that differs from the last one handed over is sent again: a paint
// that follows scrolling, a resize or a control's move leaves the document,
// and the focus and selection in it, as they are.
#include <emscripten.h>

#include <cstdint>
#include <cstring>

#include "app/entry.h"
#include "platform/web/backend.h"

EM_JS(int, web_js_document_begin, (int screen, int paragraph), {
    return tomelet.documentBegin(screen, paragraph) ? 1 : 0;
});
EM_JS(void, web_js_document_item, (int kind, int value, int inline_flag, const char* text, int control, int bold), {
    tomelet.documentItem(kind, value, inline_flag, tomelet.text(text), control, bold);
});
EM_JS(void, web_js_document_picture, (int resource, const uint8_t* bytes, uint32_t size, const char* alt, int width,
                                      int height), {
    tomelet.documentPicture(resource, bytes ? () => HEAPU8.slice(bytes, bytes + size) : null, tomelet.text(alt),
                            width, height);
});
EM_JS(void, web_js_document_end, (), { tomelet.documentEnd(); });

namespace tomelet::web {

namespace {

uint64_t last_hash = 0;
bool sent = false;

struct fnv {
    uint64_t h = 1469598103934665603ull;
    void bytes(const void* p, size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        for (size_t i = 0; i < n; ++i) {
            h ^= b[i];
            h *= 1099511628211ull;
        }
    }
    void number(int64_t v) { bytes(&v, sizeof v); }
};

uintptr_t control_value(const plat_control* table, int32_t count, int32_t index) {
    if (table == nullptr || index < 0 || index >= count) return 0;
    return reinterpret_cast<uintptr_t>(table[index]);
}

// Everything the document is written from: the items, their texts, the
// controls they name (a rebuilt page has new ones, which may have the old
// ones' handles: controls_made tells them apart) and the screen.
uint64_t page_hash(const page_view& view) {
    fnv f;
    f.number(controls_made);
    f.number(view.shown_screen);
    f.number(view.shown_paragraph);
    f.number(view.item_count);
    for (int32_t i = 0; i < view.item_count; ++i) {
        const page_item& item = view.items[i];
        f.number(item.kind);
        f.number(item.value);
        f.number(item.inline_flag);
        if (item.text != nullptr) f.bytes(item.text, std::strlen(item.text) + 1);
        if (item.kind == ITEM_BUTTON) {
            f.number(static_cast<int64_t>(control_value(view.button_controls, view.button_count, item.value)));
        } else if (item.kind == ITEM_EDIT_BOX) {
            f.number(static_cast<int64_t>(control_value(view.edit_box_controls, view.edit_box_count, item.value)));
        }
    }
    return f.h;
}

}  // namespace

void send_document() {
    const page_view view = app_page_view();
    const uint64_t hash = page_hash(view);
    if (sent && hash == last_hash) return;
    if (web_js_document_begin(view.shown_screen, view.shown_paragraph) == 0) return;
    last_hash = hash;
    sent = true;
    for (int32_t i = 0; i < view.item_count; ++i) {
        const page_item& item = view.items[i];
        int32_t control = 0;
        int32_t bold = 0;
        if (item.kind == ITEM_BUTTON) {
            control = static_cast<int32_t>(control_value(view.button_controls, view.button_count, item.value));
            if (control != 0) bold = view.buttons[item.value].bold;
        } else if (item.kind == ITEM_EDIT_BOX) {
            control = static_cast<int32_t>(control_value(view.edit_box_controls, view.edit_box_count, item.value));
        } else if (item.kind == ITEM_PICTURE) {
            embedded file{};
            plat_size size{0, 0};
            const plat_bitmap bitmap = plat_bitmap_load(static_cast<uint16_t>(item.value));
            const bool known = bitmap != nullptr && plat_bitmap_size(bitmap, &size);
            plat_bitmap_free(bitmap);
            if (known && find_bitmap(static_cast<uint16_t>(item.value), &file)) {
                const embedded pixels = bitmap_pixels(file);
                web_js_document_picture(item.value, pixels.bytes, pixels.size,
                                        picture_alt(static_cast<uint16_t>(item.value)), size.cx, size.cy);
            }
        }
        web_js_document_item(item.kind, item.value, item.inline_flag, item.text, control, bold);
    }
    web_js_document_end();
}

void forget_document() { sent = false; }

}  // namespace tomelet::web
