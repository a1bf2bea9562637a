#include "localisation/lang_file.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "localisation/code_page.h"
#include "localisation/lang_bytes.h"

namespace corvane {

namespace {

constexpr std::size_t kMaxFileSize = 64u << 20;  // far above any real language file

std::string CurrentDirectory() {
    std::string buf(4096, '\0');
    while (getcwd(buf.data(), buf.size()) == nullptr) {
        if (errno != ERANGE) return {};
        buf.resize(buf.size() * 2);
    }
    buf.resize(std::strlen(buf.c_str()));
    return buf;
}

std::string ReadWholeFile(const std::string& path, bool& missing) {
    missing = false;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            missing = true;
            return {};
        }
        throw ELangFileError("Cannot open language file " + path + ": " + std::strerror(errno));
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        throw ELangFileError("Language file " + path + " is not a regular file");
    }
    if (static_cast<std::uint64_t>(st.st_size) > kMaxFileSize) {
        close(fd);
        throw ELangFileError("Language file " + path + " is too large");
    }
    std::string data;
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            close(fd);
            throw ELangFileError("Cannot read language file " + path + ": " + std::strerror(err));
        }
        data.append(buf, static_cast<std::size_t>(n));
        if (data.size() > kMaxFileSize) {
            close(fd);
            throw ELangFileError("Language file " + path + " is too large");
        }
    }
    close(fd);
    return data;
}

double ParseVersion(const std::string& text) {
    double v = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), v, std::chars_format::fixed);
    if (res.ec != std::errc() || res.ptr == text.data() || !std::isfinite(v) || v < 0)
        throw ELangFileError("Language file has an unreadable version number");
    return v;
}

}  // namespace

TFontStyles TkFontItem::GetStyle() const {
    return TFontStyles{(Style & 1) != 0, (Style & 2) != 0, (Style & 4) != 0, (Style & 8) != 0};
}

void TkFontItem::SetStyle(const TFontStyles& s) {
    Style = static_cast<std::uint8_t>((s.Bold ? 1 : 0) | (s.Italic ? 2 : 0) | (s.Underline ? 4 : 0) |
                                      (s.StrikeOut ? 8 : 0));
}

std::uint16_t TKLangStr::Id() const { return owner_->Strings[static_cast<std::size_t>(index_)].Id; }
const std::string& TKLangStr::Text() const { return owner_->Strings[static_cast<std::size_t>(index_)].Text; }
std::uint16_t TKLangStr::FontIndex() const { return owner_->Strings[static_cast<std::size_t>(index_)].FontIndex; }
bool TKLangStr::HasCR() const { return Text().find('\r') != std::string::npos; }
std::string TKLangStr::PropName() const { return owner_->Props.PathOfId(Id()); }

std::string ExpandLangFileName(const std::string& name) {
    std::string result = name;
    if (result.find(".lng") == std::string::npos) result += ".lng";
    if (result.find('/') == std::string::npos) {
        std::string dir = CurrentDirectory();
        if (dir.empty() || dir.back() != '/') dir += '/';
        result = dir + result;
    }
    return result;
}

TKLangFile::TKLangFile(const std::string& fileName) : FileName(ExpandLangFileName(fileName)) { Load(); }

void TKLangFile::Reset() {
    Version = 0.0;
    Props.Clear();
    Names.Clear();
    Strings.clear();
    Empty = true;
    OffsetWidth = 4;
    HasLocale = false;
    Charset = 0;
    Fonts.clear();
    BiDiMode = 0;
    Magic.clear();
    VersionText.clear();
    Locale = TkLocale{};
}

void TKLangFile::Load() {
    Reset();
    bool missing = false;
    const std::string data = ReadWholeFile(FileName, missing);
    if (missing) return;  // an unknown language translates nothing
    try {
        LoadFromBytes(data);
    } catch (const ELangFileError& e) {
        Reset();
        throw ELangFileError(std::string(e.what()) + ": " + FileName);
    }
}

void TKLangFile::LoadFromBytes(const std::string& data) {
    try {
        ParseBytes(data);
    } catch (...) {
        Reset();  // a failed load leaves nothing half-read behind
        throw;
    }
}

