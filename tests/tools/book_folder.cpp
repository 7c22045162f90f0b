#include "tests/tools/book_folder.h"

namespace tomelet::testing {

std::string small_catalogue(const std::string& extra) {
    return R"([book]
title = "Small Book"
authors = "Tester"
opening_picture = 0
title_picture = 1
id = "SmallBook"
ifid = "0E6A2C55-3B8D-4C7A-9F10-2D4B6E8A1C33"
[[picture]]
resource = 1100
width = 10
height = 20

[[picture]]
resource = 1101

[[sound]]
name = "BELL"

[[variable]]
name = "Day"
detail_target = 2
values = ["Monday", "Tuesday"]

[[variable]]
name = "Mood"
values = ["glum", "calm", "merry"]

[[restart_point]]
name = "Start"
target = 1
)" + extra;
}

std::string two_pages() {
    return "@ 2\n"
           "<H>Two<J>Go <M \"on\" 2><G>\n"
           "@ 3\n"
           "<H>Three<J>Back <M \"back\" 1><G>\n";
}

bool reported(const bookc::compile_result& result, const std::string& where, const std::string& what) {
    for (const bookc::diagnostic& d : result.diagnostics) {
        // "FILE:LINE:COLUMN: ..." matches `where` with or without the column.
        bookc::diagnostic line_only = d;
        line_only.column = 0;
        for (const std::string& text : {d.text(), line_only.text()}) {
            if (text.compare(0, where.size(), where) == 0 && text.find(what) != std::string::npos) return true;
        }
    }
    return false;
}

std::string all_diagnostics(const bookc::compile_result& result) {
    std::string text;
    for (const bookc::diagnostic& d : result.diagnostics) text += d.text() + "\n";
    return text;
}

}  // namespace tomelet::testing
