#pragma once
// Private profile (INI) files as the Windows profile functions keep them: "[Section]" lines and
// "Key=Value" lines; section and key names compare without regard to case (ASCII) and the first
// match wins; a value is updated in place and the rest of the file keeps its order and its
// comments; values are trimmed of surrounding blanks. CR LF is written, CR LF or LF read.
//
// Each change is written through at once, by temporary file + rename (mode 0600: task files hold
// passwords); BeginUpdate/EndUpdate gather many changes into one write. Like the profile functions,
// the object picks up the file again when another writer has replaced it since it was last read.
// Not thread-safe: one object belongs to one thread.

#include <cstdint>
#include <ctime>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

#include "platform/rtl/string_list.h"

namespace corvane {

// A file that cannot be written (the old file is kept then) or read.
class EIniFileException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIniFile {
public:
    // Reads the file when it exists; a missing file is an empty one (every read gives its default).
    // Throws EIniFileException when the file exists but cannot be read.
    explicit TIniFile(std::string file_name);
    // Changes of a BeginUpdate that never reached its EndUpdate (an exception on the way) are dropped:
    // writing half of a task's keys would leave a file worse than the old one.
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& FileName() const { return file_name_; }

    std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
    // Decimal, or hex with "$" or "0x"; text that is not a 32-bit integer gives the default.
    std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t def) const;
    // An integer, not 0 for true.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;

    // Line breaks cannot be kept in a value line: each CR LF, CR or LF of the value becomes a blank.
    // A section or key name that cannot stand in the file (empty, a line break, "]" in a section,
    // "=" in a key, a key starting with "[" or ";") throws std::invalid_argument.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);  // "1" or "0"

    bool SectionExists(const std::string& section) const;
    bool ValueExists(const std::string& section, const std::string& key) const;
    void ReadSections(TStringList& names) const;                           // every section once
    void ReadSection(const std::string& section, TStringList& keys) const;  // key names, in file order
    void ReadSectionValues(const std::string& section, TStringList& lines) const;  // "Key=Value"
    void EraseSection(const std::string& section);  // every section of that name, with its lines
    void DeleteKey(const std::string& section, const std::string& key);

    // Changes between these two are written once, by the outermost EndUpdate (which throws when the
    // write fails; the changes stay held and a later write retries them).
    void BeginUpdate();
    void EndUpdate();
    void UpdateFile();  // writes held changes now

    // Permission bits a rewritten file gets (default 0600).
    void SetFileMode(mode_t mode) { mode_ = mode; }

private:
    struct Line {
        enum class Kind { Other, Section, Entry } What = Kind::Other;
        std::string Text;   // the line as it stands in the file
        std::string Name;   // section or key name, trimmed
        std::string Value;  // entry value, trimmed
    };

    void Refresh() const;
    void Parse(const std::string& bytes) const;
    void Changed();
    int FindSection(const std::string& section) const;  // index of its header line, -1 when absent
    int SectionEnd(int header) const;                    // index after its last line
    int FindEntry(const std::string& section, const std::string& key) const;

    std::string file_name_;
    mutable std::vector<Line> lines_;
    // What the file looked like when last read or written, to see another writer's replacement.
    mutable dev_t dev_ = 0;
    mutable ino_t ino_ = 0;
    mutable off_t size_ = -1;
    mutable std::timespec mtime_{};
    mutable bool bom_ = false;  // the file began with a UTF-8 byte-order mark
    static constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";
    int update_depth_ = 0;
    bool dirty_ = false;
    mode_t mode_ = 0600;
};

}  // namespace corvane
