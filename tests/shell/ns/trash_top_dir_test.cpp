// The trash of another file system's top directory, and moves between file systems, on /dev/shm.
// Skipped unless /dev/shm is a file system of its own; everything planted there is removed.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "shell/ns/file_op_engine.h"
#include "shell/ns/shell_paths.h"
#include "shell/ns/trash.h"
#include "tests/shell/ns/fs_helpers.h"
#include "tests/shell/ns/recording_shell_ui.h"
#include "tests/shell/ns/scratch_home.h"

namespace corvane::testing {
namespace {

namespace fof = shell::fof;
using shell::FileOpKind;

class ShmTest : public ScratchHome {
protected:
    void SetUp() override {
        ScratchHome::SetUp();
        struct stat shm, dev, scratch;
        if (::stat("/dev/shm", &shm) != 0 || ::stat("/dev", &dev) != 0 || ::stat(root_.c_str(), &scratch) != 0 ||
            shm.st_dev == dev.st_dev || shm.st_dev == scratch.st_dev)
            GTEST_SKIP() << "/dev/shm is not a file system of its own";
        own_ = "/dev/shm/.Trash-" + std::to_string(::getuid());
        ownExisted_ = Exists(own_);
        sharedExisted_ = Exists("/dev/shm/.Trash");
        char pattern[] = "/dev/shm/corvane-fs-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        work_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        if (!work_.empty()) std::filesystem::remove_all(work_, ignored);
        for (const std::string& entry : planted_) std::filesystem::remove_all(entry, ignored);
        if (!own_.empty() && !ownExisted_) std::filesystem::remove_all(own_, ignored);
        if (!own_.empty() && !sharedExisted_) std::filesystem::remove_all("/dev/shm/.Trash", ignored);
        ScratchHome::TearDown();
    }
    shell::FileOpResult Run(FileOpKind kind, const std::string& source, const std::string& dest, std::uint16_t flags) {
        shell::FileOpRequest request;
        request.kind = kind;
        request.sources = {source};
        if (!dest.empty()) request.destinations = {dest};
        request.flags = flags;
        return shell::RunFileOperation(request);
    }
    std::string work_, own_;
    bool ownExisted_ = true, sharedExisted_ = true;
    std::vector<std::string> planted_;
};

using TrashSpec = ShmTest;
using FileOpEngine = ShmTest;

TEST_F(TrashSpec, TopDirectoryTrashIsOwnAndRelativeAndIgnoresANonStickyShared) {
    if (ownExisted_ || sharedExisted_) GTEST_SKIP() << "/dev/shm already holds a trash";
    RecordingShellUi ui;
    ASSERT_EQ(::mkdir("/dev/shm/.Trash", 0777), 0);  // not sticky: not to be used
    WriteText(work_ + "/x y.txt", "shm");
    const shell::TrashOutcome outcome = shell::MoveToTrash(work_ + "/x y.txt");
    ASSERT_EQ(outcome.result, shell::TrashResult::Trashed) << outcome.error;
    EXPECT_EQ(outcome.trashDir, own_);
    struct stat st;
    ASSERT_EQ(::lstat(own_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    EXPECT_EQ(ReadText(own_ + "/files/x y.txt"), "shm");
    const std::string info = ReadText(own_ + "/info/x y.txt.trashinfo");
    const std::string relative = work_.substr(std::string("/dev/shm/").size());
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + shell::EncodeTrashPath(relative) + "/x%20y.txt\n", 0), 0u) << info;
    EXPECT_EQ(CountEntries("/dev/shm/.Trash"), 0u);
}

TEST_F(TrashSpec, PlantedLinkTrashIsRefusedAndNothingIsDeleted) {
    if (ownExisted_) GTEST_SKIP() << "/dev/shm already holds a trash";
    RecordingShellUi ui;
    const std::string elsewhere = root_ + "/elsewhere";
    std::filesystem::create_directories(elsewhere);
    ASSERT_EQ(::symlink(elsewhere.c_str(), own_.c_str()), 0);
    WriteText(work_ + "/f", "kept");
    const shell::FileOpResult result = Run(FileOpKind::Delete, work_ + "/f", "", fof::AllowUndo | fof::NoConfirmation);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(ReadText(work_ + "/f"), "kept");
    EXPECT_EQ(CountEntries(elsewhere), 0u);
    EXPECT_TRUE(IsLink(own_));
}

TEST_F(FileOpEngine, MovesAcrossFileSystemsBothWays) {
    RecordingShellUi ui;
    WriteText(home_ + "/tree/a", "a");
    ASSERT_EQ(::symlink("a", (home_ + "/tree/l").c_str()), 0);
    ASSERT_TRUE(Run(FileOpKind::Move, home_ + "/tree", work_, 0).ok);
    EXPECT_FALSE(Exists(home_ + "/tree"));
    EXPECT_EQ(ReadText(work_ + "/tree/a"), "a");
    EXPECT_TRUE(IsLink(work_ + "/tree/l"));
    ASSERT_TRUE(Run(FileOpKind::Move, work_ + "/tree", home_, 0).ok);
    EXPECT_FALSE(Exists(work_ + "/tree"));
    EXPECT_EQ(ReadText(home_ + "/tree/a"), "a");
    EXPECT_TRUE(IsLink(home_ + "/tree/l"));
}

}  // namespace
}  // namespace corvane::testing
