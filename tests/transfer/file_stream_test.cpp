#include "transfer/file_stream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace corvane {
namespace {

std::string TempName(const std::string& leaf) {
    const char* home = std::getenv("CORVANE_HOME");
    const std::string folder = home && *home ? home : ::testing::TempDir();
    return folder + "/" + leaf;
}

TEST(TickFileStream, ReportsUseWhileClosed) {
    CFileStream stream;
    char byte = 0;
    EXPECT_EQ(stream.Write("x", 1), CFileStream::kNotOpen);
    EXPECT_EQ(stream.Read(&byte, 1), CFileStream::kNotOpen);
    EXPECT_EQ(stream.Close(), 0);
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_NE(stream.OpenRead(TempName("missing/none.bin")), 0);
    EXPECT_FALSE(stream.IsOpen());
}

TEST(TickFileStream, WritesReadsAndTreatsAShortReadAsFailure) {
    const std::string name = TempName("stream.bin");
    CFileStream stream;
    ASSERT_EQ(stream.Create(name), 0);
    ASSERT_EQ(stream.Write("abcdef", 6), 0);
    EXPECT_EQ(stream.Size(), 6);
    ASSERT_EQ(stream.OpenRead(name), 0);
    char buffer[16] = {};
    ASSERT_EQ(stream.Read(buffer, 4), 0);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(stream.Read(buffer, 4), CFileStream::kReadFailed);  // only two bytes were left
    EXPECT_FALSE(stream.IsOpen());
    std::filesystem::remove(name);
}

}  // namespace
}  // namespace corvane
