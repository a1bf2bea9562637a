#include "platform/rtl/string_list.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace corvane {

std::string UpperCase(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string LowerCase(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

int CompareText(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int TStringList::CompareStrings(const std::string& a, const std::string& b) const {
    if (case_sensitive_) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
    return CompareText(a, b);
}

void TStringList::Put(int index, const std::string& value) {
    if (sorted_) throw std::logic_error("Operation not allowed on sorted string list");
    items_.at(static_cast<std::size_t>(index)) = value;
}

int TStringList::Add(const std::string& value) {
    if (!sorted_) {
        items_.push_back(value);
        return Count() - 1;
    }
    int index = 0;
    if (Find(value, index)) {
        switch (duplicates_) {
            case DuplicatesPolicy::Ignore:
                return index;
            case DuplicatesPolicy::Error:
                throw std::runtime_error("String list does not allow duplicates");
            case DuplicatesPolicy::Accept:
                break;
        }
    }
    items_.insert(items_.begin() + index, value);
    return index;
}

void TStringList::Insert(int index, const std::string& value) {
    if (sorted_) throw std::logic_error("Operation not allowed on sorted string list");
    if (index < 0 || index > Count()) throw std::out_of_range("List index out of bounds");
    items_.insert(items_.begin() + index, value);
}

void TStringList::Delete(int index) {
    if (index < 0 || index >= Count()) throw std::out_of_range("List index out of bounds");
    items_.erase(items_.begin() + index);
}

void TStringList::AddStrings(const TStringList& other) {
    for (const auto& s : other.items_) Add(s);
}

int TStringList::IndexOf(const std::string& value) const {
    if (sorted_) {
        int index = 0;
        return Find(value, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(items_[static_cast<std::size_t>(i)], value) == 0) return i;
    return -1;
}

bool TStringList::Find(const std::string& value, int& index) const {
    // The first of equal items is reported, as the class library does.
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = CompareStrings(items_[static_cast<std::size_t>(mid)], value);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) found = true;
        }
    }
    index = lo;
    return found;
}

void TStringList::Sort() {
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const std::string& a, const std::string& b) { return CompareStrings(a, b) < 0; });
}

void TStringList::SetSorted(bool sorted) {
    if (sorted && !sorted_) {
        sorted_ = true;
        Sort();
    }
    sorted_ = sorted;
}

void TStringList::SetCaseSensitive(bool value) {
    case_sensitive_ = value;
    if (sorted_) Sort();
}

std::string TStringList::CommaText() const {
    if (items_.size() == 1 && items_[0].empty()) return "\"\"";
    std::string out;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const std::string& s = items_[i];
        const bool needs_quotes = std::any_of(s.begin(), s.end(), [](char c) {
            return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',';
        });
        if (i) out += ',';
        if (needs_quotes) {
            out += '"';
            for (char c : s) {
                if (c == '"') out += '"';
                out += c;
            }
            out += '"';
        } else {
            out += s;
        }
    }
    return out;
}

void TStringList::SetCommaText(const std::string& text) {
    Clear();
    const std::size_t n = text.size();
    std::size_t i = 0;
    auto is_blank = [&](std::size_t k) {
        return k < n && static_cast<unsigned char>(text[k]) >= 1 && static_cast<unsigned char>(text[k]) <= ' ';
    };
    while (is_blank(i)) ++i;
    while (i < n && text[i] != '\0') {
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            const std::size_t start = i;
            while (i < n && static_cast<unsigned char>(text[i]) > ' ' && text[i] != ',') ++i;
            item.assign(text, start, i - start);
        }
        Add(item);
        while (is_blank(i)) ++i;
        if (i < n && text[i] == ',') {
            if (i + 1 >= n) Add("");  // a trailing comma ends with an empty item
            do {
                ++i;
            } while (is_blank(i));
        }
    }
}

std::string TStringList::Text() const {
    std::string out;
    for (const auto& s : items_) {
        out += s;
        out += "\r\n";
    }
    return out;
}

void TStringList::SetText(const std::string& text) {
    Clear();
    std::size_t start = 0;
    const std::size_t n = text.size();
    while (start < n) {
        std::size_t end = start;
        while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
        Add(text.substr(start, end - start));
        if (end < n && text[end] == '\r') ++end;
        if (end < n && text[end] == '\n') ++end;
        start = end;
    }
}

std::string TStringList::Names(int index) const {
    const std::string& s = (*this)[index];
    const auto eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(0, eq);
}

std::string TStringList::ValueFromIndex(int index) const {
    const std::string& s = (*this)[index];
    const auto eq = s.find('=');
    return eq == std::string::npos ? std::string() : s.substr(eq + 1);
}

int TStringList::IndexOfName(const std::string& name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string& s = items_[static_cast<std::size_t>(i)];
        const auto eq = s.find('=');
        if (eq != std::string::npos && CompareStrings(s.substr(0, eq), name) == 0) return i;
    }
    return -1;
}

std::string TStringList::Values(const std::string& name) const {
    const int i = IndexOfName(name);
    return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStringList::SetValue(const std::string& name, const std::string& value) {
    const int i = IndexOfName(name);
    if (value.empty()) {
        if (i >= 0) Delete(i);
        return;
    }
    if (i >= 0) {
        items_[static_cast<std::size_t>(i)] = name + "=" + value;
    } else {
        Add(name + "=" + value);
    }
}

void TStringList::LoadFromFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("Cannot open file \"" + path + "\"");
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw std::runtime_error("Cannot read file \"" + path + "\"");
    SetText(data);
}

void TStringList::SaveToFile(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("Cannot create file \"" + path + "\"");
    const std::string data = Text();
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out.flush()) throw std::runtime_error("Cannot write file \"" + path + "\"");
}

}  // namespace corvane
