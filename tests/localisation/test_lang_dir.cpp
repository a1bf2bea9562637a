#include "test_lang_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace corvane::test {

TempLangDir::TempLangDir() {
    const char* base = std::getenv("CORVANE_HOME");
    const std::string folder = base && *base ? base : "/tmp";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);  // a home named but not made yet
    std::string tmpl = folder + "/lang-test-XXXXXX";
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("cannot create a temporary folder");
    path_ = tmpl + "/";
}

TempLangDir::~TempLangDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

void CopyFile(const std::string& from, const std::string& to) { WriteBytes(to, ReadBytes(from)); }

}  // namespace corvane::test
