#include "platform/rtl/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/rtl/dot_segments.h"

namespace corvane {

namespace {

std::string EnvValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFolder() {
    std::string home = EnvValue("HOME");
    if (!home.empty()) return home;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
    return "/tmp";
}

std::string WorkingFolder() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (buffer.size() > (1u << 20)) return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string WithTrailingSlash(const std::string& folder) {
    if (folder.empty()) return folder;
    std::string out = folder;
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    if (out != "/") out += '/';
    return out;
}

std::string DataRoot() {
    const std::string own = EnvValue("CORVANE_HOME");
    if (!own.empty()) return WithTrailingSlash(own);
    // A relative XDG_DATA_HOME is ignored, as the freedesktop base-directory rules say.
    const std::string xdg = EnvValue("XDG_DATA_HOME");
    if (!xdg.empty() && xdg.front() == '/') return WithTrailingSlash(xdg) + "corvane/";
    return WithTrailingSlash(HomeFolder()) + ".local/share/corvane/";
}

void MakeDataRootAbsolute() {
    const std::string own = EnvValue("CORVANE_HOME");
    if (own.empty() || own.front() == '/') return;
    std::string cwd(4096, '\0');
    if (::getcwd(cwd.data(), cwd.size()) == nullptr) return;
    cwd.resize(std::char_traits<char>::length(cwd.c_str()));
    ::setenv("CORVANE_HOME", (WithTrailingSlash(cwd) + own).c_str(), 1);
}

std::string ResourcesDir() {
#ifdef CORVANE_SOURCE_RESOURCES
    if (IsFolder(CORVANE_SOURCE_RESOURCES)) return WithTrailingSlash(CORVANE_SOURCE_RESOURCES);
#endif
#ifdef CORVANE_INSTALL_RESOURCES
    return WithTrailingSlash(CORVANE_INSTALL_RESOURCES);
#else
    return "/usr/local/share/corvane/";
#endif
}

std::string ExpandFileName(const std::string& path) {
    std::string text = path;
    for (char& c : text)
        if (c == '\\') c = '/';
    if (text.empty() || text[0] != '/') text = WorkingFolder() + "/" + text;
    std::vector<std::string> parts;
    SplitDotSegments(text, {}, parts);
    std::string out;
    for (const std::string& part : parts) out += "/" + part;
    return out.empty() ? "/" : out;
}

}  // namespace corvane
