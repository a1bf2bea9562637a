#include "platform/inifile/ini_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/rtl/atomic_file.h"

namespace corvane {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

std::string FlattenLineBreaks(const std::string& value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' || value[i] == '\n') {
            out += ' ';
            if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
        } else {
            out += value[i];
        }
    }
    return out;
}

void CheckSection(const std::string& section) {
    const std::string name = Trim(section);
    if (name.empty() || HasLineBreak(name) || name.find(']') != std::string::npos)
        throw std::invalid_argument("INI section name cannot be stored: \"" + section + "\"");
}

void CheckKey(const std::string& key) {
    const std::string name = Trim(key);
    if (name.empty() || HasLineBreak(name) || name.find('=') != std::string::npos || name[0] == '[' ||
        name[0] == ';')
        throw std::invalid_argument("INI key name cannot be stored: \"" + key + "\"");
}

bool ParseInt(const std::string& text, std::int32_t& out) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return false;
    long long value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) return false;
        value = value * base + d;
        if (value > 0xFFFFFFFFLL) return false;
    }
    if (base == 16 && !negative) {
        // Hex spells the bit pattern: $FFFFFFFF is -1.
        out = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        return true;
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return false;
    out = static_cast<std::int32_t>(value);
    return true;
}

}  // namespace

TIniFile::TIniFile(std::string file_name) : file_name_(std::move(file_name)) { Refresh(); }

TIniFile::~TIniFile() = default;

void TIniFile::Refresh() const {
    if (dirty_ || update_depth_ > 0) return;  // held changes are newer than the file
    struct stat st {};
    if (::stat(file_name_.c_str(), &st) != 0) {
        if (size_ != -1 || !lines_.empty()) {
            lines_.clear();
            bom_ = false;
            size_ = -1;
        }
        return;
    }
    if (st.st_dev == dev_ && st.st_ino == ino_ && st.st_size == size_ && st.st_mtim.tv_sec == mtime_.tv_sec &&
        st.st_mtim.tv_nsec == mtime_.tv_nsec)
        return;
    std::string bytes, error;
    if (!ReadWholeFile(file_name_, bytes, &error)) throw EIniFileException(error);
    Parse(bytes);
    dev_ = st.st_dev;
    ino_ = st.st_ino;
    size_ = st.st_size;
    mtime_ = st.st_mtim;
}

void TIniFile::Parse(const std::string& bytes) const {
    lines_.clear();
    bom_ = bytes.compare(0, 3, kUtf8Bom) == 0;
    std::size_t start = bom_ ? 3 : 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        Line line;
        line.Text = bytes.substr(start, end - start);
        const std::string trimmed = Trim(line.Text);
        if (!trimmed.empty() && trimmed[0] == '[') {
            const std::size_t close = trimmed.find(']');
            if (close != std::string::npos) {
                line.What = Line::Kind::Section;
                line.Name = Trim(trimmed.substr(1, close - 1));
            }
        } else if (!trimmed.empty() && trimmed[0] != ';') {
            const std::size_t eq = trimmed.find('=');
            if (eq != std::string::npos && eq > 0) {
                line.What = Line::Kind::Entry;
                line.Name = Trim(trimmed.substr(0, eq));
                line.Value = Trim(trimmed.substr(eq + 1));
            }
        }
        lines_.push_back(std::move(line));
        if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ++end;
        start = end + 1;
    }
}

int TIniFile::FindSection(const std::string& section) const {
    const std::string name = Trim(section);
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].What == Line::Kind::Section && SameText(lines_[i].Name, name)) return static_cast<int>(i);
    return -1;
}

int TIniFile::SectionEnd(int header) const {
    std::size_t i = static_cast<std::size_t>(header) + 1;
    while (i < lines_.size() && lines_[i].What != Line::Kind::Section) ++i;
    return static_cast<int>(i);
}

