#include "localisation/lang_source.h"

#include <cctype>
#include <charconv>
#include <map>
#include <set>
#include <sstream>

namespace corvane {

namespace {

class LineParser {
public:
    LineParser(const std::string& line, int number) : line_(line), number_(number) {}

    [[noreturn]] void Fail(const std::string& what) const {
        throw ELangFileError("Language source line " + std::to_string(number_) + ": " + what);
    }
    void SkipBlanks() {
        while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t')) ++pos_;
    }
    bool AtEnd() {
        SkipBlanks();
        return pos_ >= line_.size() || line_[pos_] == '#';
    }
    bool NextIsQuote() {
        SkipBlanks();
        return pos_ < line_.size() && line_[pos_] == '"';
    }
    std::string Word() {
        SkipBlanks();
        const std::size_t start = pos_;
        while (pos_ < line_.size() && line_[pos_] != ' ' && line_[pos_] != '\t') ++pos_;
        if (start == pos_) Fail("a word is missing");
        return line_.substr(start, pos_ - start);
    }
    long Number(long min, long max, const char* what) {
        const std::string word = Word();
        long v = 0;
        const auto res = std::from_chars(word.data(), word.data() + word.size(), v);
        if (res.ec != std::errc() || res.ptr != word.data() + word.size() || v < min || v > max)
            Fail(std::string("bad ") + what + " \"" + word + "\"");
        return v;
    }
    std::string Quoted() {
        if (!NextIsQuote()) Fail("a quoted text is missing");
        ++pos_;
        std::string out;
        while (pos_ < line_.size()) {
            const char c = line_[pos_++];
            if (c == '"') return out;
            if (c != '\\') {
                out.push_back(c);
                continue;
            }
            if (pos_ >= line_.size()) break;
            const char e = line_[pos_++];
            switch (e) {
                case 'n': out.push_back('\n'); break;
                case 'r': out.push_back('\r'); break;
                case 't': out.push_back('\t'); break;
                case '"': out.push_back('"'); break;
                case '\\': out.push_back('\\'); break;
                default: Fail(std::string("unknown escape \\") + e);
            }
        }
        Fail("the text has no closing quote");
    }
    void End() {
        if (!AtEnd()) Fail("unexpected text \"" + line_.substr(pos_) + "\"");
    }

private:
    const std::string& line_;
    int number_;
    std::size_t pos_ = 0;
};

bool IsIdentifier(const std::string& s) {
    if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
    for (unsigned char c : s)
        if (!std::isalnum(c) && c != '_') return false;
    return true;
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default: out.push_back(c);
        }
    }
    return out + "\"";
}

// The prop and map lines of every string that has a path, in Id order.
std::string FormStringLines(const TKLangFile& file) {
    std::multimap<std::uint16_t, std::pair<std::string, std::string>> paths;
    for (const auto& section : file.Props.Sections())
        for (const auto& entry : section.Paths) paths.emplace(entry.Id, std::make_pair(section.Name, entry.Path));
    std::ostringstream out;
    for (const auto& rec : file.Strings) {
        auto range = paths.equal_range(rec.Id);
        if (range.first == range.second) continue;
        auto it = range.first;
        out << "prop " << rec.Id << " " << it->second.first << " " << it->second.second << " " << Quote(rec.Text);
        if (rec.FontIndex) out << " font " << rec.FontIndex;
        out << "\n";
        for (++it; it != range.second; ++it)
            out << "map " << rec.Id << " " << it->second.first << " " << it->second.second << "\n";
    }
    return out.str();
}

const char* const kCapturedHeader = "# Form strings, captured from the program's forms by lngcapture.";

}  // namespace

