// The test hook of the web reader, as the scripted driver's `dump` and
// `random V` are for the headless one: the browser tests read the engine's
// page (navigation, links, the page display list, the variables) in the
// driver's dump format, to compare it with the headless reader after the
// same steps, and fix the story's next random number.  Reading these
// changes nothing; fixing the next roll only chooses what a roll would have
// given anyway.  reader.js offers both to a page opened with ?test.
#include <emscripten.h>

#include <string>

#include "app/entry.h"
#include "platform/common/model_dump.h"

namespace {

using namespace tomelet;

std::string dump_text;

}  // namespace

extern "C" {

// The engine's side of a dump: the `navigation`, `links`, `items` and
// `variables` sections of the driver's format.
EMSCRIPTEN_KEEPALIVE const char* web_test_dump() {
    const page_view view = app_page_view();
    std::string& out = dump_text;
    out = model_dump::navigation(view) + "\n";
    out += model_dump::links(view);
    out += model_dump::items(view);
    out += model_dump::variables(view);
    out += "end\n";
    return out.c_str();
}

// The story's next random number is `value` (0 to 32767): the generator's
// state is set to the one whose successor yields it.
EMSCRIPTEN_KEEPALIVE void web_test_next_random(int32_t value) { app_set_next_random(value); }

}  // extern "C"
