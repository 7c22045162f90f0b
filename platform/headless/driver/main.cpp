// tomelet-headless [SCRIPT]: the reader on the headless back end, driven by
// a script (a file, or standard input).
#include <fstream>
#include <iostream>

#include "book/compiled_book.h"
#include "platform/headless/driver/driver.h"

int main(int argc, char** argv) {
    if (argc > 2 || (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h"))) {
        std::cerr << "usage: tomelet-headless [SCRIPT]\n"
                     "Runs the reader without a screen, in the current directory, driven by SCRIPT\n"
                     "(or standard input), one command a line; see docs/headless-driver.md.\n";
        return argc > 2 ? tomelet::driver::SCRIPT_ERROR : 0;
    }
    if (argc == 2) {
        std::ifstream file(argv[1]);
        if (!file) {
            std::cerr << "tomelet-headless: cannot read " << argv[1] << "\n";
            return tomelet::driver::SCRIPT_ERROR;
        }
        return tomelet::driver::run_script(&tomelet::compiled_book, file, std::cout, std::cerr);
    }
    return tomelet::driver::run_script(&tomelet::compiled_book, std::cin, std::cout, std::cerr);
}
