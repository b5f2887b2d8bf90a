#include "platform/file_read.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "test_app.hpp"

namespace kelvora {
namespace {

// FIFOs in place of each kind of game file are tried in the tests of their readers.
TEST(FileRead, ReadsWholeOrStartAndNamesTheReason) {
    const std::string dir = testing::make_temp_dir();
    std::ofstream(dir + "ten.bin", std::ios::binary) << "0123456789";
    std::filesystem::create_symlink("ten.bin", dir + "link.bin");
    std::string bytes, error;
    EXPECT_TRUE(read_file(dir + "link.bin", 10, bytes, error)) << error;
    EXPECT_EQ(bytes, "0123456789");
    EXPECT_TRUE(read_file_start(dir + "ten.bin", 4, bytes, error));
    EXPECT_EQ(bytes, "0123");
    EXPECT_FALSE(read_file(dir + "ten.bin", 9, bytes, error));
    EXPECT_EQ(error, "file too large");
    EXPECT_EQ(bytes, "");
    EXPECT_FALSE(read_file(dir, 9, bytes, error));
    EXPECT_EQ(error, "is a directory");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kelvora
