#pragma once
// The property map of a language file: sections (form names) holding property paths, each path carrying
// the Id of its string. Both levels are sorted and compare without regard to case. A cursor (section
// index, path index; -1 when nothing is selected) serves the editing calls.

#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

class TkLangProps {
public:
    struct PathEntry {
        std::string Path;
        std::uint16_t Id = 0;
    };
    struct Section {
        std::string Name;
        std::vector<PathEntry> Paths;  // sorted by Path, case-insensitive
    };

    // Creates the section when missing; an existing path keeps its single entry and takes the new Id.
    // The cursor ends on the new or existing path.
    void Add(const std::string& section, const std::string& path, std::uint16_t id);
    bool FindByName(const std::string& section, const std::string& path);
    // The first path carrying the Id, scanning sections and paths in sorted order.
    bool FindById(std::uint16_t id);
    // The same search without moving the cursor; empty when the Id has no path.
    std::string PathOfId(std::uint16_t id) const;

    std::uint16_t CurrentId() const;  // throws "No such property" without a position
    std::string SectionName() const;
    void RenameSection(const std::string& newName);
    std::string PropName() const;
    void RenameProp(const std::string& newPath);
    void DeleteCurrent();
    // In the current section, every path containing old + "." has its first occurrence replaced.
    void RenamePrefix(const std::string& oldPrefix, const std::string& newPrefix);
    void Clear();

    const std::vector<Section>& Sections() const { return sections_; }
    int SectionIndex() const { return section_; }
    int PathIndex() const { return path_; }

private:
    int FindSection(const std::string& name, bool& found) const;
    static int FindPath(const Section& section, const std::string& path, bool& found);
    void Select(int section, int path) { section_ = section, path_ = path; }
    // Puts one path entry into a section (replacing an equal path) and selects it.
    void InsertPath(int sectionIndex, PathEntry entry);

    std::vector<Section> sections_;
    int section_ = -1;
    int path_ = -1;
};

}  // namespace corvane
