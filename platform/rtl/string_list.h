#pragma once
// A list of byte strings with the class library's string-list behaviours: case-insensitive compare by
// default (ASCII folding), optional sorting with binary search, a duplicates policy, comma text,
// line text, and name=value access.

#include <stdexcept>
#include <string>
#include <vector>

namespace corvane {

class TStringList {
public:
    enum class DuplicatesPolicy { Accept, Ignore, Error };

    TStringList() = default;
    explicit TStringList(std::vector<std::string> items) : items_(std::move(items)) {}

    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    const std::string& operator[](int index) const { return items_.at(static_cast<std::size_t>(index)); }
    const std::string& Get(int index) const { return (*this)[index]; }
    void Put(int index, const std::string& value);
    const std::vector<std::string>& Items() const { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // Add returns the index of the new item; on a sorted list it is inserted in order and, with
    // Ignore, an existing equal item's index is returned instead (Error throws).
    int Add(const std::string& value);
    void Insert(int index, const std::string& value);
    void Delete(int index);
    void Clear() { items_.clear(); }
    void Assign(const TStringList& other) { items_ = other.items_; }
    void AddStrings(const TStringList& other);

    int IndexOf(const std::string& value) const;
    // Binary search of a sorted list: true when found; index is the match or the insertion point.
    bool Find(const std::string& value, int& index) const;
    void Sort();

    bool Sorted() const { return sorted_; }
    void SetSorted(bool sorted);
    bool CaseSensitive() const { return case_sensitive_; }
    void SetCaseSensitive(bool value);
    DuplicatesPolicy Duplicates() const { return duplicates_; }
    void SetDuplicates(DuplicatesPolicy policy) { duplicates_ = policy; }

    // Comma text: items with blanks, control bytes, commas or quotes are quoted, quotes doubled.
    std::string CommaText() const;
    void SetCommaText(const std::string& text);

    // Line text: every item followed by CR LF. Reading splits at CR LF, LF or CR.
    std::string Text() const;
    void SetText(const std::string& text);

    // name=value items.
    std::string Names(int index) const;
    std::string ValueFromIndex(int index) const;
    int IndexOfName(const std::string& name) const;
    std::string Values(const std::string& name) const;
    void SetValue(const std::string& name, const std::string& value);  // an empty value deletes the item

    // Compares as the list does (case-insensitive unless CaseSensitive).
    int CompareStrings(const std::string& a, const std::string& b) const;

    // Throw std::runtime_error when the file cannot be read or written.
    void LoadFromFile(const std::string& path);
    void SaveToFile(const std::string& path) const;

    bool operator==(const TStringList& other) const { return items_ == other.items_; }

private:
    std::vector<std::string> items_;
    bool sorted_ = false;
    bool case_sensitive_ = false;
    DuplicatesPolicy duplicates_ = DuplicatesPolicy::Ignore;
};

// ASCII-only case folding and comparison; bytes above 127 compare as they are.
std::string UpperCase(const std::string& text);
std::string LowerCase(const std::string& text);
int CompareText(const std::string& a, const std::string& b);
inline bool SameText(const std::string& a, const std::string& b) { return CompareText(a, b) == 0; }

}  // namespace corvane
