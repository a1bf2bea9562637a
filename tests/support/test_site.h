#pragma once
// A generated web site on the loopback server for end-to-end captures and the benchmark: a start
// page at /site/index.htm with frames, a BASE page, anchors, queries, images, CSS and JS, a link to
// a page on an HTTPS server, a link to another host, links that try to climb out of the capture
// folder, and a tree of generated pages with their images.

#include <set>
#include <string>

#include "tests/support/loopback_server.h"

namespace corvane::test {

struct TestSiteOptions {
    int GeneratedPages = 30;      // pages in the generated tree
    int ResourcesPerPage = 1;     // images per generated page
    std::string HttpsOrigin;      // '' = no link to an HTTPS page
    std::string OtherOrigin;      // '' = no link to another host
};

struct TestSite {
    std::string StartURL;
    // Paths (with queries) that a capture within the site's rules may request.
    std::set<std::string> Allowed;
    int Pages = 0;
    int Resources = 0;
    // The path of the last generated page, the deepest in the tree ('' without generated pages).
    std::string DeepestPage;
};

TestSite ServeTestSite(LoopbackServer& server, const TestSiteOptions& options);

}  // namespace corvane::test
