#pragma once
// Which file each queued URL is stored in when another URL maps to the same local name
// ("/a/" and "/a/a.html", "a:b.html" and "a|b.html", "y.asp" and "y.html"): the first URL in queue
// order keeps the name, each later one gets the first free "~2", "~3", ... before its extension.
// Built from the queue in order, so the names are the same after a stop and a resume, and every
// caller (the stored file, the rewritten links, the zip step) sees the same one.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace corvane {

class LocalNameIndex {
public:
    void Clear();
    // Gives the URL its place; call in queue order, once per queued URL.
    void Add(const std::string& url);
    // The file name the URL is stored under in place of its own; '' when it keeps its own.
    std::string RenamedTo(const std::string& url) const;

private:
    std::unordered_set<std::uint64_t> taken_;               // hashed local paths: a clash costs only a needless "~n"
    std::unordered_map<std::string, std::string> renamed_;  // lower-cased URL -> its file name
};

}  // namespace corvane
