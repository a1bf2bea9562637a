#pragma once
// A site whose pages link each other by query URLs ("list.htm?p=2") and folder URLs ("sub2/"): the
// links whose meaning a rewrite changes, so a page parsed again from its rewritten copy would queue
// URLs the site does not have. Served on the loopback server under /qs/.

#include <chrono>
#include <cstdlib>
#include <set>
#include <string>

#include "tests/support/loopback_server.h"

namespace corvane::test {

struct QueryFolderSite {
    std::string StartURL;
    std::set<std::string> Targets;  // every request target of the site, start page included
};

// trickle > 0: every page comes in pieces of 24 bytes, each after that pause (a slower site).
inline QueryFolderSite ServeQueryFolderSite(LoopbackServer& server, int lists,
                                            std::chrono::milliseconds trickle = std::chrono::milliseconds(0)) {
    QueryFolderSite site;
    site.StartURL = server.Url("/qs/index.htm");
    const auto html = [trickle](const std::string& body) {
        ScriptedResponse response = ScriptedResponse::Text("<html>" + body + "</html>", "text/html");
        if (trickle.count() > 0) {
            response.trickle_bytes = 24;
            response.trickle_pause = trickle;
        }
        return response;
    };
    server.Serve("/qs/index.htm", html("<title>Start</title><a href=\"list.htm?p=1\">lists</a> <a href=\"sub1/\">one</a>"));
    site.Targets.insert("/qs/index.htm");
    server.Handle("/qs/list.htm", [lists, html](const ReceivedRequest& request) {
        const std::size_t at = request.target.find("?p=");
        const int p = at == std::string::npos ? 0 : std::atoi(request.target.c_str() + at + 3);
        if (p < 1 || p > lists) return ScriptedResponse::Status(404, "no such list");
        std::string body = "<title>List " + std::to_string(p) + "</title><img src=\"img/q" + std::to_string(p) +
                           ".gif\"><a href=\"sub" + std::to_string(p) + "/\">folder</a>";
        if (p < lists) body += "<a href=\"list.htm?p=" + std::to_string(p + 1) + "\">next</a>";
        if (p > 1) body += "<a href=\"list.htm?p=" + std::to_string(p - 1) + "\">back</a>";
        return html(body);
    });
    for (int p = 1; p <= lists; ++p) {
        const std::string n = std::to_string(p);
        site.Targets.insert("/qs/list.htm?p=" + n);
        server.Serve("/qs/img/q" + n + ".gif", ScriptedResponse::Text("GIF89a-q" + n, "image/gif"));
        site.Targets.insert("/qs/img/q" + n + ".gif");
        server.Serve("/qs/sub" + n + "/", html("<a href=\"../list.htm?p=" + n + "\">up</a><a href=\"page.htm\">page</a>"
                                               "<a href=\"./\">here</a>"));
        site.Targets.insert("/qs/sub" + n + "/");
        server.Serve("/qs/sub" + n + "/page.htm", html("<a href=\"../index.htm\">home</a><a href=\"../sub" + n + "/\">f</a>"));
        site.Targets.insert("/qs/sub" + n + "/page.htm");
    }
    return site;
}

}  // namespace corvane::test
