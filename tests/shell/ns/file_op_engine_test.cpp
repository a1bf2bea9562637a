// Copy, move, rename and delete through the file operation engine: collisions, refused sources,
// links that must never be followed, patterns and cancelling.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "shell/ns/file_op_engine.h"
#include "tests/shell/ns/fs_helpers.h"
#include "tests/shell/ns/recording_shell_ui.h"
#include "tests/shell/ns/scratch_home.h"

namespace corvane::testing {
namespace {

using shell::FileOpKind;
using shell::ShellAnswer;
namespace fof = shell::fof;

class FileOpEngine : public ScratchHome {
protected:
    void SetUp() override {
        ScratchHome::SetUp();
        src_ = MakeDir("src");
        dst_ = MakeDir("dst");
    }
    shell::FileOpResult Run(FileOpKind kind, std::vector<std::string> sources, std::vector<std::string> dests,
                            std::uint16_t flags, bool patterns = false) {
        shell::FileOpRequest request;
        request.kind = kind;
        request.sources = std::move(sources);
        request.patterns = patterns;
        request.destinations = std::move(dests);
        request.flags = flags;
        return shell::RunFileOperation(request);
    }
    std::string src_, dst_;
};

TEST_F(FileOpEngine, CopyCollisionsRenameAskOrReplace) {
    RecordingShellUi ui;
    WriteText(src_ + "/a.txt", "new");
    WriteText(dst_ + "/a.txt", "old");
    EXPECT_TRUE(Run(FileOpKind::Copy, {src_ + "/a.txt"}, {dst_}, fof::RenameOnCollision).ok);
    EXPECT_EQ(ReadText(dst_ + "/a (2).txt"), "new");
    EXPECT_EQ(ReadText(dst_ + "/a.txt"), "old");

    ui.answers = {ShellAnswer::No};  // the one item skipped: done as asked, but not all of it
    const shell::FileOpResult skipped = Run(FileOpKind::Copy, {src_ + "/a.txt"}, {dst_}, 0);
    EXPECT_TRUE(skipped.ok);
    EXPECT_TRUE(skipped.aborted);
    EXPECT_EQ(ReadText(dst_ + "/a.txt"), "old");
    ui.answers = {ShellAnswer::Yes};
    EXPECT_TRUE(Run(FileOpKind::Copy, {src_ + "/a.txt"}, {dst_}, 0).ok);
    EXPECT_EQ(ReadText(dst_ + "/a.txt"), "new");
    EXPECT_EQ(ui.questions.back(), "'a.txt' already exists. Replace it?");

    WriteText(dst_ + "/a.txt", "old");
    const std::size_t asked = ui.questions.size();
    EXPECT_TRUE(Run(FileOpKind::Copy, {src_ + "/a.txt"}, {dst_}, fof::NoConfirmation).ok);
    EXPECT_EQ(ReadText(dst_ + "/a.txt"), "new");
    EXPECT_EQ(ui.questions.size(), asked);
    // Nothing written aside stays behind.
    EXPECT_EQ(CountEntries(dst_), 2u);
}

TEST_F(FileOpEngine, CopyKeepsLinksModesAndTimesAndRefusesSpecialFiles) {
    RecordingShellUi ui;
    WriteText(src_ + "/tree/run", "#!");
    ::chmod((src_ + "/tree/run").c_str(), 04755);
    const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, (src_ + "/tree/run").c_str(), times, 0);
    ASSERT_EQ(::symlink("/etc/hostname", (src_ + "/tree/link").c_str()), 0);
    EXPECT_TRUE(Run(FileOpKind::Copy, {src_ + "/tree"}, {dst_}, 0).ok);
    struct stat st;
    ASSERT_EQ(::stat((dst_ + "/tree/run").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);  // no set-id bit carried over
    EXPECT_EQ(st.st_mtime, 1000000000);
    ASSERT_TRUE(IsLink(dst_ + "/tree/link"));
    char target[64] = {};
    EXPECT_GT(::readlink((dst_ + "/tree/link").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "/etc/hostname");

    ASSERT_EQ(::mkfifo((src_ + "/fifo").c_str(), 0600), 0);
    EXPECT_FALSE(Run(FileOpKind::Copy, {src_ + "/fifo"}, {dst_}, 0).ok);
    EXPECT_FALSE(Exists(dst_ + "/fifo"));
    EXPECT_EQ(ui.warnings.size(), 1u);
}

TEST_F(FileOpEngine, RefusesDangerousSourcesAndFoldersIntoThemselves) {
    RecordingShellUi ui;
    MakeFile("keep/file");
    // Asking flags: should a refusal ever slip, the unexpected question is answered Cancel, so a
    // broken check fails this test without deleting anything.
    for (const std::string& source : {std::string(), std::string("rel/x"), std::string("/"), home_, root_,
                                      home_ + "/keep/../..", std::string("/dev/shm")}) {
        struct stat shm, dev;
        if (source == "/dev/shm" &&
            (::stat("/dev/shm", &shm) != 0 || ::stat("/dev", &dev) != 0 || shm.st_dev == dev.st_dev))
            continue;  // not a mount point here
        const shell::FileOpResult result = Run(FileOpKind::Delete, {source}, {}, 0);
        EXPECT_FALSE(result.ok) << source;
        EXPECT_FALSE(result.aborted) << source;
    }
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_TRUE(Exists(home_ + "/keep/file"));

    MakeFile("src/sub/f");
    EXPECT_FALSE(Run(FileOpKind::Copy, {src_}, {src_ + "/sub"}, fof::NoConfirmation).ok);
    EXPECT_FALSE(Run(FileOpKind::Move, {src_}, {src_}, fof::NoConfirmation).ok);
    EXPECT_FALSE(Exists(src_ + "/sub/src"));
    EXPECT_FALSE(Exists(src_ + "/src"));
}

TEST_F(FileOpEngine, LinksAreNeverFollowed) {
    RecordingShellUi ui;
    const std::string outside = root_ + "/outside";
    WriteText(outside + "/precious", "x");
    // Deleting a tree takes only the link that points out of it.
    MakeFile("src/doomed/file");
    ASSERT_EQ(::symlink(outside.c_str(), (src_ + "/doomed/out").c_str()), 0);
    EXPECT_TRUE(Run(FileOpKind::Delete, {src_ + "/doomed"}, {}, fof::NoConfirmation).ok);
    EXPECT_FALSE(Exists(src_ + "/doomed"));
    EXPECT_EQ(ReadText(outside + "/precious"), "x");

    // A link planted in the destination where a folder goes: that item fails, the rest arrives.
    MakeFile("src/pkg/sub/new", "n");
    MakeFile("src/pkg/top", "t");
    MakeDir("dst/pkg");
    ASSERT_EQ(::symlink(outside.c_str(), (dst_ + "/pkg/sub").c_str()), 0);
    EXPECT_FALSE(Run(FileOpKind::Copy, {src_ + "/pkg"}, {dst_}, fof::NoConfirmation).ok);
    EXPECT_FALSE(Exists(outside + "/new"));
    EXPECT_EQ(ReadText(dst_ + "/pkg/top"), "t");
    EXPECT_TRUE(IsLink(dst_ + "/pkg/sub"));
}

TEST_F(FileOpEngine, PatternsFilesOnlyMultipleDestinationsAndRename) {
    RecordingShellUi ui;
    MakeFile("src/a.htm", "a");
    MakeFile("src/b.htm", "b");
    MakeFile("src/c.txt");
    MakeDir("src/d.htm");
    EXPECT_TRUE(Run(FileOpKind::Copy, {src_ + "/*.htm"}, {dst_ + "/pages"}, fof::FilesOnly | fof::NoConfirmMkDir, true).ok);
    EXPECT_EQ(CountEntries(dst_ + "/pages"), 2u);
    EXPECT_EQ(ReadText(dst_ + "/pages/b.htm"), "b");

    ui.answers = {ShellAnswer::No};  // the missing folder is not created
    EXPECT_FALSE(Run(FileOpKind::Copy, {src_ + "/?.htm"}, {dst_ + "/other"}, 0, true).ok);
    EXPECT_EQ(ui.questions.back(), "The folder '" + dst_ + "/other' does not exist. Create it?");
    EXPECT_FALSE(Exists(dst_ + "/other"));

    EXPECT_TRUE(Run(FileOpKind::Move, {src_ + "/a.htm", src_ + "/b.htm"}, {dst_ + "/one.htm", dst_ + "/two.htm"},
                    fof::MultiDestFiles).ok);
    EXPECT_EQ(ReadText(dst_ + "/one.htm"), "a");
    EXPECT_EQ(ReadText(dst_ + "/two.htm"), "b");
    EXPECT_FALSE(Exists(src_ + "/a.htm"));

    // Rename never replaces.
    EXPECT_FALSE(Run(FileOpKind::Rename, {dst_ + "/one.htm"}, {"two.htm"}, fof::NoConfirmation).ok);
    EXPECT_EQ(ReadText(dst_ + "/two.htm"), "b");
    EXPECT_TRUE(Run(FileOpKind::Rename, {dst_ + "/one.htm"}, {"three.htm"}, 0).ok);
    EXPECT_EQ(ReadText(dst_ + "/three.htm"), "a");
}

TEST_F(FileOpEngine, CancelStopsAndKeepsWhatWasDone) {
    RecordingShellUi ui;
    for (int i = 0; i < 40; ++i) MakeFile("src/many/f" + std::to_string(100 + i));
    ui.cancelAt = 20;
    const shell::FileOpResult result = Run(FileOpKind::Copy, {src_ + "/many/*"}, {dst_}, 0, true);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.aborted);
    EXPECT_EQ(ui.total, 40u);
    EXPECT_EQ(CountEntries(dst_), 19u);
    EXPECT_TRUE(ui.warnings.empty());
}

}  // namespace
}  // namespace corvane::testing
