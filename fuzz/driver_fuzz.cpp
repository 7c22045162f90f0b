// Fuzzes the scripted driver's language over the real book: any script must
// be run or refused with a script error, never crash, hang or reach
// undefined behaviour, whatever settings and actions it holds.  The runs
// take place in a temporary folder; every input starts without a state
// file and from a fresh engine, and a screenshot always goes to one file of
// that folder, whatever the script names.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <ostream>
#include <sstream>
#include <string>

#include "book/compiled_book.h"
#include "fuzz/support.h"
#include "platform/headless/driver/driver.h"
#include "app/entry.h"

namespace {

// The first word of a script line as the driver reads it: blanks skipped, a
// word in double quotes with \" and \\ inside, or up to the next blank.
std::string first_word(const std::string& line) {
    size_t i = 0;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    std::string word;
    if (i < line.size() && line[i] == '"') {
        ++i;
        while (i < line.size() && line[i] != '"') {
            char c = line[i++];
            if (c == '\\' && i < line.size()) c = line[i++];
            word += c;
        }
        return word;
    }
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
    return word;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tomelet;
    fuzzing::enter_scratch_folder();
    fuzzing::reset_engine_state();
    (void)unlink(app_state_file_name());

    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    std::string script;
    std::string line;
    while (std::getline(input, line)) {
        script += first_word(line) == "screenshot" ? std::string("screenshot shot.png") : line;
        script += '\n';
    }
    std::istringstream in(script);
    std::ostream nowhere(nullptr);
    const int code = driver::run_script(&compiled_book, in, nowhere, nowhere);
    if (code != 0 && code != 1 && code != driver::SCRIPT_ERROR && code != driver::KILLED) std::abort();
    return 0;
}
