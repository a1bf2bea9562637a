#include "platform/rtl/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

namespace corvane {
namespace {

namespace fs = std::filesystem;

class AtomicFile : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("corvane-atomic-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    static mode_t ModeOf(const fs::path& p) {
        struct stat st {};
        ::stat(p.c_str(), &st);
        return st.st_mode & 0777;
    }
    fs::path dir_;
};

TEST_F(AtomicFile, ReplacesAFileWhoseNameIsAsLongAsTheFileSystemAllows) {
    const fs::path target = dir_ / std::string(255, 'n');
    ASSERT_TRUE(WriteFileAtomic(target.string(), "first", 0600));
    std::string error;
    ASSERT_TRUE(WriteFileAtomic(target.string(), "second", 0600, &error)) << error;
    std::string data;
    ASSERT_TRUE(ReadWholeFile(target.string(), data));
    EXPECT_EQ(data, "second");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);  // no temporary left
}

TEST_F(AtomicFile, ModesOfNewAndExistingFiles) {
    const fs::path target = dir_ / "page.htm";
    ASSERT_TRUE(WriteFileAtomic(target.string(), "x", AtomicWriteOptions{0644, true, false}));
    EXPECT_EQ(ModeOf(target), 0644u);
    ::chmod(target.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomic(target.string(), "y", AtomicWriteOptions{0644, true, false}));
    EXPECT_EQ(ModeOf(target), 0640u);
    ASSERT_TRUE(WriteFileAtomic(target.string(), "z", 0600));
    EXPECT_EQ(ModeOf(target), 0600u);
}

TEST_F(AtomicFile, AMissingFolderIsAnErrorWithItsReason) {
    std::string error;
    EXPECT_FALSE(WriteFileAtomic((dir_ / "no/such/file").string(), "x", 0600, &error));
    EXPECT_NE(error.find("no/such/file"), std::string::npos) << error;
    std::string data;
    EXPECT_FALSE(ReadWholeFile((dir_ / "missing").string(), data, &error));
}

}  // namespace
}  // namespace corvane
