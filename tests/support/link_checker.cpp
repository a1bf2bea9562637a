#include "tests/support/link_checker.h"

#include <limits.h>

#include <algorithm>
#include <filesystem>

#include "engine/support/file_routines.h"
#include "engine/parse/parser.h"
#include "platform/wininet/wininet.h"
#include "platform/rtl/string_list.h"

namespace corvane::testing {
namespace fs = std::filesystem;
namespace {

// The attributes that carry links in a saved page.
const struct {
    const char* tag;
    const char* attr;
} kLinkAttributes[] = {{"SCRIPT", "SRC"},     {"LINK", "HREF"},  {"FRAME", "SRC"},  {"A", "HREF"},
                       {"IMG", "SRC"},        {"INPUT", "SRC"},  {"BODY", "BACKGROUND"}, {"BGSOUND", "SRC"},
                       {"EMBED", "SRC"},  {"IFRAME", "SRC"}};

bool IsPage(const fs::path& path) {
    const std::string ext = LowerCase(path.extension().string());
    return ext == ".htm" || ext == ".html" || ext == ".shtml" || ext == ".xhtml";
}

bool HasScheme(const std::string& link) {
    const auto colon = link.find(':');
    if (colon == std::string::npos) return false;
    const auto slash = link.find('/');
    return slash == std::string::npos || colon < slash;
}

// Resolves a relative path against a folder (both relative to the capture root). Returns false when
// it climbs above the root.
bool ResolveInside(const std::string& page_dir, const std::string& link, std::string& out) {
    std::vector<std::string> parts;
    auto push = [&](const std::string& text) {
        std::size_t start = 0;
        while (start <= text.size()) {
            const auto slash = text.find('/', start);
            const std::string seg = text.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            if (seg == "..") {
                if (parts.empty()) return false;
                parts.pop_back();
            } else if (!seg.empty() && seg != ".") {
                parts.push_back(seg);
            }
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
        return true;
    };
    if (!link.empty() && link[0] == '/') return false;  // absolute paths leave the capture
    if (!push(page_dir) || !push(link)) return false;
    out.clear();
    for (const auto& p : parts) out += (out.empty() ? "" : "/") + p;
    return true;
}

// The system opens no path of PATH_MAX bytes or more.
bool TooLong(const std::string& path) { return path.size() >= PATH_MAX; }

// The folder absolute and canonical: "." and "$PWD" list the same names and find the same paths too long.
std::string Root(const std::string& capture_folder) {
    const fs::path absolute = fs::absolute(capture_folder).lexically_normal();
    std::error_code ec;
    const fs::path canonical = fs::weakly_canonical(absolute, ec);
    return (ec ? absolute : canonical).string();
}

}  // namespace

std::vector<std::string> ListCapturedFiles(const std::string& capture_folder, std::vector<std::string>* unchecked) {
    std::vector<std::string> files;
    const std::string root_folder = Root(capture_folder);
    const std::size_t root = root_folder.size();
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root_folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string path = it->path().lexically_normal().string();
        std::string relative = path.substr(std::min(root, path.size()));
        if (!relative.empty() && relative[0] == '/') relative.erase(0, 1);
        if (TooLong(path)) {
            if (unchecked) unchecked->push_back(relative);
            it.disable_recursion_pending();
            continue;
        }
        std::error_code status;
        if (it->is_regular_file(status)) files.push_back(relative);
    }
    std::sort(files.begin(), files.end());
    if (unchecked) std::sort(unchecked->begin(), unchecked->end());
    return files;
}

LinkCheckReport CheckCapturedLinks(const std::string& folder) {
    const std::string capture_folder = Root(folder);
    LinkCheckReport report;
    for (const std::string& page : ListCapturedFiles(capture_folder, &report.Unchecked)) {
        if (!IsPage(page)) continue;
        const fs::path page_path = fs::path(capture_folder) / page;
        const std::string page_dir = fs::path(page).parent_path().string();
        TCVParser parser;
        try {
            parser.Text = LoadTextFile(page_path.string());
        } catch (const std::exception&) {
            report.Unchecked.push_back(page);
            continue;
        }
        ++report.PagesChecked;
        for (const auto& row : kLinkAttributes) {
            parser.BeginTagPass(row.tag, row.attr);
            while (parser.More()) {
                const std::string link = parser.Next();
                if (link.empty() || link[0] == '#' || HasScheme(link)) continue;
                std::string path = link.substr(0, link.find('#'));
                path = path.substr(0, path.find('?'));
                path = PercentDecode(path);
                if (path.empty()) continue;
                ++report.LinksChecked;
                std::string target;
                if (!ResolveInside(page_dir, path, target)) {
                    report.Broken.push_back({page, link, ""});
                    continue;
                }
                const fs::path target_path = fs::path(capture_folder) / target;
                if (TooLong(target_path.string())) {
                    report.Unchecked.push_back(target);
                    continue;
                }
                std::error_code ec;
                if (!fs::is_regular_file(target_path, ec)) report.Broken.push_back({page, link, target});
            }
        }
    }
    return report;
}

}  // namespace corvane::testing
