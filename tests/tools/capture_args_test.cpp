#include <gtest/gtest.h>

#include "tools/capture/capture_driver.h"

namespace corvane {
namespace {

TEST(EndToEndArgs, ReadsAStartURLAFolderAndASaveMode) {
    const CaptureArgs a = ParseCaptureArgs({"--fast", "http://host/", "/tmp/out", "intranet", "--depth", "2",
                                            "--pages", "any", "--connections", "4"});
    ASSERT_TRUE(a.Ok) << a.Error;
    EXPECT_EQ(a.Options.URL, "http://host/");
    EXPECT_EQ(a.Options.Destination, "/tmp/out");
    EXPECT_TRUE(a.Options.Intranet);
    EXPECT_TRUE(a.Options.Fast);
    EXPECT_EQ(a.Options.Depth, 2);
    EXPECT_EQ(a.Options.PageLocation, lcAnywhere);
    EXPECT_EQ(a.Options.ResourceLocation, lcSite);
    EXPECT_EQ(a.Options.Connections, 4);
    EXPECT_FALSE(ParseCaptureArgs({"HTTPS://host/", "/tmp/out", "zip"}).Options.Intranet);

    const CaptureArgs resume = ParseCaptureArgs({"--resume", "--home", "/tmp/h"});
    ASSERT_TRUE(resume.Ok);
    EXPECT_TRUE(resume.Options.Resume);
    EXPECT_EQ(resume.Options.Method, rmResume);
    const std::pair<const char*, TCVRunMethod> methods[] = {
        {"resume", rmResume}, {"restart", rmRestart}, {"update", rmSmartUpdate}, {"retry", rmSmartRecovery}};
    for (const auto& [name, method] : methods)
        EXPECT_EQ(ParseCaptureArgs({"--resume", "--home", "/tmp/h", "--method", name}).Options.Method, method) << name;
    EXPECT_TRUE(ParseCaptureArgs({"--strict", "http://host/", "/tmp/out", "zip"}).Options.Strict);
    EXPECT_TRUE(ParseCaptureArgs({"--help"}).Help);
}

TEST(EndToEndArgs, RefusesWhatItCannotRun) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {},
             {"http://host/", "/tmp/out"},
             {"ftp://host/", "/tmp/out", "intranet"},
             {"http://host/", "relative/out", "intranet"},
             {"http://host/", "/tmp/out", "folder"},
             {"http://host/", "/tmp/out", "intranet", "--connections", "17"},
             {"http://host/", "/tmp/out", "intranet", "--depth"},
             {"http://host/", "/tmp/out", "intranet", "--bogus"},
             {"--resume"},
             {"--resume", "--home", "/tmp/h", "http://host/"},
             {"--resume", "--home", "/tmp/h", "--method", "map"},
             {"--method", "retry", "http://host/", "/tmp/out", "intranet"},
         }) {
        const CaptureArgs a = ParseCaptureArgs(args);
        EXPECT_FALSE(a.Ok) << (args.empty() ? "(none)" : args[0]);
        EXPECT_FALSE(a.Error.empty());
    }
}

}  // namespace
}  // namespace corvane
