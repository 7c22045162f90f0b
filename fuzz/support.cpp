#include "fuzz/support.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/entry.h"
#include "platform/headless/headless.h"

namespace tomelet::fuzzing {

void reset_engine_state() {
    // The engine first, while the controls' handles still name the back
    // end's; then the back end.
    app_reset_engine();
    headless::reset();
}

namespace {

char scratch[64];

// The folder goes when the fuzzer exits.
void remove_scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

}  // namespace

void enter_scratch_folder() {
    if (scratch[0] != '\0') return;  // entered already, by an earlier input
    std::strcpy(scratch, "/dev/shm/tomelet-fuzz-XXXXXX");
    if (mkdtemp(scratch) == nullptr) {
        std::strcpy(scratch, "/tmp/tomelet-fuzz-XXXXXX");
        if (mkdtemp(scratch) == nullptr) std::abort();
    }
    if (chdir(scratch) != 0) std::abort();
    std::atexit(remove_scratch);
}

}  // namespace tomelet::fuzzing
