// tomelet-bookc: compiles a book source folder into generated C++.

#include <cstring>
#include <iostream>
#include <new>
#include <string>

#include "tools/bookc/book_image.h"
#include "tools/bookc/bookc.h"

namespace {

const char usage[] =
    "usage: tomelet-bookc BOOK_FOLDER [-o OUT.cpp] [--rc OUT.rc [--no-embed]] [--symbol NAME] [--stats]\n"
    "                     [--image FILE [--source-map FILE.json]] [--check-story] [--map FILE.dot|FILE.svg [--map-detail]]\n"
    "                     [--details FILE.json] [--web-files DIR]\n"
    "\n"
    "Compiles the book in BOOK_FOLDER (book.toml and its paragraph text files).\n"
    "  -o OUT.cpp      write the generated C++ to OUT.cpp\n"
    "  --rc OUT.rc     write the Windows reader's resource script to OUT.rc, and the\n"
    "                  bitmap, sound and icon files it names beside it\n"
    "  --no-embed      with --rc: leave the bitmaps' and sounds' bytes out of the\n"
    "                  generated C++ (the Windows reader has them as resources)\n"
    "  --symbol NAME   the name of the generated book record (default compiled_book)\n"
    "  --image FILE    write the book as one book image, which a reader loads at\n"
    "                  run time (docs/book-image.md)\n"
    "  --source-map FILE.json  with --image: write where each paragraph is in the\n"
    "                  source (file, line, name, title), for the preview reader\n"
    "  --stats         print the book's shape, one fact a line\n"
    "  --check-story   warn for pages that cannot be reached and for dead ends\n"
    "  --map FILE      write the story map: FILE.dot as Graphviz text, FILE.svg drawn\n"
    "                  by Graphviz's dot program\n"
    "  --map-detail    with --map: a box for every page (no page is grouped)\n"
    "  --details FILE  write the book's details (id, ifid, title, authors, ...) to\n"
    "                  FILE as JSON in UTF-8, for the publishing tool\n"
    "  --web-files DIR write the pictures (as PNG) and sounds to DIR, emptied first,\n"
    "                  for the web reader to fetch, and leave their bytes out of the\n"
    "                  generated C++ (a picture keeps its BMP headers, for its size)\n"
    "  --help          print this text\n"
    "Errors and warnings go to standard error; the exit code is 1 when there is\n"
    "an error, and then nothing is written.\n";

int fail(const std::string& message) {
    std::cerr << "tomelet-bookc: " << message << "\n" << usage;
    return 2;
}

int run(int argc, char** argv) {
    std::string folder;
    std::string output;
    std::string rc;
    std::string symbol = "compiled_book";
    bool stats = false;
    bool no_embed = false;
    bool check_story = false;
    bool map_detail = false;
    std::string map;
    std::string image;
    std::string source_map;
    std::string details;
    std::string web_files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << usage;
            return 0;
        } else if (arg == "-o" || arg == "--symbol" || arg == "--rc" || arg == "--map" || arg == "--image" ||
                   arg == "--source-map" || arg == "--details" || arg == "--web-files") {
            if (i + 1 >= argc) return fail(arg + " needs a value");
            (arg == "-o"             ? output
             : arg == "--rc"         ? rc
             : arg == "--map"        ? map
             : arg == "--image"      ? image
             : arg == "--source-map" ? source_map
             : arg == "--details"    ? details
             : arg == "--web-files"  ? web_files
                                     : symbol) = argv[++i];
        } else if (arg == "--check-story") {
            check_story = true;
        } else if (arg == "--map-detail") {
            map_detail = true;
        } else if (arg == "--stats") {
            stats = true;
        } else if (arg == "--no-embed") {
            no_embed = true;
        } else if (!arg.empty() && arg[0] == '-') {
            return fail("unknown option " + arg);
        } else if (folder.empty()) {
            folder = arg;
        } else {
            return fail("more than one book folder");
        }
    }
    if (folder.empty()) return fail("no book folder");
    if (no_embed && rc.empty()) return fail("--no-embed needs --rc");
    if (no_embed && !web_files.empty()) return fail("--web-files takes the bitmaps and sounds that --no-embed leaves out");
    if (map_detail && map.empty()) return fail("--map-detail needs --map");
    if (!source_map.empty() && image.empty()) return fail("--source-map needs --image");
    if (!tomelet::bookc::valid_symbol(symbol)) return fail("the symbol '" + symbol + "' is not a C++ name");
    if (!map.empty() && !tomelet::bookc::map_format_known(map)) return fail("the map must be a .dot or .svg file");

    const tomelet::bookc::compile_result result = tomelet::bookc::compile_book(folder);
    for (const tomelet::bookc::diagnostic& d : result.diagnostics) std::cerr << d.text() << '\n';
    if (!result.ok()) {
        std::cerr << "tomelet-bookc: " << result.errors << (result.errors == 1 ? " error" : " errors")
                  << "; nothing written\n";
        return 1;
    }
    // The image is made before the resource script may leave the bitmaps
    // and sounds out of the book (an image carries them always), and
    // written once the script is.
    std::vector<uint8_t> image_bytes;
    if (!image.empty()) {
        std::string problem;
        image_bytes = tomelet::bookc::write_book_image(*result.book->tables(), &problem);
        if (image_bytes.empty()) {
            std::cerr << "tomelet-bookc: " << problem << '\n';
            return 1;
        }
    }
    // The resource script first: a sound name it cannot take ends the run
    // before the C++ is written.
    if (!rc.empty()) {
        std::string problem;
        if (!tomelet::bookc::write_resources(*result.book, rc, &problem)) {
            std::cerr << "tomelet-bookc: " << problem << '\n';
            return 1;
        }
        // The bitmaps and sounds then travel in the script alone.
        if (no_embed) result.book->resources.clear();
    }
    // The web reader's files before the C++ that leaves their bytes out:
    // once that is written, every file it expects is there.
    if (!web_files.empty()) {
        std::string problem;
        std::vector<std::string> warnings;
        if (!tomelet::bookc::write_web_files(*result.book, web_files, &problem, &warnings)) {
            std::cerr << "tomelet-bookc: " << problem << '\n';
            return 1;
        }
        for (const std::string& w : warnings) std::cerr << "tomelet-bookc: warning: " << w << '\n';
    }
    if (!image.empty()) {
        std::string problem;
        if (!tomelet::bookc::write_file_atomically(image, std::string(image_bytes.begin(), image_bytes.end()),
                                                   &problem)) {
            std::cerr << "tomelet-bookc: " << problem << '\n';
            return 1;
        }
    }
    // The source map is written after the image, so that a preview that
    // sees a new map finds the image it describes already in place.
    if (!source_map.empty()) {
        std::string problem;
        if (!tomelet::bookc::write_file_atomically(source_map, tomelet::bookc::source_map_json(result.story),
                                                   &problem)) {
            std::cerr << "tomelet-bookc: " << problem << '\n';
            return 1;
        }
    }
    if (!output.empty()) {
        std::string problem;
        const std::string code = tomelet::bookc::generate_cpp(*result.book, symbol);
        if (!tomelet::bookc::write_file_atomically(output, code, &problem)) {
            std::cerr << "tomelet-bookc: " << problem << '\n';
            return 1;
        }
    }
    if (!details.empty()) {
        std::string problem;
        if (!tomelet::bookc::write_file_atomically(details, tomelet::bookc::details_json(*result.book), &problem)) {
            std::cerr << "tomelet-bookc: " << problem << '\n';
            return 1;
        }
    }
    if (check_story || !map.empty()) {
        const tomelet::bookc::story_findings findings = tomelet::bookc::check_story(result.story);
        if (check_story) std::cerr << tomelet::bookc::story_warnings(result.story, findings);
        if (!map.empty()) {
            std::string problem;
            const std::string dot = tomelet::bookc::story_map_dot(result.story, findings, result.book->info.title,
                                                                       tomelet::bookc::map_options{map_detail});
            if (!tomelet::bookc::write_story_map(dot, map, &problem)) {
                std::cerr << "tomelet-bookc: " << problem << '\n';
                return 1;
            }
        }
    }
    if (stats) std::cout << tomelet::bookc::stats_text(*result.book);
    return 0;
}

}  // namespace

// Memory that runs out (a book far too large) ends the run with a message,
// never with an uncaught exception.
int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::cerr << "tomelet-bookc: out of memory\n";
        return 1;
    }
}
