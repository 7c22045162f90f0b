// Folders of the tests' own: made empty for a test and removed after it,
// with everything in them.  The reader keeps its state file in the current
// directory, so most tests run in one (TempDirectoryTest); a book source
// folder (tests/support/book_folder.h) is made in one too.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace tomelet::testing {

// Where the folders are made: /dev/shm when the machine has it (a memory
// file system, on which the state file's flush after every turn costs
// nothing: the tests are about what is written, not about the disk), else
// /tmp.
inline std::string temp_directory_pattern(const char* name) {
    const char* base = ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(base) + "/" + name + "-XXXXXX";
}

// A new empty folder named after `name`, removed with its contents when
// the object goes.  made() is false (and path() empty) when it could not
// be made.
class temp_folder {
public:
    explicit temp_folder(const char* name = "tomelet-test") {
        std::string pattern = temp_directory_pattern(name);
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~temp_folder() {
        if (path_.empty()) return;
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    temp_folder(const temp_folder&) = delete;
    temp_folder& operator=(const temp_folder&) = delete;

    bool made() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// A test run inside a temp_folder of its own: the current directory while
// it runs, then the one before again.
class TempDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override { enter_temp_directory(); }
    void TearDown() override { leave_temp_directory(); }

    // For fixtures that derive from another test class.
    void enter_temp_directory(const char* name = "tomelet-test") {
        folder_ = std::make_unique<temp_folder>(name);
        ASSERT_TRUE(folder_->made());
        dir_ = folder_->path().string();
        old_dir_ = std::filesystem::current_path();
        ASSERT_EQ(chdir(dir_.c_str()), 0);
    }
    void leave_temp_directory() {
        if (folder_ == nullptr) return;
        EXPECT_EQ(chdir(old_dir_.c_str()), 0);
        folder_.reset();
    }

    std::string dir_;
    std::filesystem::path old_dir_;

private:
    std::unique_ptr<temp_folder> folder_;
};

}  // namespace tomelet::testing
