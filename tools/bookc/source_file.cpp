// Reading a file of the book's source folder: only a plain file, and at
// most SOURCE_FILE_LIMIT bytes of it.

#include <fstream>

#include "tools/bookc/source.h"

namespace tomelet::bookc {

source_read read_source_file(const std::filesystem::path& path, std::string* content) {
    content->clear();
    // A pipe would make the read wait for ever and a device (a link to
    // /dev/zero) would never end: only a plain file is read.
    std::error_code failure;
    if (!std::filesystem::is_regular_file(path, failure)) return source_read::unreadable;
    const std::uintmax_t size = std::filesystem::file_size(path, failure);
    if (failure) return source_read::unreadable;
    if (size > SOURCE_FILE_LIMIT) return source_read::too_large;
    std::ifstream in(path, std::ios::binary);
    if (!in) return source_read::unreadable;
    // The file may grow between the look and the read: the read stops one
    // byte past the limit all the same.
    content->reserve(static_cast<size_t>(size));
    char block[65536];
    while (in) {
        in.read(block, sizeof block);
        content->append(block, static_cast<size_t>(in.gcount()));
        if (content->size() > SOURCE_FILE_LIMIT) {
            content->clear();
            return source_read::too_large;
        }
    }
    if (in.bad()) {
        content->clear();
        return source_read::unreadable;
    }
    return source_read::ok;
}

std::string source_limit_message() { return "the file is larger than 64 MiB, more than any book's file may hold"; }

}  // namespace tomelet::bookc
