// A test that runs in a directory of its own, made empty for it and removed
// after it: the reader keeps its state file in the current directory.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace tomelet::testing {

// Where the directories are made: /dev/shm when the machine has it (a
// memory file system, on which the state file's flush after every turn
// costs nothing: the tests are about what is written, not about the disk),
// else /tmp.
inline std::string temp_directory_pattern(const char* name) {
    const char* base = ::access("/dev/shm", W_OK | X_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(base) + "/" + name + "-XXXXXX";
}

class TempDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = temp_directory_pattern("tomelet-test");
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        old_dir_ = std::filesystem::current_path();
        ASSERT_EQ(chdir(dir_.c_str()), 0);
    }

    void TearDown() override {
        if (dir_.empty()) return;
        EXPECT_EQ(chdir(old_dir_.c_str()), 0);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string dir_;
    std::filesystem::path old_dir_;
};

}  // namespace tomelet::testing