std::vector<LangSourceName> ParseLangSource(const std::string& source, TkLangFileEdit& file) {
    file.Props.Clear();
    file.Names.Clear();
    file.Strings.clear();
    file.Fonts.clear();
    file.Charset = 0;
    file.BiDiMode = 0;
    file.HasLocale = false;

    std::vector<LangSourceName> names;
    std::set<std::string> nameSet;
    std::set<std::uint16_t> ids;
    struct Mapping {
        std::uint16_t Id;
        std::string Section, Path;
        int Line;
    };
    std::vector<Mapping> maps;

    std::istringstream in(source);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        LineParser p(line, number);
        if (p.AtEnd()) continue;
        const std::string keyword = p.Word();
        auto fontOption = [&]() -> std::uint16_t {
            if (p.AtEnd()) return 0;
            if (p.Word() != "font") p.Fail("expected \"font N\" after the text");
            return static_cast<std::uint16_t>(p.Number(0, 0xFFFF, "font index"));
        };
        auto newId = [&]() {
            const auto id = static_cast<std::uint16_t>(p.Number(1, 0xFFFF, "Id"));
            if (!ids.insert(id).second) p.Fail("Id " + std::to_string(id) + " is defined twice");
            return id;
        };
        if (keyword == "charset") {
            file.Charset = static_cast<std::uint8_t>(p.Number(0, 255, "charset"));
        } else if (keyword == "bidimode") {
            file.BiDiMode = static_cast<std::uint8_t>(p.Number(0, 255, "bidimode"));
        } else if (keyword == "font") {
            TkFontItem font;
            font.Name = p.Quoted();
            font.Size = static_cast<std::uint16_t>(p.Number(0, 0xFFFF, "font size"));
            font.Style = static_cast<std::uint8_t>(p.Number(0, 255, "font style"));
            file.Fonts.push_back(font);
        } else if (keyword == "name") {
            file.Names.Add(p.Quoted());
        } else if (keyword == "msg") {
            const auto id = newId();
            if (!p.NextIsQuote()) {
                const std::string name = p.Word();
                if (!IsIdentifier(name)) p.Fail("\"" + name + "\" is not a valid message name");
                if (!nameSet.insert(name).second) p.Fail("message name " + name + " is used twice");
                names.push_back({name, id});
            }
            const std::string text = p.Quoted();
            file.InsertStr(id, text, fontOption());
        } else if (keyword == "prop") {
            const auto id = newId();
            const std::string section = p.Word();
            const std::string path = p.Word();
            const std::string text = p.Quoted();
            file.InsertStr(id, text, fontOption());
            maps.push_back({id, section, path, number});
        } else if (keyword == "map") {
            const auto id = static_cast<std::uint16_t>(p.Number(1, 0xFFFF, "Id"));
            const std::string section = p.Word();
            const std::string path = p.Word();
            maps.push_back({id, section, path, number});
        } else {
            p.Fail("unknown keyword \"" + keyword + "\"");
        }
        p.End();
    }
    for (const auto& m : maps) {
        if (!ids.count(m.Id)) LineParser(line, m.Line).Fail("Id " + std::to_string(m.Id) + " has no text");
        if (file.Props.FindByName(m.Section, m.Path))
            LineParser(line, m.Line).Fail("path " + m.Section + "." + m.Path + " is mapped twice");
        file.Props.Add(m.Section, m.Path, m.Id);
    }
    for (const auto& rec : file.Strings)
        if (rec.FontIndex > file.Fonts.size())
            throw ELangFileError("Language source: string " + std::to_string(rec.Id) + " names font " +
                                 std::to_string(rec.FontIndex) + ", which is not defined");
    return names;
}

std::string DumpLangSource(const TKLangFile& file) {
    std::ostringstream out;
    out << "# version " << file.VersionText << "\n";
    out << "charset " << unsigned(file.Charset) << "\n";
    out << "bidimode " << unsigned(file.BiDiMode) << "\n";
    for (const auto& font : file.Fonts)
        out << "font " << Quote(font.Name) << " " << font.Size << " " << unsigned(font.Style) << "\n";
    for (int i = 0; i < file.Names.Count(); ++i) out << "name " << Quote(file.Names[i]) << "\n";
    if (file.HasLocale) {
        const TkLocale& l = file.Locale;
        out << "# locale: date " << Quote(l.ShortDateFormat) << " " << Quote(l.LongDateFormat) << ", time "
            << Quote(l.ShortTimeFormat) << " " << Quote(l.LongTimeFormat) << ", separators "
            << Quote(std::string(1, l.DateSeparator)) << " " << Quote(std::string(1, l.TimeSeparator)) << "\n";
    }
    for (const auto& rec : file.Strings) {
        const std::string font = rec.FontIndex ? " font " + std::to_string(rec.FontIndex) : std::string();
        if (file.Props.PathOfId(rec.Id).empty()) out << "msg " << rec.Id << " " << Quote(rec.Text) << font << "\n";
    }
    out << FormStringLines(file);
    return out.str();
}

std::string RewriteFormStrings(const std::string& source, const TKLangFile& file) {
    std::istringstream in(source);
    std::string line, kept;
    while (std::getline(in, line)) {
        std::string bare = line;
        if (!bare.empty() && bare.back() == '\r') bare.pop_back();
        const auto start = bare.find_first_not_of(" \t");
        const std::string word = start == std::string::npos ? "" : bare.substr(start, bare.find_first_of(" \t", start) - start);
        if (word == "prop" || word == "map" || bare == kCapturedHeader) continue;
        kept += line + "\n";
    }
    while (kept.size() >= 2 && kept[kept.size() - 1] == '\n' && kept[kept.size() - 2] == '\n') kept.pop_back();
    const std::string lines = FormStringLines(file);
    if (lines.empty()) return kept;
    return kept + "\n" + kCapturedHeader + "\n" + lines;
}

std::string MessageIdHeader(const std::vector<LangSourceName>& names) {
    std::ostringstream out;
    out << "#pragma once\n// Generated by lngtool from the Native language source; do not edit.\n\n"
           "#include <cstdint>\n\nnamespace corvane::msg {\n\n";
    for (const auto& n : names) out << "inline constexpr std::uint16_t " << n.Name << " = " << n.Id << ";\n";
    out << "\n}  // namespace corvane::msg\n";
    return out.str();
}

}  // namespace corvane
