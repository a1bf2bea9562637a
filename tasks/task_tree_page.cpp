#include "tasks/task_tree_page.h"

#include <stdexcept>

#include "engine/support/file_routines.h"
#include "engine/model/settings.h"
#include "engine/support/start_page.h"

namespace corvane {
namespace {

// A file:// URL of a folder for an attribute value: every byte but unreserved ASCII and "/"
// percent-encoded, so no quote or "&" of a folder name reaches the markup.
std::string FolderURL(const std::string& folder) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char ch : folder) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            url += ch;
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 15];
        }
    }
    if (url.back() != '/') url += '/';
    return url;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string MakeTaskTreePage(const std::string& template_html, const std::string& template_folder,
                             const std::string& data) {
    // The literal writes bytes outside ASCII as %XX; "%" itself goes the same way, so the page
    // decodes the text exactly.
    std::string escaped;
    for (const char c : data) escaped += c == '%' ? std::string("%25") : std::string(1, c);
    const std::string insert = "<base href=\"" + FolderURL(template_folder) +
                               "\">\r\n<script type=\"text/javascript\">var corvaneData = " +
                               JavaScriptStringLiteral(escaped) + ";</script>";
    std::string page = template_html;
    std::size_t at = page.find(kTaskPageMarker);
    if (at != std::string::npos) return page.replace(at, std::string(kTaskPageMarker).size(), insert);
    at = page.find("<head>");
    at = at == std::string::npos ? 0 : at + 6;
    return page.insert(at, insert);
}

std::string WriteTaskTreePage(const std::string& folder, const std::string& data_name,
                              const std::string& template_name, const std::string& data) {
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    const std::string template_file = SkinFile(template_name);
    const std::string html = LoadTextFile(template_file);
    SaveTextFile(base + data_name, data);
    const std::string page = base + template_name;
    SaveTextFile(page, MakeTaskTreePage(html, FolderOf(template_file), data));
    return page;
}

}  // namespace corvane
