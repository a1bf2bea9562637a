#include "localisation/lang_props.h"

#include <stdexcept>

#include "platform/rtl/string_list.h"

namespace corvane {

namespace {

// Binary search of a list sorted by a name compared without regard to case: the index of the match,
// or where the name would go.
template <class Items, class NameOf>
int SearchSortedByName(const Items& items, const std::string& name, NameOf name_of, bool& found) {
    int lo = 0, hi = static_cast<int>(items.size()) - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = CompareText(name_of(items[static_cast<std::size_t>(mid)]), name);
        if (c == 0) {
            found = true;
            return mid;
        }
        if (c < 0) lo = mid + 1;
        else hi = mid - 1;
    }
    found = false;
    return lo;
}

}  // namespace

int TkLangProps::FindSection(const std::string& name, bool& found) const {
    return SearchSortedByName(sections_, name, [](const auto& section) -> const std::string& { return section.Name; }, found);
}

int TkLangProps::FindPath(const Section& section, const std::string& path, bool& found) {
    return SearchSortedByName(section.Paths, path, [](const auto& entry) -> const std::string& { return entry.Path; }, found);
}

void TkLangProps::InsertPath(int sectionIndex, PathEntry entry) {
    auto& paths = sections_[static_cast<std::size_t>(sectionIndex)].Paths;
    bool found = false;
    const int at = FindPath(sections_[static_cast<std::size_t>(sectionIndex)], entry.Path, found);
    if (found) paths[static_cast<std::size_t>(at)] = std::move(entry);
    else paths.insert(paths.begin() + at, std::move(entry));
    Select(sectionIndex, at);
}

void TkLangProps::Add(const std::string& section, const std::string& path, std::uint16_t id) {
    bool found = false;
    int s = FindSection(section, found);
    if (!found) sections_.insert(sections_.begin() + s, Section{section, {}});
    InsertPath(s, PathEntry{path, id});
}

bool TkLangProps::FindByName(const std::string& section, const std::string& path) {
    int s = section_;
    bool found = s >= 0 && sections_[static_cast<std::size_t>(s)].Name == section;
    if (!found) s = FindSection(section, found);
    if (!found) {
        Select(-1, -1);
        return false;
    }
    const int p = FindPath(sections_[static_cast<std::size_t>(s)], path, found);
    if (!found) {
        Select(s, -1);
        return false;
    }
    Select(s, p);
    return true;
}

bool TkLangProps::FindById(std::uint16_t id) {
    for (std::size_t s = 0; s < sections_.size(); ++s)
        for (std::size_t p = 0; p < sections_[s].Paths.size(); ++p)
            if (sections_[s].Paths[p].Id == id) {
                Select(static_cast<int>(s), static_cast<int>(p));
                return true;
            }
    return false;
}

std::string TkLangProps::PathOfId(std::uint16_t id) const {
    for (const auto& section : sections_)
        for (const auto& entry : section.Paths)
            if (entry.Id == id) return entry.Path;
    return {};
}

std::uint16_t TkLangProps::CurrentId() const {
    if (section_ < 0 || path_ < 0) throw std::runtime_error("No such property");
    return sections_[static_cast<std::size_t>(section_)].Paths[static_cast<std::size_t>(path_)].Id;
}

std::string TkLangProps::SectionName() const {
    return section_ < 0 ? std::string() : sections_[static_cast<std::size_t>(section_)].Name;
}

std::string TkLangProps::PropName() const {
    if (section_ < 0 || path_ < 0) return {};
    return sections_[static_cast<std::size_t>(section_)].Paths[static_cast<std::size_t>(path_)].Path;
}

void TkLangProps::RenameSection(const std::string& newName) {
    if (section_ < 0) return;
    Section moved = std::move(sections_[static_cast<std::size_t>(section_)]);
    sections_.erase(sections_.begin() + section_);
    bool found = false;
    const int s = FindSection(newName, found);
    if (!found) {
        moved.Name = newName;
        sections_.insert(sections_.begin() + s, std::move(moved));
        Select(s, -1);
        return;
    }
    // Renamed onto an existing section: its paths join that one, the moved entries winning.
    for (auto& entry : moved.Paths) InsertPath(s, std::move(entry));
    Select(s, -1);
}

void TkLangProps::RenameProp(const std::string& newPath) {
    if (section_ < 0 || path_ < 0) return;
    auto& paths = sections_[static_cast<std::size_t>(section_)].Paths;
    PathEntry entry = paths[static_cast<std::size_t>(path_)];
    paths.erase(paths.begin() + path_);
    entry.Path = newPath;
    InsertPath(section_, std::move(entry));
}

void TkLangProps::DeleteCurrent() {
    if (section_ >= 0 && path_ >= 0) {
        auto& paths = sections_[static_cast<std::size_t>(section_)].Paths;
        paths.erase(paths.begin() + path_);
    }
    Select(-1, -1);
}

void TkLangProps::RenamePrefix(const std::string& oldPrefix, const std::string& newPrefix) {
    if (section_ < 0) return;
    const std::string from = oldPrefix + ".";
    const std::string to = newPrefix + ".";
    const int s = section_;
    std::vector<PathEntry> renamed;
    auto& paths = sections_[static_cast<std::size_t>(s)].Paths;
    for (auto it = paths.begin(); it != paths.end();) {
        const auto pos = it->Path.find(from);
        if (pos == std::string::npos) {
            ++it;
            continue;
        }
        PathEntry entry = std::move(*it);
        entry.Path.replace(pos, from.size(), to);
        renamed.push_back(std::move(entry));
        it = paths.erase(it);
    }
    for (auto& entry : renamed) InsertPath(s, std::move(entry));
    Select(s, -1);
}

void TkLangProps::Clear() {
    sections_.clear();
    Select(-1, -1);
}

}  // namespace corvane
