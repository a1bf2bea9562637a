// A site of 300 pages whose every page sets 50 cookies of its own, captured through the capture tool
// with every pause shortened, against the same site without cookies. Prints both times and their
// ratio (the jar's caps keep it near 1).
// build/bench/cookie_flood_bench [pages] [cookies per page]

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/loopback_server.h"

extern char** environ;

namespace {

using corvane::test::LoopbackServer;
using corvane::test::ReceivedRequest;
using corvane::test::ScriptedResponse;

void ServeSite(LoopbackServer& server, int pages, int cookies) {
    std::string index = "<html><body>";
    for (int p = 0; p < pages; ++p) index += "<a href=\"p" + std::to_string(p) + ".htm\">" + std::to_string(p) + "</a>\n";
    server.Serve("/index.htm", ScriptedResponse::Text(index + "</body></html>", "text/html"));
    server.SetFallback([cookies](const ReceivedRequest& request) {
        const std::string path = request.Path();
        ScriptedResponse response = ScriptedResponse::Text("<html><body>" + path + "</body></html>", "text/html");
        for (int i = 0; i < cookies; ++i)
            response.Header("Set-Cookie", "k" + path.substr(1, path.find('.') - 1) + "_" + std::to_string(i) + "=v; Path=/");
        return response;
    });
}

// Seconds the capture took, or a negative number when the tool failed.
double Capture(const std::string& start_url) {
    char pattern[] = "/tmp/corvane-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return -1;
    const std::string root = std::string(pattern) + "/";
    std::vector<std::string> args = {CORVANE_CAPTURE_TOOL, "--fast", "--quiet", "--connections", "8",
                                     "--home", root + "home/", start_url, root + "capture/", "intranet"};
    std::vector<char*> argv_tool;
    for (auto& a : args) argv_tool.push_back(a.data());
    argv_tool.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawn(&pid, argv_tool[0], nullptr, nullptr, argv_tool.data(), environ) != 0) return -1;
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove_all(root);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::atoi(argv[1]) : 300;
    const int cookies = argc > 2 ? std::atoi(argv[2]) : 50;

    LoopbackServer plain;
    ServeSite(plain, pages, 0);
    LoopbackServer flood;
    ServeSite(flood, pages, cookies);

    const double without = Capture(plain.Url("/index.htm"));
    const double with = Capture(flood.Url("/index.htm"));
    std::printf("%d pages: without cookies %.2f s (%zu requests); %d cookies a page %.2f s (%zu requests); "
                "ratio %.2f\n",
                pages, without, plain.RequestCount(), cookies, with, flood.RequestCount(),
                without > 0 ? with / without : 0.0);
    return without > 0 && with > 0 ? 0 : 1;
}
