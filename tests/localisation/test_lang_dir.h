#pragma once
// A fresh temporary folder for one test, removed afterwards, and small file helpers.

#include <string>

namespace corvane::test {

class TempLangDir {
public:
    TempLangDir();
    ~TempLangDir();
    TempLangDir(const TempLangDir&) = delete;
    TempLangDir& operator=(const TempLangDir&) = delete;
    // Folder path ending with "/".
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
void CopyFile(const std::string& from, const std::string& to);

}  // namespace corvane::test