int TIniFile::FindEntry(const std::string& section, const std::string& key) const {
    const int header = FindSection(section);
    if (header < 0) return -1;
    const std::string name = Trim(key);
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const Line& line = lines_[static_cast<std::size_t>(i)];
        if (line.What == Line::Kind::Entry && SameText(line.Name, name)) return i;
    }
    return -1;
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
    Refresh();
    const int i = FindEntry(section, key);
    return i < 0 ? def : lines_[static_cast<std::size_t>(i)].Value;
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const {
    std::int32_t value = 0;
    return ParseInt(ReadString(section, key, std::string()), value) ? value : def;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    CheckSection(section);
    CheckKey(key);
    Refresh();
    const std::string text = Trim(FlattenLineBreaks(value));
    const int found = FindEntry(section, key);
    if (found >= 0) {
        Line& line = lines_[static_cast<std::size_t>(found)];
        if (line.Value == text) return;
        line.Value = text;
        line.Text = line.Name + "=" + text;  // the key keeps the spelling it has in the file
        Changed();
        return;
    }
    Line entry;
    entry.What = Line::Kind::Entry;
    entry.Name = Trim(key);
    entry.Value = text;
    entry.Text = entry.Name + "=" + text;
    const int header = FindSection(section);
    if (header >= 0) {
        // After the section's last entry (or its header), before the blank lines that part sections.
        int at = header + 1;
        const int end = SectionEnd(header);
        for (int i = header + 1; i < end; ++i)
            if (!Trim(lines_[static_cast<std::size_t>(i)].Text).empty()) at = i + 1;
        lines_.insert(lines_.begin() + at, std::move(entry));
    } else {
        if (!lines_.empty() && !Trim(lines_.back().Text).empty()) lines_.push_back(Line{});
        Line head;
        head.What = Line::Kind::Section;
        head.Name = Trim(section);
        head.Text = "[" + head.Name + "]";
        lines_.push_back(std::move(head));
        lines_.push_back(std::move(entry));
    }
    Changed();
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

bool TIniFile::SectionExists(const std::string& section) const {
    Refresh();
    return FindSection(section) >= 0;
}

bool TIniFile::ValueExists(const std::string& section, const std::string& key) const {
    Refresh();
    return FindEntry(section, key) >= 0;
}

void TIniFile::ReadSections(TStringList& names) const {
    Refresh();
    names.Clear();
    for (const Line& line : lines_) {
        if (line.What != Line::Kind::Section) continue;
        bool seen = false;
        for (const std::string& name : names) seen = seen || SameText(name, line.Name);
        if (!seen) names.Add(line.Name);
    }
}

void TIniFile::ReadSection(const std::string& section, TStringList& keys) const {
    Refresh();
    keys.Clear();
    const int header = FindSection(section);
    if (header < 0) return;
    const int end = SectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const Line& line = lines_[static_cast<std::size_t>(i)];
        if (line.What != Line::Kind::Entry) continue;
        // A repeated key is listed once: only its first line is ever read.
        bool seen = false;
        for (const std::string& name : keys) seen = seen || SameText(name, line.Name);
        if (!seen) keys.Add(line.Name);
    }
}

void TIniFile::ReadSectionValues(const std::string& section, TStringList& out) const {
    TStringList keys;
    ReadSection(section, keys);
    out.Clear();
    for (const std::string& key : keys) out.Add(key + "=" + lines_[static_cast<std::size_t>(FindEntry(section, key))].Value);
}

void TIniFile::EraseSection(const std::string& section) {
    Refresh();
    bool changed = false;
    for (int header = FindSection(section); header >= 0; header = FindSection(section)) {
        lines_.erase(lines_.begin() + header, lines_.begin() + SectionEnd(header));
        changed = true;
    }
    if (changed) Changed();
}

void TIniFile::DeleteKey(const std::string& section, const std::string& key) {
    Refresh();
    const int i = FindEntry(section, key);
    if (i < 0) return;
    lines_.erase(lines_.begin() + i);
    Changed();
}

void TIniFile::BeginUpdate() {
    Refresh();
    ++update_depth_;
}

void TIniFile::EndUpdate() {
    if (update_depth_ == 0) return;
    if (--update_depth_ == 0) UpdateFile();
}

void TIniFile::Changed() {
    dirty_ = true;
    if (update_depth_ == 0) UpdateFile();
}

void TIniFile::UpdateFile() {
    if (!dirty_) return;
    // The mark is written back: a line that begins with another one would read differently without it.
    std::string text = bom_ ? kUtf8Bom : "";
    for (const Line& line : lines_) {
        text += line.Text;
        text += "\r\n";
    }
    std::string error;
    if (!WriteFileAtomic(file_name_, text, mode_, &error)) throw EIniFileException(error);
    dirty_ = false;
    struct stat st {};
    if (::stat(file_name_.c_str(), &st) == 0) {
        dev_ = st.st_dev;
        ino_ = st.st_ino;
        size_ = st.st_size;
        mtime_ = st.st_mtim;
    }
}

}  // namespace corvane
