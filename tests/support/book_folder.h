// A book's source folder made by a test: its files written from texts,
// then compiled.  The compiler's tests and the tests of the programs and
// tools that take a book folder build their books with it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "tests/support/temp_directory.h"
#include "tools/bookc/bookc.h"

namespace tomelet::testing {

class book_folder {
public:
    // In a temporary folder of its own, removed with the object.
    book_folder();
    // At `at` (a folder in the test's own temporary directory, such as
    // "book", so that the compiler names its files from there), made when
    // missing and left in place.
    explicit book_folder(std::filesystem::path at);
    book_folder(const book_folder&) = delete;
    book_folder& operator=(const book_folder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes `content` to the folder's file `relative` (folders made).
    void write(const std::string& relative, const std::string& content) const;
    std::string read(const std::string& relative) const;
    // The name the compiler gives the folder's file in its messages.
    std::string name(const std::string& relative) const;

    // For the programs that link the compiler.
    bookc::compile_result compile() const { return bookc::compile_book(path_); }

private:
    std::unique_ptr<temp_folder> own_;
    std::filesystem::path path_;
};

}  // namespace tomelet::testing
