#pragma once
// A language file (".lng"): the strings replacing the forms' text properties, keyed by form name and
// property path, the numbered messages fetched by Id, fonts, a character set, a reading-order byte and
// optionally a locale block. TKLangFile reads; TkLangFileEdit (lang_file_edit.h) also writes.
//
// Layout (little-endian): "LF", version as 4 ASCII characters ("3.00"), locale flag byte (version > 2.0;
// older files always carry the block), locale block, BiDiMode byte, 10 reserved bytes, Charset byte,
// font count (int32) and fonts (short-text name, uint16 size, style byte), 20 reserved bytes, names
// (uint16 count, short texts), sections (uint16 count; name, uint16 path count, per path short text and
// uint16 Id), string table (uint16 count; Id, offset of 4 bytes, or 2 up to version 1.5, uint16 font
// index), then the blob of zero-terminated texts the offsets point into. A short text is a length byte
// and that many bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "localisation/lang_error.h"
#include "localisation/lang_locale.h"
#include "localisation/lang_props.h"
#include "platform/rtl/string_list.h"

namespace corvane {

// One string of the table.
struct TkIdentRec {
    std::uint16_t Id = 0;
    std::uint32_t Offset = 0;  // position in the blob; meaningful only while reading or writing
    std::string Text;          // UTF-8
    std::uint16_t FontIndex = 0;  // 0 = no font, else 1-based index into the fonts
};

// The font style set, one flag per style bit of a font record.
struct TFontStyles {
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    bool operator==(const TFontStyles&) const = default;
};

struct TkFontItem {
    std::string Name;
    std::uint16_t Size = 0;
    std::uint8_t Style = 0;  // bit 0 bold, 1 italic, 2 underline, 3 strikeout

    TFontStyles GetStyle() const;
    void SetStyle(const TFontStyles& styles);
    bool operator==(const TkFontItem&) const = default;
};

class TKLangFile;

// A position on one string of a file; valid while the file's table is unchanged.
class TKLangStr {
public:
    TKLangStr(const TKLangFile& owner, int index) : owner_(&owner), index_(index) {}
    int Index() const { return index_; }
    std::uint16_t Id() const;
    const std::string& Text() const;
    std::uint16_t FontIndex() const;
    bool HasCR() const;
    // Path of the first mapping of the entry's Id; empty when there is none.
    std::string PropName() const;

private:
    const TKLangFile* owner_;
    int index_;
};

// Appends ".lng" unless the name contains ".lng"; a name without a directory part gets the process's
// current directory in front.
std::string ExpandLangFileName(const std::string& name);

class TKLangFile {
public:
    // Reads the file at once. A missing file reads as Empty (nothing is created); any other failure to
    // open, and any malformed content, throws ELangFileError.
    explicit TKLangFile(const std::string& fileName);
    virtual ~TKLangFile() = default;
    TKLangFile(const TKLangFile&) = delete;
    TKLangFile& operator=(const TKLangFile&) = delete;

    virtual void Load();

    // Parses a whole file image; used by Load and by the fuzz target.
    void LoadFromBytes(const std::string& data);

    std::optional<TKLangStr> FindStr(std::uint16_t id) const;
    std::optional<TKLangStr> FindStrByName(const std::string& section, const std::string& path);
    int StringCount() const { return static_cast<int>(Strings.size()); }
    TKLangStr StringAt(int i) const { return TKLangStr(*this, i); }
    int FontCount() const { return static_cast<int>(Fonts.size()); }
    const TkFontItem& FontAt(int i) const { return Fonts[static_cast<std::size_t>(i)]; }
    // Index of the first font with the same name (case-sensitive), size and style; -1 when none.
    int FindFont(const std::string& name, std::uint16_t size, std::uint8_t style) const;
    // Copies the locale block into the display formats (only when the file has one).
    void ApplyLocale() const;

    double Version = 0.0;
    TkLangProps Props;
    TStringList Names;
    std::vector<TkIdentRec> Strings;  // ascending Id
    std::string FileName;
    bool Empty = true;
    int OffsetWidth = 4;
    bool HasLocale = false;
    std::uint8_t Charset = 0;
    std::vector<TkFontItem> Fonts;
    std::uint8_t BiDiMode = 0;
    std::string Magic;
    std::string VersionText;
    TkLocale Locale;

protected:
    TKLangFile() = default;  // for TkLangFileEdit, which decides itself whether to load
    void Reset();

private:
    void ParseBytes(const std::string& data);
    // Files before 3.0 keyed a multi-line list under its path + ".Text"; from 3.0 under the path itself.
    void RekeyOldText();
};

}  // namespace corvane
