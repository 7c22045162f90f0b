// Fuzzes the state file: any bytes in the file must load into a sound game
// state and be written back whole.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/navigation.h"
#include "app/state_file.h"
#include "book/book.h"
#include "engine/engine.h"
#include "fuzz/support.h"
#include "story/state_file.h"
#include "story/story_state.h"
#include "tests/support/memory_book.h"

namespace {

tomelet::testing::memory_book& book() {
    static tomelet::testing::memory_book b([] {
        tomelet::testing::memory_book_contents contents;
        contents.paragraph_count = 787;
        contents.paragraphs[2] = "<H>Start<J> <G>";
        contents.variables = tomelet::testing::numbered_variables(116, 2);
        for (int i = 0; i < 5; ++i) contents.restart_points.push_back({"Day", 402});
        return contents;
    }());
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tomelet;
    fuzzing::enter_scratch_folder();
    fuzzing::reset_engine_state();
    book_use(book().tables());
    const int fd = open(state_file_name(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) std::abort();
    if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
    close(fd);
    if (!open_state_file()) std::abort();
    const int16_t start = load_state();
    if (start < 1 || start > the_engine.book.tables->paragraph_count) std::abort();
    the_engine.play.current_paragraph = start;
    if (!save_state()) std::abort();
    return 0;
}
