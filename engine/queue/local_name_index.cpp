#include "engine/queue/local_name_index.h"

#include "engine/parse/mirror_naming.h"
#include "platform/rtl/fnv_hash.h"
#include "platform/rtl/string_list.h"

namespace corvane {

void LocalNameIndex::Clear() {
    taken_.clear();
    renamed_.clear();
}

void LocalNameIndex::Add(const std::string& url) {
    // Any absolute folder will do: only the part under it is compared.
    const std::string path = GetLocalFileName("/", "", url);
    if (path.empty()) return;
    if (taken_.insert(Fnv1a64(path)).second) return;
    const std::size_t slash = path.rfind('/');
    const std::string dir = path.substr(0, slash + 1);
    const std::string name = path.substr(slash + 1);
    for (int n = 2;; ++n) {
        const std::string candidate = NameWithSuffix(name, "~" + std::to_string(n));
        if (taken_.insert(Fnv1a64(dir + candidate)).second) {
            renamed_.emplace(LowerCase(url), candidate);
            return;
        }
    }
}

std::string LocalNameIndex::RenamedTo(const std::string& url) const {
    if (renamed_.empty()) return "";
    const auto found = renamed_.find(LowerCase(url));
    return found == renamed_.end() ? "" : found->second;
}

}  // namespace corvane
