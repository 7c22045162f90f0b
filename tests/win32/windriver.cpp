// tomelet-windriver: drives a running Windows reader from the command line,
// one step after another:
//
//   tomelet-windriver STEP...
//
//   wait MS            wait up to MS milliseconds for the reader's window
//   caption            print the window's caption
//   controls           print the child controls: kind id "text" x,y wxh
//                      shown|hidden enabled|disabled
//   command ID         send the command ID and wait until it is handled
//   click ID           click the child control ID
//   reveal ID          scroll the page down until the control ID is shown
//   type ID TEXT       set the text of the text-entry box ID
//   enter ID           press Enter in the child control ID
//   scroll REQUEST     send the scroll-bar request (WM_VSCROLL: 0 line up,
//                      1 line down, 2 page up, 3 page down, 6 top, 7 bottom)
//   until-control ID MS  wait up to MS milliseconds for a shown control ID
//   until-text TEXT MS   wait up to MS milliseconds for a shown control
//                      whose text is TEXT
//   close              close the window the ordinary way
//
// Exit code 0 when every step succeeded, 1 at the first that failed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/win32/reader_driver.h"

using namespace tomelet::wintest;

namespace {

int failed(const char* step) {
    std::fprintf(stderr, "tomelet-windriver: %s failed\n", step);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    HWND main = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        const auto number = [&]() { return i + 1 < argc ? std::atoi(argv[++i]) : 0; };
        if (step == "wait") {
            main = find_reader(static_cast<DWORD>(number()));
            if (main == nullptr) return failed("wait");
            continue;
        }
        if (main == nullptr) main = find_reader(0);
        if (main == nullptr) return failed("finding the reader");
        if (step == "caption") {
            std::printf("%s\n", caption(main).c_str());
        } else if (step == "controls") {
            for (const child& c : children(main)) {
                std::printf("%s %d \"%s\" %ld,%ld %ldx%ld %s %s\n", c.kind().c_str(), c.id, c.text.c_str(),
                            c.place.left, c.place.top, c.place.right - c.place.left, c.place.bottom - c.place.top,
                            c.visible ? "shown" : "hidden", c.enabled ? "enabled" : "disabled");
            }
        } else if (step == "command") {
            if (!command(main, number())) return failed("command");
        } else if (step == "click") {
            if (!click(main, number())) return failed("click");
        } else if (step == "type") {
            const int id = number();
            if (i + 1 >= argc || !set_text(main, id, argv[++i])) return failed("type");
        } else if (step == "enter") {
            if (!press_key(main, number(), VK_RETURN)) return failed("enter");
        } else if (step == "reveal") {
            if (!reveal(main, number())) return failed("reveal");
        } else if (step == "scroll") {
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutA(main, WM_VSCROLL, static_cast<WPARAM>(number()), 0, SMTO_NORMAL, STEP_TIMEOUT_MS,
                                     &result)) {
                return failed("scroll");
            }
        } else if (step == "until-control") {
            const int id = number();
            const auto ms = static_cast<DWORD>(number());
            const bool shown = wait_for(main, ms, [&](const std::vector<child>& all) {
                const child* c = find(all, id);
                return c != nullptr && c->visible;
            });
            if (!shown) return failed("until-control");
        } else if (step == "until-text") {
            const std::string text = i + 1 < argc ? argv[++i] : "";
            const auto ms = static_cast<DWORD>(number());
            const bool shown = wait_for(main, ms, [&](const std::vector<child>& all) {
                for (const child& c : all) {
                    if (c.visible && c.text == text) return true;
                }
                return false;
            });
            if (!shown) return failed("until-text");
        } else if (step == "close") {
            close(main);
        } else {
            std::fprintf(stderr, "tomelet-windriver: unknown step %s\n", step.c_str());
            return 2;
        }
        std::fflush(stdout);
    }
    return 0;
}
