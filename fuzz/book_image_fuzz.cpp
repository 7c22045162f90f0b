// Fuzzes the book image loader: any bytes as a book image must be refused
// with a reason or loaded as a book every page of which builds, with every
// text, table and resource read inside the image.  Each input is tried as
// it is and again with its checksum made right, so that the mutations reach
// the tables' own checks behind the checksum.
#include <cstdint>
#include <cstring>
#include <vector>

#include "book/image.h"
#include "engine/engine.h"
#include "fuzz/support.h"
#include "layout/realise.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "story/game_state.h"
#include "story/markup.h"
#include "story/place.h"

namespace {

using namespace tomelet;

// Every text of the loaded book, read to its end.
size_t read_everything(const book_tables& t) {
    size_t sum = 0;
    const auto text = [&sum](const char* s) { sum += s != nullptr ? std::strlen(s) : 0; };
    for (int32_t i = 0; i < t.picture_count; ++i) text(t.picture_catalogue[i].alt);
    for (int32_t i = 0; i < t.sound_count; ++i) text(t.sound_catalogue[i]);
    for (int32_t i = 0; i < t.variable_count; ++i) {
        text(t.variable_catalogue[i].name);
        for (int32_t k = 0; k < t.variable_catalogue[i].value_count; ++k) text(t.variable_catalogue[i].value_names[k]);
    }
    for (int32_t k = 0; k < t.restart_point_count; ++k) text(t.restart_points[k].name);
    for (const char* s : {t.book_info->title, t.book_info->copyright, t.book_info->authors, t.book_info->description,
                          t.book_info->web_site, t.book_info->contact_address, t.book_info->support_address}) {
        text(s);
    }
    for (int32_t i = 0; i < t.resource_count; ++i) {
        text(t.resources[i].name);
        if (t.resources[i].size > 0) sum += t.resources[i].bytes[0] + t.resources[i].bytes[t.resources[i].size - 1];
    }
    return sum;
}

loaded_book book;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzing::reset_engine_state();
    book_use(nullptr);
    // In storage aligned to 4, as the loader asks.
    std::vector<uint32_t> storage(size / 4 + 1);
    auto* image = reinterpret_cast<uint8_t*>(storage.data());
    if (size > 0) std::memcpy(image, data, size);
    char reason[IMAGE_REASON_SIZE];
    if (!load_book_image(image, size, &book, reason)) {
        if (reason[0] == '\0') __builtin_trap();  // a refusal always says why
        if (size < 16) return 0;
        const uint32_t sum = image_checksum(image + 16, size - 16);
        for (int i = 0; i < 4; ++i) image[12 + i] = static_cast<uint8_t>(sum >> (8 * i));
        if (!load_book_image(image, size, &book, reason)) return 0;
    }
    const size_t sum = read_everything(book.tables);
    asm volatile("" : : "r"(sum));  // read, not optimised away
    book_use(&book.tables);
    install_page_measures();
    for (int32_t n = 1; n <= the_engine.book.tables->paragraph_count; ++n) {
        the_engine.play.shown_paragraph = static_cast<int16_t>(n);
        destroy_page_controls();
        page_clear();
        build_paragraph(n);
        realise_page_controls();
    }
    book_use(nullptr);
    return 0;
}
