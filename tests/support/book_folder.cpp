#include "tests/support/book_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace tomelet::testing {

book_folder::book_folder() : own_(std::make_unique<temp_folder>("tomelet-book")), path_(own_->path()) {
    EXPECT_TRUE(own_->made());
}

book_folder::book_folder(std::filesystem::path at) : path_(std::move(at)) {
    std::filesystem::create_directories(path_);
}

void book_folder::write(const std::string& relative, const std::string& content) const {
    const std::filesystem::path file = path_ / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string book_folder::read(const std::string& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string book_folder::name(const std::string& relative) const {
    return (path_ / relative).lexically_normal().generic_string();
}

}  // namespace tomelet::testing
