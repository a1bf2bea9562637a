// The add library's base folder: relative specs and entry names come from it instead of the working
// folder, and nothing outside it can be added, by name or through a link.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "tests/platform/zipdll/zip_driver.h"

namespace corvane::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

class XcdBaseFolder : public ::testing::Test {
protected:
    ScratchFolder scratch;
    ZipDriver driver;
    std::string capture = scratch / "Corvane";
    std::string archive = scratch / "task.zip";
    std::vector<std::pair<std::string, int>> skipped;
    ZipHandler recordSkips = [this](int message, void* data) {
        if (message == XCD_MSG_SKIPPING) {
            const auto* s = static_cast<XcdSkippingData*>(data);
            skipped.emplace_back(s->FileName, s->Reason);
        }
        return false;
    };

    void SetUp() override {
        ScratchFolder::Shell("mkdir -p '" + capture + "/site/img'");
        WriteFile(capture + "/site/page.htm", "<html>page</html>");
        WriteFile(capture + "/site/img/a.gif", "GIF89a");
        WriteFile(scratch / "secret.txt", "outside");
    }

    std::vector<std::string> Names() {
        std::vector<std::string> names = driver.ListNames(archive);
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(XcdBaseFolder, RelativeSpecsAndNamesComeFromTheBaseNotTheWorkingFolder) {
    char before[4096];
    ASSERT_NE(getcwd(before, sizeof before), nullptr);
    ASSERT_EQ(driver.SetBaseFolder(capture.c_str()), 0);
    ASSERT_EQ(driver.Zip({"", "-6", archive, "-W", "site/page.htm", "site\\img\\a.gif"}), 0);
    EXPECT_THAT(Names(), ElementsAre("site/img/a.gif", "site/page.htm"));
    EXPECT_EQ(ScratchFolder::Shell("unzip -p '" + archive + "' site/page.htm | cmp -s - '" + capture + "/site/page.htm'"), 0);

    // Wildcards and recursion walk below the base too.
    ASSERT_EQ(driver.Zip({"", "-6", "-r", scratch / "r.zip", "-W", "*.gif"}), 0);
    EXPECT_THAT(driver.ListNames(scratch / "r.zip"), ElementsAre("site/img/a.gif"));

    char after[4096];
    ASSERT_NE(getcwd(after, sizeof after), nullptr);
    EXPECT_STREQ(before, after);

    // Cleared, the working folder holds again: the same spec is not there.
    ASSERT_EQ(driver.SetBaseFolder(nullptr), 0);
    EXPECT_EQ(driver.Zip({"", "-6", scratch / "c.zip", "-W", "site/page.htm"}, recordSkips), XCD_WARN_SKIPPED);
    EXPECT_THAT(skipped, ElementsAre(std::make_pair(std::string("site/page.htm"), XCD_SKIP_NOT_FOUND)));
}

TEST_F(XcdBaseFolder, NothingOutsideTheBaseIsAdded) {
    ASSERT_EQ(symlink((scratch / "secret.txt").c_str(), (capture + "/link.txt").c_str()), 0);
    ASSERT_EQ(symlink(scratch.Path().c_str(), (capture + "/up").c_str()), 0);
    ASSERT_EQ(driver.SetBaseFolder(capture.c_str()), 0);
    EXPECT_EQ(driver.Zip({"", "-6", archive, "-W", "../secret.txt", "site/../../secret.txt", scratch / "secret.txt",
                          "C:\\secret.txt", "link.txt", "up/secret.txt", "site/page.htm"},
                         recordSkips),
              XCD_WARN_SKIPPED);
    EXPECT_THAT(skipped, ElementsAre(std::make_pair(std::string("../secret.txt"), XCD_SKIP_UNSAFE_PATH),
                                     std::make_pair(std::string("site/../../secret.txt"), XCD_SKIP_UNSAFE_PATH),
                                     std::make_pair(scratch / "secret.txt", XCD_SKIP_UNSAFE_PATH),
                                     std::make_pair(std::string("C:\\secret.txt"), XCD_SKIP_UNSAFE_PATH),
                                     std::make_pair(std::string("link.txt"), XCD_SKIP_SYMLINK),
                                     std::make_pair(std::string("up/secret.txt"), XCD_SKIP_NOT_FOUND)));
    EXPECT_THAT(Names(), ElementsAre("site/page.htm"));

    // A recursive walk reports the links and does not go through them.
    skipped.clear();
    EXPECT_EQ(driver.Zip({"", "-6", "-r", scratch / "all.zip", "-W", "*"}, recordSkips), XCD_WARN_SKIPPED);
    EXPECT_THAT(skipped, UnorderedElementsAre(std::make_pair(std::string("link.txt"), XCD_SKIP_SYMLINK),
                                              std::make_pair(std::string("up"), XCD_SKIP_SYMLINK)));
    EXPECT_THAT(driver.ListNames(scratch / "all.zip"), UnorderedElementsAre("site/page.htm", "site/img/a.gif"));
}

TEST_F(XcdBaseFolder, ALinkSwappedInBeforeTheWriteIsNotFollowed) {
    // The file is read only when the archive is written; the comment request comes before that.
    ASSERT_EQ(driver.SetBaseFolder(capture.c_str()), 0);
    const int code = driver.Zip({"", "-6", archive, "-W", "site/page.htm"}, [&](int message, void*) {
        if (message == XCD_MSG_FILE_COMMENT) {
            unlink((capture + "/site/page.htm").c_str());
            if (symlink((scratch / "secret.txt").c_str(), (capture + "/site/page.htm").c_str()) != 0) return true;
        }
        return false;
    });
    EXPECT_NE(code, 0);
    EXPECT_EQ(ReadFile(archive).find("outside"), std::string::npos);
    EXPECT_NE(ScratchFolder::Shell("unzip -p '" + archive + "' 2>/dev/null | grep -q outside"), 0);
}

TEST_F(XcdBaseFolder, SettingRulesAndFailures) {
    EXPECT_EQ(driver.SetBaseFolder(std::string(XCD_NAME_SIZE, 'a').c_str()), XCD_ERR_BAD_ARGUMENTS);
    ASSERT_EQ(driver.SetBaseFolder((scratch / "missing").c_str()), 0);
    EXPECT_EQ(driver.Zip({"", "-6", archive, "-W", "site/page.htm"}), XCD_ERR_ACCESS);
    EXPECT_FALSE(Exists(archive));

    // The setting belongs to the thread that made it.
    ASSERT_EQ(driver.SetBaseFolder(capture.c_str()), 0);
    int other = -1;
    std::thread([&] { other = driver.Zip({"", "-6", archive, "-W", "site/page.htm"}); }).join();
    EXPECT_EQ(other, XCD_WARN_SKIPPED) << "the other thread reads against the working folder";
    EXPECT_EQ(driver.Zip({"", "-6", archive, "-W", "site/page.htm"}), 0);
}

}  // namespace
}  // namespace corvane::testing
