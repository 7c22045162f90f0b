// Fuzzes the markup interpreter, the tag reader, the evaluator and the
// resolution of the page's choices: any text, run as a paragraph of a small
// book, must stay inside every buffer and table.  The input's first byte
// picks which choice to take and how, the rest is the paragraph.
#include <cstdint>
#include <cstring>
#include <string>

#include "book/assemble.h"
#include "engine/engine.h"
#include "fuzz/support.h"
#include "page/controls.h"
#include "page/display_list.h"
#include "platform/headless/headless.h"
#include "story/game_state.h"
#include "story/hotwords.h"
#include "story/markup.h"
#include "tests/support/memory_book.h"

namespace {

tomelet::testing::memory_book& book() {
    static tomelet::testing::memory_book b([] {
        tomelet::testing::memory_book_contents contents;
        contents.paragraph_count = 40;
        contents.paragraphs[2] = "<H>Start<J> <G>";
        contents.pictures = {{1100, 1, 1}, {1101, 1, 1}, {1102, 1, 1}};
        contents.sounds = {"ONE", "TWO"};
        contents.variables = tomelet::testing::numbered_variables(12, 6);
        contents.variables.push_back({"Empty", {}, 10});
        contents.restart_points = {{"Monday", 1}, {"Tuesday", 1}};
        return contents;
    }());
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tomelet;
    if (size == 0) return 0;
    // Every input starts from the state a fresh process has: nothing that
    // an earlier input's page or choice left behind (the layout's cursor,
    // the markup scanner's held words, the evaluator's bottom slot, the
    // variables) reaches this one.
    fuzzing::reset_engine_state();
    book_use(book().tables());
    const uint8_t control = data[0];
    size_t n = size - 1;
    if (n > PARAGRAPH_TEXT_LIMIT) n = PARAGRAPH_TEXT_LIMIT;
    std::memcpy(the_engine.book.paragraph_text, data + 1, n);
    the_engine.book.paragraph_text[n] = '\0';

    run_paragraph(the_engine.book.paragraph_text);
    if (the_engine.play.hotword_count > 0) {
        const hotword& h = the_engine.play.hotwords[control % the_engine.play.hotword_count];
        const char* typed = (control & 0x80) != 0 ? "  seven " : "";
        resolve_choice(h.control_id, typed);
    }
    return 0;
}
