#include "app/state_file.h"

#include "engine/engine.h"
#include "platform/platform.h"
#include "story/state_file.h"

namespace tomelet {

bool open_state_file() {
    bool existed = false;
    the_engine.app.state_file = plat_file_open_exclusive(state_file_name(), &existed);
    the_engine.app.state_file_existed = existed;
    return the_engine.app.state_file != nullptr;
}

// A new file, or none at all, has nothing to read.
int16_t load_state() {
    uint8_t* record = begin_state_load();
    int32_t got = STATE_FILE_NEW;
    if (record != nullptr && the_engine.app.state_file != nullptr && the_engine.app.state_file_existed) {
        got = plat_file_read(the_engine.app.state_file, record, state_record_length());
        if (got < 0) got = -1;
    }
    return finish_state_load(got);
}

bool save_state() {
    const uint8_t* record = fill_state_record();
    if (record == nullptr) return true;
    // The record goes in place, from offset 0 of the file held since
    // start-up: the exclusive hold is the single-instance rule, so the file
    // is never replaced by another.  A failed write is reported to the
    // caller, who tells the reader.  A write torn by a crash or a power
    // loss (the first bytes new, the rest old) still loads, since the magic
    // is the same in both: each byte is then one run's or the other's, so
    // the place, variables, snapshots and set fields may mix two saves, but
    // the load takes a mixed record as safely as any other.  The record is
    // written after every turn (write_state), not only here, so it is exposed
    // to such a tear at every turn: a run of N turns N + 1 times, not once.
    // An arrival torn between two saves fails its check, and the page's
    // effects then apply once more.  The handle is dropped once closed, so
    // a second save writes nothing and never closes a handle twice.
    if (the_engine.app.state_file == nullptr) return true;
    const bool written = plat_file_write_at_start(the_engine.app.state_file, record, state_record_length());
    plat_file_close(the_engine.app.state_file);
    the_engine.app.state_file = nullptr;
    return written;
}

bool write_state() {
    const uint8_t* record = fill_state_record();
    if (record == nullptr) return false;
    if (the_engine.app.state_file == nullptr) return false;
    return plat_file_write_at_start(the_engine.app.state_file, record, state_record_length());
}

}  // namespace tomelet
