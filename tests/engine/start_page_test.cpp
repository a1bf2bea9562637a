#include "engine/support/start_page.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(UrlStartPage, RedirectsToTheUrlWrittenAsASafeLiteral) {
    const std::string page = StartPageHTML("http://h/a.htm?x=\"</script><script>alert(1)//\\");
    EXPECT_NE(page.find("<title>Corvane Home</title>\r\n"), std::string::npos);
    EXPECT_NE(page.find("<div class=\"p2\">3.0 Beta 3</div>\r\n"), std::string::npos);
    EXPECT_NE(page.find("location.replace(\"http://h/a.htm?x=\\x22\\x3C/script\\x3E\\x3Cscript\\x3Ealert(1)//"
                        "\\x5C\");"),
              std::string::npos);
    // Only our own closing tag is there.
    EXPECT_EQ(page.find("</script>"), page.rfind("</script>"));
    EXPECT_TRUE(page.ends_with("</script>\r\n</body>\r\n</html>\r\n"));
}

TEST(UrlStartPage, EmptyUrlWritesNoRedirect) {
    const std::string page = StartPageHTML("");
    EXPECT_EQ(page.find("location"), std::string::npos);
    EXPECT_NE(page.find("</html>"), std::string::npos);
}

TEST(UrlStartPage, LiteralEscapesLineBreaksAndNonAscii) {
    EXPECT_EQ(JavaScriptStringLiteral("a\r\nb'\xE2\x80\xA8"), "\"a\\x0D\\x0Ab\\x27%E2%80%A8\"");
}

}  // namespace
}  // namespace corvane