void TKLangFile::ParseBytes(const std::string& data) {
    Reset();
    if (data.empty()) return;
    Empty = false;
    LangByteReader r(data);

    Magic = r.Bytes(2);
    if (Magic != "LF") throw ELangFileError("Not a language file or old version (1.1)");
    VersionText = r.Bytes(4);
    Version = ParseVersion(VersionText);
    OffsetWidth = Version > 1.5 ? 4 : 2;
    HasLocale = Version > 2.0 ? r.U8() != 0 : true;
    if (HasLocale) ReadLocaleBlock(r, Locale);
    BiDiMode = r.U8();
    if (Version <= 2.0) BiDiMode = 0;

    r.Skip(10);
    Charset = r.U8();
    const std::int32_t fontCount = r.I32();
    for (std::int32_t i = 0; i < fontCount; ++i) {
        TkFontItem font;
        font.Name = DecodeCodePage(r.ShortText(), Charset);
        font.Size = r.U16();
        font.Style = r.U8();
        Fonts.push_back(std::move(font));
    }

    r.Skip(20);
    const std::uint16_t nameCount = r.U16();
    for (unsigned i = 0; i < nameCount; ++i) Names.Add(DecodeCodePage(r.ShortText(), Charset));

    const std::uint16_t sectionCount = r.U16();
    for (unsigned s = 0; s < sectionCount; ++s) {
        const std::string section = DecodeCodePage(r.ShortText(), Charset);
        const std::uint16_t pathCount = r.U16();
        for (unsigned p = 0; p < pathCount; ++p) {
            const std::string path = DecodeCodePage(r.ShortText(), Charset);
            Props.Add(section, path, r.U16());
        }
    }

    const std::uint16_t stringCount = r.U16();
    Strings.reserve(stringCount);
    for (unsigned i = 0; i < stringCount; ++i) {
        TkIdentRec rec;
        rec.Id = r.U16();
        rec.Offset = OffsetWidth == 4 ? r.U32() : r.U16();
        rec.FontIndex = r.U16();
        Strings.push_back(std::move(rec));
    }

    const std::string blob = r.Rest();
    for (auto& rec : Strings) {
        if (rec.Offset >= blob.size())
            throw ELangFileError("Language file string " + std::to_string(rec.Id) + " points outside the texts");
        const auto end = blob.find('\0', rec.Offset);
        if (end == std::string::npos)
            throw ELangFileError("Language file string " + std::to_string(rec.Id) + " is not terminated");
        rec.Text = DecodeCodePage(blob.substr(rec.Offset, end - rec.Offset), Charset);
    }
    // Lookups are binary searches; a file written out of order must still find every Id.
    std::stable_sort(Strings.begin(), Strings.end(),
                     [](const TkIdentRec& a, const TkIdentRec& b) { return a.Id < b.Id; });

    if (HasLocale) DecodeLocaleTexts(Locale, Charset);
    if (Version < 3.0) RekeyOldText();
}

void TKLangFile::RekeyOldText() {
    for (const auto& rec : Strings) {
        if (rec.Text.find('\r') == std::string::npos) continue;
        if (!Props.FindById(rec.Id)) continue;
        const std::string path = Props.PropName();
        const auto dot = path.rfind('.');
        if (dot == std::string::npos) continue;
        if (SameText(path.substr(dot + 1), "Text")) Props.RenameProp(path.substr(0, dot));
    }
}

std::optional<TKLangStr> TKLangFile::FindStr(std::uint16_t id) const {
    int lo = 0, hi = static_cast<int>(Strings.size()) - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const std::uint16_t at = Strings[static_cast<std::size_t>(mid)].Id;
        if (at == id) return TKLangStr(*this, mid);
        if (at > id) hi = mid - 1;
        else lo = mid + 1;
    }
    return std::nullopt;
}

std::optional<TKLangStr> TKLangFile::FindStrByName(const std::string& section, const std::string& path) {
    if (!Props.FindByName(section, path)) return std::nullopt;
    return FindStr(Props.CurrentId());
}

int TKLangFile::FindFont(const std::string& name, std::uint16_t size, std::uint8_t style) const {
    for (std::size_t i = 0; i < Fonts.size(); ++i)
        if (Fonts[i].Name == name && Fonts[i].Size == size && Fonts[i].Style == style) return static_cast<int>(i);
    return -1;
}

void TKLangFile::ApplyLocale() const {
    if (!Empty && HasLocale) ApplyLocaleToDisplayFormats(Locale);
}

}  // namespace corvane
