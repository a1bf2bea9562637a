// The About page: what it shows, that no text put into it becomes markup, and where it is written.

#include <gtest/gtest.h>

#include <regex>

#include "app/about_page.h"
#include "app/product_version.h"
#include "engine/support/file_routines.h"
#include "engine/model/version.h"
#include "tests/engine/task_fixture.h"

namespace corvane::testing {
namespace {

class AboutPage : public FreshHome {};

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(AboutPage, IsWrittenIntoTheTemporaryCaptureFolderWithVersionBuildTabsLogoAndCredits) {
    const std::string path = WriteAboutPage();
    EXPECT_EQ(path, App->GetTempFolder() + "corvane_about.htm");
    const std::string page = ReadBytes(path);

    EXPECT_NE(page.find("<title>Corvane About</title>"), std::string::npos);
    EXPECT_NE(page.find(">Corvane</div>"), std::string::npos);
    // Version, build number and date of this build, joined as the version line.
    const std::regex version(std::string(">") + ProductReleaseText() +
                             R"( \(Build [0-9]+\) \([0-9]{2} [A-Z][a-z]{2} [0-9]{4}\)</div>)");
    EXPECT_TRUE(std::regex_search(page, version)) << page;
    // The tab captions come from the language, and the script switches the two pages.
    EXPECT_NE(page.find("onclick=\"showTab(1)\">About</span>"), std::string::npos);
    EXPECT_NE(page.find("onclick=\"showTab(2)\">Credits</span>"), std::string::npos);
    EXPECT_NE(page.find("id=\"page2\" class=\"page\" style=\"display: none\""), std::string::npos);
    // The Default skin's logo, with its size.
    EXPECT_NE(page.find("src=\"file://" + App->DefaultSkinDir + "cvlogo.gif\""), std::string::npos);
    const GIFSize logo = GetGIFSize(App->DefaultSkinDir + "cvlogo.gif");
    ASSERT_GT(logo.Width, 0);
    EXPECT_NE(page.find("width=\"" + std::to_string(logo.Width) + "\""), std::string::npos);
    for (const char* credit : {"libcurl", "OpenSSL", "libzip", "zlib", "Qt WebEngine", "Apache License 2.0"})
        EXPECT_NE(page.find(credit), std::string::npos) << credit;
    EXPECT_EQ(page.find('\n'), page.find("\r\n") + 1);

    // Written again, the file is replaced, not appended to.
    EXPECT_EQ(ReadBytes(WriteAboutPage(App->GetTempFolder())), page);
}

TEST_F(AboutPage, NoTextBecomesMarkup) {
    const std::string folder = home_ + "we\"ird <dir>/";
    const std::string logo = folder + "logo'\".gif";
    WriteBytes(logo, ReadBytes(App->DefaultSkinDir + "cvlogo.gif"));
    TAboutInfo info;
    info.ProductName = "Corvane<script>alert(1)</script>";
    info.Version = "3\"><img src=x onerror=alert(2)>";
    info.Build = "Build &amp; 1";
    info.BuildDate = "\xFF\xFE";
    info.LogoFile = logo;
    info.AboutTab = "</span><script>alert(3)</script>";
    info.CreditsTab = "'onclick='alert(4)";
    const std::string page = AboutPageHTML(info);

    EXPECT_EQ(Count(page, "<script"), 1u) << "only the page's own tab script";
    EXPECT_EQ(Count(page, "<img"), 1u);
    EXPECT_EQ(page.find("onerror"), page.find("onerror=alert(2)&gt;"));
    EXPECT_NE(page.find("&lt;/span&gt;&lt;script&gt;alert(3)"), std::string::npos);
    EXPECT_NE(page.find("&#39;onclick=&#39;alert(4)"), std::string::npos);
    EXPECT_NE(page.find("Build &amp;amp; 1"), std::string::npos);
    EXPECT_NE(page.find("\xEF\xBF\xBD\xEF\xBF\xBD"), std::string::npos) << "invalid UTF-8 is replaced";
    // The logo's path is percent-encoded: its quotes cannot end the attribute.
    EXPECT_NE(page.find("src=\"file://" + home_ + "we%22ird%20%3Cdir%3E/logo%27%22.gif\""), std::string::npos);

    info.LogoFile = home_ + "missing.gif";
    EXPECT_EQ(Count(AboutPageHTML(info), "<img"), 0u);
}

TEST_F(AboutPage, AFolderThatCannotBeWrittenIsReported) {
    EXPECT_THROW(WriteAboutPage(home_ + "no/such/folder"), EFCreateError);
    // Without the final "/" the file still goes into the folder.
    EXPECT_EQ(WriteAboutPage(home_.substr(0, home_.size() - 1)), home_ + "corvane_about.htm");
}

}  // namespace
}  // namespace corvane::testing
