#include "tests/support/test_site.h"

#include <vector>

namespace corvane::test {
namespace {

std::string Html(const std::string& title, const std::string& body) {
    return "<HTML><HEAD><TITLE>" + title + "</TITLE></HEAD><BODY>" + body + "</BODY></HTML>";
}

std::string GeneratedPath(int k) { return "/site/sec" + std::to_string(k % 5) + "/p" + std::to_string(k) + ".htm"; }

}  // namespace

TestSite ServeTestSite(LoopbackServer& server, const TestSiteOptions& options) {
    TestSite site;
    site.StartURL = server.Url("/site/index.htm");
    auto page = [&](const std::string& path, const std::string& text) {
        server.Serve(path, ScriptedResponse::Text(text, "text/html"));
        site.Allowed.insert(path);
        ++site.Pages;
    };
    auto resource = [&](const std::string& path, const std::string& body, const std::string& type) {
        server.Serve(path, ScriptedResponse::Text(body, type));
        site.Allowed.insert(path);
        ++site.Resources;
    };

    std::string index =
        "<a name=\"top\"></a><a href=\"frames.htm\">Frames</a> <a href=\"base/page.htm\">Base</a>"
        "<a href=\"sec0/p0.htm#middle\">First</a> <a href=\"#top\">Top</a>"
        "<a href=\"list.php?page=1\">One</a> <a href='list.php?page=2&amp;sort=a/b'>Two</a>"
        "<img src=\"img/logo.gif\"><link rel=\"stylesheet\" href=\"css/style.css\">"
        "<script src=\"js/app.js\"></script>"
        // Tries to leave the capture folder: the dot segments stop at the host root.
        "<a href=\"../../../../../../tmp/evil.htm\">Up</a> <a href=\"..\\..\\..\\evil2.htm\">Back</a>"
        "<a href=\"/site/%2e%2e/%2e%2e/evil3.htm\">Encoded</a> <a href=\"mailto:someone@example.com\">Mail</a>";
    if (!options.HttpsOrigin.empty()) index += "<a href=\"" + options.HttpsOrigin + "/secure.htm\">Secure</a>";
    if (!options.OtherOrigin.empty()) index += "<a href=\"" + options.OtherOrigin + "/elsewhere.htm\">Away</a>";
    page("/site/index.htm", Html("Test Site", index));

    page("/site/frames.htm",
         "<HTML><HEAD><TITLE>Frames</TITLE></HEAD><FRAMESET cols=\"50%,50%\"><FRAME SRC=\"left.htm\">"
         "<FRAME SRC=\"right.htm\"></FRAMESET></HTML>");
    page("/site/left.htm", Html("Left", "<a href=\"index.htm\" target=\"_top\">Home</a>"));
    page("/site/right.htm", Html("Right", "<a href=\"sec1/p1.htm\">One</a>"));
    page("/site/base/page.htm",
         "<HTML><HEAD><BASE HREF=\"" + server.Url("/site/other/") + "\"><TITLE>Base</TITLE></HEAD><BODY>"
         "<a href=\"b1.htm\">B1</a><img src=\"pic.gif\"></BODY></HTML>");
    page("/site/other/b1.htm", Html("B1", "<a href=\"../index.htm\">Home</a>"));
    resource("/site/other/pic.gif", "GIF89a-pic", "image/gif");
    page("/site/list.php", Html("List", "<a href=\"list.php?page=1\">Again</a>"));
    site.Allowed.insert("/site/list.php");
    resource("/site/img/logo.gif", "GIF89a-logo", "image/gif");
    resource("/site/css/style.css", "body { background: url(../img/logo.gif); }", "text/css");
    resource("/site/js/app.js", "var x = 1;", "application/javascript");
    page("/tmp/evil.htm", Html("Evil", "outside?"));
    page("/evil2.htm", Html("Evil 2", "outside?"));
    // Escaped dots are not dot segments: a server may see them as a plain name.
    page("/site/%2e%2e/%2e%2e/evil3.htm", Html("Evil 3", "inside"));

    const int n = options.GeneratedPages;
    for (int k = 0; k < n; ++k) {
        std::string body = "<a name=\"middle\"></a><a href=\"/site/index.htm\">Home</a>";
        for (int child : {2 * k + 1, 2 * k + 2})
            if (child < n) body += "<a href=\"" + GeneratedPath(child) + "\">Page " + std::to_string(child) + "</a>";
        if (k > 0) body += "<a href=\"../sec" + std::to_string((k - 1) % 5) + "/p" + std::to_string(k - 1) + ".htm#middle\">Back</a>";
        for (int r = 0; r < options.ResourcesPerPage; ++r) {
            const std::string image = "/site/img/p" + std::to_string(k) + "_" + std::to_string(r) + ".gif";
            body += "<img src=\"" + image + "\">";
            resource(image, "GIF89a-" + std::to_string(k) + "-" + std::to_string(r) + std::string(200, 'x'), "image/gif");
        }
        page(GeneratedPath(k), Html("Page " + std::to_string(k), body));
        site.DeepestPage = GeneratedPath(k);
    }
    return site;
}

}  // namespace corvane::test
