#include "engine/parse/file_types.h"

#include <algorithm>

#include "engine/model/registry_routines.h"
#include "engine/parse/url_model.h"
#include "platform/rtl/string_list.h"

namespace corvane {

namespace {

// The first group listing the extension, or empty.
std::string FindGroup(const std::string& ext) {
    if (ext.empty()) return "";
    TStringList names;
    TStringList lists;
    if (!RegValueNames(kFileTypesKey, names)) return "";
    RegValueList(kFileTypesKey, lists);
    // The two reads are separate, so a group written in between must not shift the pairs.
    const int count = std::min(names.Count(), lists.Count());
    for (int i = 0; i < count; ++i)
        if (FileTypeListHas(lists[i], ext)) return names[i];
    return "";
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

bool FileTypeListHas(const std::string& list, const std::string& ext) {
    if (ext.empty()) return false;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(';', start);
        // Every item is ended by ";"; text after the last one is no item.
        if (end == std::string::npos) return false;
        if (SameText(Trimmed(list.substr(start, end - start)), ext)) return true;
        start = end + 1;
    }
    return false;
}

std::string GetFileType(const std::string& url) {
    std::string ext = URLFileExt(url);
    if (ext.empty()) ext = ".htm";
    if (!URLQuery(url).empty()) {
        if (url.find("=gif") != std::string::npos)
            ext = ".gif";
        else if (url.find("=jpg") != std::string::npos)
            ext = ".jpg";
        else if (url.find(".gif") != std::string::npos)
            ext = ".gif";
        else if (url.find(".jpg") != std::string::npos)
            ext = ".jpg";
        else
            ext = ".htm";
    }
    const std::string group = FindGroup(ext);
    return group.empty() ? kUnknownFileType : group;
}

std::string GetFileTypeByName(const std::string& name) { return FindGroup(LowerCase(ExtractFileExt(name))); }

}  // namespace corvane
