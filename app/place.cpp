// The reader's place kept as it goes, saved to and taken from elsewhere:
// for back ends whose program may end at any moment.
#include "app/entry.h"
#include "app/navigation.h"
#include "app/state_file.h"
#include "engine/engine.h"
#include "story/state_file.h"
#include "story/story_state.h"

namespace tomelet {

// The state record's refusals are what app_open_place answers.
namespace {
constexpr bool same(open_place_result a, take_result b) { return static_cast<int32_t>(a) == static_cast<int32_t>(b); }
static_assert(same(PLACE_TAKEN, TAKE_OK) && same(PLACE_WRONG_SIZE, TAKE_WRONG_SIZE) &&
                  same(PLACE_NOT_A_RECORD, TAKE_WRONG_MAGIC) && same(PLACE_NO_PARAGRAPH, TAKE_BAD_PLACE),
              "app_open_place's results are the state record's");
}  // namespace

bool app_keep_place() { return write_state(); }

const uint8_t* app_place_record(int32_t* size) {
    write_state();
    if (the_engine.book.tables == nullptr) {
        if (size != nullptr) *size = 0;
        return nullptr;
    }
    if (size != nullptr) *size = state_record_size(story_variable_count(), story_restart_point_count());
    return the_engine.story.state_record;
}

// The place is taken up as the reader's own, past any opening screen, and
// kept at once.  It is a revisit, not an arrival: a record that holds the
// arrival of its place shows that page as it was when the reader left it.
int32_t app_open_place(const uint8_t* bytes, int32_t size) {
    int16_t place = 0;
    const take_result result = take_state_record(bytes, size, &place);
    if (result != TAKE_OK) return result;
    the_engine.app.pending_screen = 0;
    revisit_paragraph(place);
    write_state();
    return TAKE_OK;
}

bool app_set_variable(int32_t n, int32_t value, int32_t flag) {
    variable_state* v = variable_state_at(n);
    if (v == nullptr || value < 0 || value > 255 || flag < 0 || flag > 1) return false;
    v->value = static_cast<uint8_t>(value);
    v->flag = static_cast<uint8_t>(flag);
    // The revisit builds the page from the arrival's state: the value set
    // stands there too, so that the page shows it.
    set_arrival_variable(n, v->value, v->flag);
    the_engine.app.pending_screen = 0;
    revisit_paragraph(the_engine.play.current_paragraph);
    write_state();
    return true;
}

}  // namespace tomelet
