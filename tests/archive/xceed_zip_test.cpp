// The zip component against a fake library: the exact switch vectors, the handling of every
// callback message, and the component's own refusals and life-cycle rules.

#include "archive/xceed_zip.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "platform/rtl/headless_main_loop.h"
#include "tests/archive/fake_zip_library.h"

namespace corvane {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using V = std::vector<std::string>;

const std::string Z = "/data/My Zip.zip";

class XceedZipTest : public ::testing::Test {
protected:
    testing::FakeZipLibrary fake;
    TXceedZipPtr zip = TXceedZip::Create();

    void SetUp() override { zip->ZipFileName = Z; }
};

TEST_F(XceedZipTest, AddOnNewComponentSendsDocumentedVector) {
    zip->FilesToProcess.Add("pages\\index.htm");
    zip->FilesToProcess.Add("logo.gif");
    EXPECT_EQ(zip->Add(0), 0);
    ASSERT_EQ(fake.Calls(), 1);
    EXPECT_EQ(fake.Entry(0), "xcdzip");
    EXPECT_THAT(fake.Argv(0), ElementsAre("", "-6", "-n", ".ZIP;.LZH;.ARC;.ARJ;.ZOO", "-t", "01011980", Z, "-W",
                                          "pages\\index.htm", "logo.gif"));
    EXPECT_EQ(fake.Argc(0), 10);
    EXPECT_TRUE(zip->FilesToProcess.Empty());
}

TEST_F(XceedZipTest, AddSwitchesFollowProperties) {
    zip->Password = "pw";
    zip->Compression = 9;
    zip->MoveFiles = zip->IncludeHiddenFiles = zip->IncludeDirectoryEntries = zip->Recurse = true;
    zip->IncludeVolumeLabel = zip->ClearDisks = true;
    zip->UseTempFile = false;
    zip->TempPath = "/tmp/work";
    zip->StoredExtensions = "";
    zip->DateFilter = EncodeDate(2024, 3, 7);
    zip->FilesToProcess.Add("a");
    zip->Add(2);
    EXPECT_THAT(fake.Argv(0), ElementsAre("pw", "-u", "-e", "-9", "-m", "-S", "-D", "-r", "-g", "-b", "/tmp/work", "-&",
                                          "-t", "07032024", Z, "-W", "a"));

    // Freshen leaves out hidden files and directory entries; add alone asks for the volume label;
    // without paths "-j" replaces "-D".
    zip->Compression = 0;
    zip->UsePaths = false;
    zip->Add(1);
    EXPECT_THAT(fake.Argv(1), ElementsAre("pw", "-f", "-e", "-0", "-m", "-r", "-j", "-g", "-b", "/tmp/work", "-&", "-t",
                                          "07032024", Z, "-W"));
    zip->Add(0);
    EXPECT_THAT(fake.Argv(2), ElementsAre("pw", "-e", "-0", "-m", "-S", "-$", "-r", "-j", "-g", "-b", "/tmp/work", "-&",
                                          "-t", "07032024", Z, "-W"));
}

TEST_F(XceedZipTest, SelfExtractingVectorCarriesStubAndNoSpecs) {
    zip->SelfExtracting = true;
    zip->SfxBinary = "/opt/stub";
    zip->FilesToProcess.Add("a");
    zip->Add(3);
    const V argv = fake.Argv(0);
    ASSERT_EQ(argv.size(), 7u);
    EXPECT_THAT(V(argv.begin(), argv.begin() + 5), ElementsAre("", "-M", "-X", "/opt/stub", Z));
    EXPECT_EQ(argv[6], Z) << "no compression, date filter or specs in this mode";
    EXPECT_FALSE(zip->SelfExtracting);
}

TEST_F(XceedZipTest, IncludeAndExcludeSpecs) {
    for (const char* spec : {"<*.tmp", "plain.htm", ">*.gif", "", "other.htm"}) zip->FilesToProcess.Add(spec);
    zip->Add(0);
    const V add = fake.Argv(0);
    EXPECT_THAT(V(add.end() - 7, add.end()), ElementsAre("-W", "plain.htm", "other.htm", "-i", "*.gif", "-x", "*.tmp"));

    // Where includes are not allowed the marker stays, as a plain spec.
    for (const char* spec : {"plain.htm", ">*.gif", "<*.tmp"}) zip->FilesToProcess.Add(spec);
    zip->Extract(0);
    EXPECT_THAT(fake.Argv(1), ElementsAre("", "-10", "-2-1", Z, "plain.htm", ">*.gif", "-x", "*.tmp"));

    // Only an include and an exclude: no plain spec, so neither is sent.
    zip->FilesToProcess.Add(">*.gif");
    zip->FilesToProcess.Add("<*.tmp");
    zip->Delete();
    EXPECT_THAT(fake.Argv(2), ElementsAre("", "-d", Z));
}

TEST_F(XceedZipTest, ExtractListAndDeleteVectors) {
    zip->Password = "s";
    zip->FirstIndex = 3;
    zip->LastIndex = 12;
    zip->UsePaths = false;
    zip->Overwrite = xowNever;
    zip->ExtractDirectory = "/out dir";
    zip->FilesToProcess.Add("a\\*.*");
    zip->Extract(1);
    EXPECT_EQ(fake.Entry(0), "xcdunzip");
    EXPECT_THAT(fake.Argv(0), ElementsAre("s", "-f", "-13", "-212", "-j", "-n", Z, "a\\*.*", "-d", "/out dir"));

    zip->Overwrite = xowAlways;
    zip->ExtractDirectory.clear();
    zip->Extract(2);
    EXPECT_THAT(fake.Argv(1), ElementsAre("s", "-u", "-13", "-212", "-j", "-o", Z));

    zip->FilesToProcess.Add("*.*");
    zip->List();
    EXPECT_EQ(fake.Entry(2), "xcdunzip");
    EXPECT_THAT(fake.Argv(2), ElementsAre("s", "-v", "-13", "-212", Z, "*.*"));

    zip->TempPath = "/t";
    zip->FilesToProcess.Add("x.htm");
    zip->Delete();
    EXPECT_EQ(fake.Entry(3), "xcdzip");
    EXPECT_THAT(fake.Argv(3), ElementsAre("s", "-d", "-b", "/t", Z, "x.htm"));
}

TEST_F(XceedZipTest, CountAndInfoUseArgcOne) {
    fake.Step(XCD_MSG_FILE_COUNT, "", "", 42);
    EXPECT_EQ(zip->GetFileCount(), 42);
    EXPECT_EQ(fake.Argc(0), 1);
    EXPECT_THAT(fake.Argv(0), ElementsAre("0", Z));

    fake.Reset(100);
    fake.Step(XCD_MSG_FILE_COUNT, "", "", 42);
    EXPECT_EQ(zip->GetFileCount(), 0) << "a failed count is 0";

    fake.Reset(0);
    zip->MultidiskMode = true;
    zip->GetFileCount();
    EXPECT_THAT(fake.Argv(0), ElementsAre("1234567890", Z));
    zip->MultidiskMode = false;

    fake.Reset(0);
    const uint16_t date = static_cast<uint16_t>(((2021 - 1980) << 9) | (6 << 5) | 15);
    const uint16_t time = static_cast<uint16_t>((13 << 11) | (45 << 5) | 10);
    fake.Step(XCD_MSG_FILE_INFO, "dir/page.htm", "A title", date, time);
    const TXcdFileStats info = zip->GetFileInfo(0);
    EXPECT_EQ(fake.Argc(0), 1);
    EXPECT_THAT(fake.Argv(0), ElementsAre("1", Z));
    EXPECT_EQ(info.FileName, "dir/page.htm");
    EXPECT_EQ(info.Size, 1000u);
    EXPECT_EQ(info.CompressedSize, 400u);
    EXPECT_EQ(info.Ratio, 60);
    EXPECT_EQ(info.Attributes, xfaArchive);
    EXPECT_TRUE(info.Flag);
    EXPECT_EQ(info.Comment, "A title");
    EXPECT_DOUBLE_EQ(info.DateTime, EncodeDate(2021, 6, 15) + EncodeTime(13, 45, 20));

    fake.Reset(0);
    EXPECT_TRUE(zip->GetFileInfo(-1).FileName.empty());
    EXPECT_EQ(fake.Calls(), 0);
    fake.Reset(10);
    fake.Step(XCD_MSG_FILE_INFO, "x");
    EXPECT_TRUE(zip->GetFileInfo(5).FileName.empty()) << "no record unless the call succeeded";
    EXPECT_THAT(fake.Argv(0), ElementsAre("6", Z));
}

TEST_F(XceedZipTest, MultidiskModeRefusesWithoutCall) {
    zip->MultidiskMode = true;
    zip->FilesToProcess.Add("a");
    EXPECT_EQ(zip->Add(1), kXcdMultidiskRefused);
    EXPECT_THAT(zip->LastVector(), ElementsAre("-!"));
    EXPECT_TRUE(zip->FilesToProcess.Empty());
    EXPECT_EQ(zip->Add(3), kXcdMultidiskRefused);
    EXPECT_EQ(zip->Extract(2), kXcdMultidiskRefused);
    EXPECT_EQ(zip->Delete(), kXcdMultidiskRefused);
    EXPECT_EQ(fake.Calls(), 0);
    // Plain add and extract go to the library, which decides.
    zip->Add(0);
    zip->Extract(0);
    ASSERT_EQ(fake.Calls(), 2);
    EXPECT_THAT(fake.Argv(1), ElementsAre("", "-10", "-2-1", "-!", Z));
}

TEST_F(XceedZipTest, MissingLibraryGives240AndIsTriedAgain) {
    char folder[] = "/tmp/xcd-empty-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    SetZipLibraryFolder(folder);
    zip->FilesToProcess.Add("a");
    EXPECT_EQ(zip->Add(0), kXcdNoLibrary);
    EXPECT_EQ(zip->GetFileCount(), 0);
    EXPECT_TRUE(zip->FilesToProcess.Empty());
    EXPECT_EQ(fake.Calls(), 0);
    SetZipLibraryFolder(CORVANE_FAKE_ZIP_DIR);
    fake.Reset(0);
    EXPECT_EQ(zip->List(), 0);
    EXPECT_EQ(fake.Calls(), 1);
    rmdir(folder);
}

TEST_F(XceedZipTest, BaseFolderReachesTheLibraryBesideTheVector) {
    zip->BaseFolder = "/tmp/corvane-0/Corvane";
    zip->FilesToProcess.Add("site\\page.htm");
    EXPECT_EQ(zip->Add(0), 0);
    EXPECT_THAT(fake.Argv(0), ElementsAre("", "-6", "-n", ".ZIP;.LZH;.ARC;.ARJ;.ZOO", "-t", "01011980", Z, "-W",
                                          "site\\page.htm"));
    EXPECT_EQ(fake.Base(0), "/tmp/corvane-0/Corvane");
    EXPECT_EQ(fake.BaseNow(), "") << "cleared after the call";

    // Only Add reads files from disk; without a base folder the working folder holds.
    zip->FilesToProcess.Add("x");
    zip->Delete();
    EXPECT_EQ(fake.Base(1), "");
    zip->BaseFolder.clear();
    zip->Add(0);
    EXPECT_EQ(fake.Base(2), "");
}

TEST_F(XceedZipTest, LibraryWithoutBaseFoldersRefusesRatherThanReadTheWorkingFolder) {
    testing::FakeZipLibrary old(CORVANE_FAKE_ZIP_OLD_DIR);
    zip->BaseFolder = "/tmp/capture";
    zip->FilesToProcess.Add("site/page.htm");
    EXPECT_EQ(zip->Add(0), kXcdNoLibrary);
    EXPECT_EQ(old.Calls(), 0);
    EXPECT_TRUE(zip->FilesToProcess.Empty());
    zip->BaseFolder.clear();
    zip->FilesToProcess.Add("/tmp/capture/site/page.htm");
    EXPECT_EQ(zip->Add(0), 0);
    EXPECT_EQ(old.Calls(), 1);
}

TEST_F(XceedZipTest, ResultCodesPassThrough) {
    for (int code : {10, 40, 50, 110, 190, 400}) {
        fake.Reset(code);
        EXPECT_EQ(zip->Extract(0), code);
    }
}

class XceedZipMessages : public XceedZipTest {};

TEST_F(XceedZipMessages, PasswordSentOnceThenRefused) {
    zip->Password = "secret";
    fake.Step(XCD_MSG_PASSWORD, "a.htm", "", 7);
    fake.Step(XCD_MSG_PASSWORD, "a.htm", "", 7);  // refused: asked again at once
    fake.Step(XCD_MSG_EXTRACTING, "b.htm");
    fake.Step(XCD_MSG_PASSWORD, "b.htm", "", 7);  // another message came between: send again
    zip->Extract(0);
    ASSERT_EQ(fake.Outcomes(), 4);
    EXPECT_EQ(fake.Text(0), "secret");
    EXPECT_EQ(fake.Byte(0), 2u);
    EXPECT_EQ(fake.Byte(1), 0u);
    EXPECT_EQ(fake.Text(3), "secret");
    EXPECT_EQ(fake.Byte(3), 2u);

    // The last call ended on a refusal; a new call starts afresh.
    fake.Reset(0);
    fake.Step(XCD_MSG_PASSWORD, "x", "", 7);
    zip->FilesToProcess.Add("x");
    zip->Add(0);
    EXPECT_EQ(fake.Text(0), "secret");
    EXPECT_EQ(fake.Byte(0), 5u) << "an add answers with its own kind";
}

TEST_F(XceedZipMessages, PasswordQueryHandlerIsBoundedAndOptional) {
    fake.Step(XCD_MSG_PASSWORD, "a.htm", "", 9);
    zip->Extract(0);
    EXPECT_EQ(fake.Byte(0), 9u) << "without a handler nothing is written";
    EXPECT_EQ(fake.Text(0).size(), size_t{XCD_PASSWORD_SIZE});

    std::string seenName;
    int seenAnswer = -1;
    zip->OnPwdQuery = [&](TXceedZip&, TXcdPwdQuery& q) {
        seenName = q.FileName;
        seenAnswer = q.Answer;
        q.Password = std::string(200, 'p');
        q.Answer = 3;
    };
    fake.Reset(0);
    fake.Step(XCD_MSG_PASSWORD, "a.htm", "", 9);
    fake.Step(XCD_MSG_PASSWORD, "a.htm", "", 9);
    zip->Extract(0);
    EXPECT_EQ(seenName, "a.htm");
    EXPECT_EQ(seenAnswer, 9);
    EXPECT_EQ(fake.Text(0), std::string(80, 'p'));
    EXPECT_EQ(fake.Byte(0), 3u);
    EXPECT_EQ(fake.Text(1), std::string(80, 'p')) << "the handler decides each time";
}

TEST_F(XceedZipMessages, DosDatesOutOfRangeGive1980) {
    const TDateTime y1980 = EncodeDate(1980, 1, 1);
    const auto date = [](int y, int m, int d) { return static_cast<uint32_t>(((y - 1980) << 9) | (m << 5) | d); };
    const auto time = [](int h, int n, int s2) { return static_cast<uint32_t>((h << 11) | (n << 5) | s2); };
    std::vector<TDateTime> seen;
    zip->OnListing = [&](TXceedZip&, const TXcdFileStats& s) { seen.push_back(s.DateTime); };
    fake.Step(XCD_MSG_LISTING, "month0", "", date(2000, 0, 5), time(1, 2, 3));
    fake.Step(XCD_MSG_LISTING, "day0", "", date(2000, 5, 0), 0);
    fake.Step(XCD_MSG_LISTING, "feb31", "", date(2001, 2, 31), 0);
    fake.Step(XCD_MSG_LISTING, "hour24", "", date(2001, 2, 3), time(24, 0, 0));
    fake.Step(XCD_MSG_LISTING, "minute60", "", date(2001, 2, 3), time(1, 60, 0));
    fake.Step(XCD_MSG_LISTING, "second60", "", date(2001, 2, 3), time(1, 1, 30));
    fake.Step(XCD_MSG_LISTING, "good", "", date(2107, 12, 31), time(23, 59, 29));
    zip->List();
    ASSERT_EQ(seen.size(), 7u);
    for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(seen[static_cast<size_t>(i)], y1980) << i;
    EXPECT_DOUBLE_EQ(seen[6], EncodeDate(2107, 12, 31) + EncodeTime(23, 59, 58));
}

TEST_F(XceedZipMessages, ArchiveCommentIsBoundedAndPerComponent) {
    const std::string long_comment(300, 'c');
    fake.Step(XCD_MSG_ZIP_COMMENT, long_comment, "", 300);
    zip->List();
    EXPECT_EQ(zip->ArchiveComment(), std::string(255, 'c'));

    fake.Reset(0);
    fake.Step(XCD_MSG_GET_ZIP_COMMENT);
    zip->List();
    EXPECT_EQ(fake.Text(0), std::string(255, 'c'));
    EXPECT_EQ(fake.Length(0), 255u);
    EXPECT_EQ(fake.Byte(0), 1u);

    // The length bounds the text too, and another component keeps its own comment.
    TXceedZipPtr other = TXceedZip::Create();
    fake.Reset(0);
    fake.Step(XCD_MSG_ZIP_COMMENT, "short and more", "", 5);
    other->List();
    EXPECT_EQ(other->ArchiveComment(), "short");
    EXPECT_EQ(zip->ArchiveComment(), std::string(255, 'c'));
}

TEST_F(XceedZipMessages, FileCommentAndReplaceAreCopiedBackBounded) {
    fake.Step(XCD_MSG_FILE_COMMENT, "a.htm");
    zip->FilesToProcess.Add("a.htm");
    zip->Add(0);
    EXPECT_EQ(fake.Length(0), 0u) << "no handler, nothing written";

    zip->OnFileComment = [](TXceedZip&, TXcdFileComment& c) { c.Comment = "Title of " + c.FileName + std::string(300, '!'); };
    zip->OnReplace = [](TXceedZip&, TXcdReplace& r) {
        EXPECT_EQ(r.Name, "old.htm");
        EXPECT_TRUE(r.NewName.empty());
        EXPECT_EQ(r.Answer, 4);
        r.NewName = std::string(5000, 'n');
        r.Answer = 1;
    };
    fake.Reset(0);
    fake.Step(XCD_MSG_FILE_COMMENT, "a.htm");
    fake.Step(XCD_MSG_REPLACE, "old.htm", "", 4);
    zip->FilesToProcess.Add("a.htm");
    zip->Add(0);
    EXPECT_EQ(fake.Text(0), ("Title of a.htm" + std::string(300, '!')).substr(0, 255));
    EXPECT_EQ(fake.Length(0), 255u);
    EXPECT_EQ(fake.Text(1), std::string(XCD_NAME_SIZE - 1, 'n'));
    EXPECT_EQ(fake.Byte(1), 1u);
}

TEST_F(XceedZipMessages, EachMessageRaisesItsEvent) {
    V log;
    auto stats = [&](const char* tag) {
        return [&log, tag](TXceedZip&, const TXcdFileStats& s) { log.push_back(std::string(tag) + ":" + s.FileName); };
    };
    auto name = [&](const char* tag) {
        return [&log, tag](TXceedZip&, const std::string& n) { log.push_back(std::string(tag) + ":" + n); };
    };
    zip->OnTesting = stats("test");
    zip->OnExtracting = stats("extract");
    zip->OnListing = stats("list");
    zip->OnUpdating = stats("update");
    zip->OnAdding = stats("add");
    zip->OnStatus = stats("status");
    zip->OnDeleting = name("delete");
    zip->OnFixing = name("fix");
    zip->OnNewdisk = [&](TXceedZip&, int disk) { log.push_back("disk:" + std::to_string(disk)); };
    zip->OnSkippingFile = [&](TXceedZip&, const TXcdSkipping& s) {
        log.push_back("skip:" + s.FileName + ":" + std::to_string(s.Reason));
    };
    for (int m : {50, 60, 80, 1000, 1010, 1030, 1020, 1070}) fake.Step(m, "f" + std::to_string(m));
    fake.Step(XCD_MSG_NEW_DISK, "", "", 3);
    fake.Step(XCD_MSG_SKIPPING, "../e", "", XCD_SKIP_UNSAFE_PATH);
    fake.Step(777, "unknown");
    EXPECT_EQ(zip->List(), 0);
    EXPECT_THAT(log, ElementsAre("test:f50", "extract:f60", "list:f80", "update:f1000", "add:f1010", "status:f1030",
                                 "delete:f1020", "fix:f1070", "disk:3", "skip:../e:1"));
    for (int i = 0; i < fake.Outcomes(); ++i) EXPECT_EQ(fake.Answer(i), 0);
}

TEST_F(XceedZipMessages, AbortAnswersStopAndIsCleared) {
    zip->OnListing = [](TXceedZip& z, const TXcdFileStats&) { z.Abort = true; };
    fake.Step(XCD_MSG_LISTING, "a");
    fake.Step(XCD_MSG_LISTING, "b");
    EXPECT_EQ(zip->List(), XCD_ERR_STOPPED);
    EXPECT_EQ(fake.Outcomes(), 1);
    EXPECT_FALSE(zip->Abort);

    // Set before a call, Abort is cleared for it.
    zip->OnListing = nullptr;
    zip->Abort = true;
    fake.Reset(0);
    fake.Step(XCD_MSG_LISTING, "a");
    EXPECT_EQ(zip->List(), 0);
}

TEST_F(XceedZipMessages, HandlerExceptionBecomesStop) {
    zip->OnAdding = [](TXceedZip&, const TXcdFileStats&) { throw std::runtime_error("window gone"); };
    fake.Step(XCD_MSG_ADDING, "a");
    fake.Step(XCD_MSG_ADDING, "b");
    zip->FilesToProcess.Add("a");
    EXPECT_EQ(zip->Add(0), XCD_ERR_STOPPED);
    EXPECT_EQ(fake.Answer(0), 1);
    EXPECT_FALSE(zip->Abort);
    zip->OnAdding = nullptr;
    fake.Reset(0);
    fake.Step(XCD_MSG_ADDING, "a");
    EXPECT_EQ(zip->Add(0), 0);
}

TEST_F(XceedZipMessages, CallbackRunsTheMainLoopFirst) {
    HeadlessMainLoop loop;
    bool ran = false;
    bool ranBeforeEvent = false;
    loop.Post([&] { ran = true; });
    zip->OnListing = [&](TXceedZip&, const TXcdFileStats&) { ranBeforeEvent = ran; };
    fake.Step(XCD_MSG_LISTING, "a");
    zip->List();
    EXPECT_TRUE(ranBeforeEvent);
}

TEST_F(XceedZipMessages, FreeDuringCallWaitsForTheCall) {
    // The owner lets go of the component from a posted call, as a window closing mid-call would.
    HeadlessMainLoop loop;
    int events = 0;
    TXceedZip* raw = zip.get();
    raw->OnListing = [&](TXceedZip&, const TXcdFileStats&) {
        ++events;
        loop.Post([&] { zip.reset(); });
    };
    fake.Step(XCD_MSG_LISTING, "a");
    fake.Step(XCD_MSG_LISTING, "b");
    fake.Step(XCD_MSG_LISTING, "c");
    EXPECT_EQ(raw->List(), XCD_ERR_STOPPED);
    EXPECT_EQ(events, 1) << "no event after the owner let go";
    EXPECT_EQ(zip, nullptr);
    EXPECT_EQ(fake.Outcomes(), 2);
    EXPECT_EQ(fake.Answer(1), 1);
    // ASan reports it if the component was freed too early or never.
}

}  // namespace
}  // namespace corvane
