#include "platform/zipdll/zipdll_common.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace corvane::zipdll {

bool Channel::Send(int32_t message, void* data) {
    if (stopped_) return false;
    if (callback_ != nullptr && callback_(message, data, component_) == XCD_ANSWER_STOP) stopped_ = true;
    return !stopped_;
}

void CopyBounded(char* buffer, std::size_t size, std::string_view text) {
    if (buffer == nullptr || size == 0) return;
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

std::string ReadBounded(const char* buffer, std::size_t size, std::size_t limit) {
    if (buffer == nullptr || size == 0) return {};
    const std::size_t n = strnlen(buffer, std::min(size, limit));
    return std::string(buffer, n);
}

bool MatchSpec(std::string_view spec, std::string_view name) {
    return WildcardMatch(SlashSeparators(spec), SlashSeparators(name), DotStarRule::StarDotStarAny);
}

std::string SlashSeparators(std::string_view text) {
    std::string out(text);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

namespace {

char Fold(char c) {
    if (c == '\\') return '/';
    if (c >= 'A' && c <= 'Z') return static_cast<char>(c - 'A' + 'a');
    return c;
}

}  // namespace

bool HasSuffixNoCase(std::string_view text, std::string_view suffix) {
    if (suffix.empty() || suffix.size() > text.size()) return false;
    const std::string_view tail = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i)
        if (Fold(tail[i]) != Fold(suffix[i])) return false;
    return true;
}

std::vector<std::string> SplitList(std::string_view text, char separator) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) end = text.size();
        if (end > start) out.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

uint32_t Clamp32(uint64_t value) { return value > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(value); }

void ToDos(std::time_t t, uint16_t& dos_date, uint16_t& dos_time) {
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr || tm.tm_year < 80) {
        dos_date = (1 << 5) | 1;  // 1980-01-01
        dos_time = 0;
        return;
    }
    dos_date = static_cast<uint16_t>(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    dos_time = static_cast<uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (std::min(tm.tm_sec, 59) / 2));
}

bool ParseInteger(std::string_view text, long long& value) {
    if (text.empty() || text.size() > 18) return false;
    std::size_t i = 0;
    bool negative = false;
    if (text[0] == '-') {
        negative = true;
        i = 1;
        if (text.size() == 1) return false;
    }
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    value = negative ? -v : v;
    return true;
}

std::time_t ParseDdMmYyyy(std::string_view text) {
    long long v = 0;
    if (text.size() != 8 || text[0] == '-' || !ParseInteger(text, v)) return 0;
    const int day = static_cast<int>(v / 1000000), month = static_cast<int>(v / 10000 % 100),
              year = static_cast<int>(v % 10000);
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1900) return 0;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    // mktime moves 31 February on to March; such a date is no date.
    if (t == static_cast<std::time_t>(-1) || tm.tm_mday != day || tm.tm_mon != month - 1) return 0;
    return t;
}

void EntryRecord::Bind() {
    record.Name = name.c_str();
    record.Comment = comment.c_str();
    record.CommentLength = static_cast<uint8_t>(comment.size());
}

bool IsSymlinkEntry(zip_t* archive, zip_uint64_t index) {
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &opsys, &attributes) != 0) return false;
    return opsys == ZIP_OPSYS_UNIX && S_ISLNK(attributes >> 16);
}

bool DescribeEntry(zip_t* archive, zip_uint64_t index, EntryRecord& out) {
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(archive, index, 0, &st) != 0 || (st.valid & ZIP_STAT_NAME) == 0) return false;
    out = EntryRecord{};
    out.name.assign(st.name, strnlen(st.name, XCD_NAME_SIZE - 1));
    out.name_cut = st.name[out.name.size()] != '\0';
    XcdFileRecord& r = out.record;
    r.Size = Clamp32(st.size);
    r.CompressedSize = Clamp32(st.comp_size);
    r.BytesProcessed = 0;
    r.Crc = st.crc;
    r.Method = static_cast<uint8_t>(st.comp_method);
    r.Encrypted = st.encryption_method != ZIP_EM_NONE ? 1 : 0;
    if (st.size > 0 && st.comp_size <= st.size)
        r.Ratio = static_cast<uint8_t>(100 - (st.comp_size * 100 + st.size - 1) / st.size);
    ToDos(st.mtime, r.DosDate, r.DosTime);

    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    uint8_t attr = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &opsys, &attributes) == 0) {
        if (opsys == ZIP_OPSYS_UNIX) {
            const mode_t mode = attributes >> 16;
            if (S_ISDIR(mode)) attr |= XCD_ATTR_DIRECTORY;
            if (mode != 0 && (mode & S_IWUSR) == 0) attr |= XCD_ATTR_READONLY;
        } else {
            attr = static_cast<uint8_t>(attributes & 0x3F);
        }
    }
    if (!out.name.empty() && (out.name.back() == '/' || out.name.back() == '\\')) attr |= XCD_ATTR_DIRECTORY;
    if ((attr & XCD_ATTR_DIRECTORY) == 0) attr |= XCD_ATTR_ARCHIVE;
    r.Attributes = attr;

    zip_uint32_t length = 0;
    const char* comment = zip_file_get_comment(archive, index, &length, 0);
    if (comment != nullptr) out.comment.assign(comment, std::min<std::size_t>(length, XCD_COMMENT_SIZE - 1));
    out.Bind();
    return true;
}

int OpenResult(int zip_error, int system_error) {
    switch (zip_error) {
        case ZIP_ER_NOENT: return XCD_ERR_NOT_FOUND;
        case ZIP_ER_MEMORY: return XCD_ERR_MEMORY;
        case ZIP_ER_MULTIDISK: return XCD_ERR_MULTIDISK;
        case ZIP_ER_OPEN:
        case ZIP_ER_READ:
            return system_error == ENOENT ? XCD_ERR_NOT_FOUND : XCD_ERR_ACCESS;
        default: return XCD_ERR_CORRUPT;
    }
}

int WriteResult(const zip_error_t* error) {
    const int system_error = zip_error_code_system(error);
    switch (zip_error_code_zip(error)) {
        case ZIP_ER_CANCELLED: return XCD_ERR_STOPPED;
        case ZIP_ER_MEMORY: return XCD_ERR_MEMORY;
        case ZIP_ER_TMPOPEN:
        case ZIP_ER_RENAME:
            return system_error == ENOSPC ? XCD_ERR_DISK_FULL : XCD_ERR_TEMP_FILE;
        case ZIP_ER_WRITE:
        case ZIP_ER_CLOSE:
            return system_error == ENOSPC ? XCD_ERR_DISK_FULL : XCD_ERR_TEMP_FILE;
        case ZIP_ER_CRC:
        case ZIP_ER_INCONS:
        case ZIP_ER_COMPRESSED_DATA:
        case ZIP_ER_ZLIB:
        case ZIP_ER_EOF:
            return XCD_ERR_INCONSISTENT;
        default: return XCD_ERR_ACCESS;
    }
}

void Worsen(int& result, int candidate) { result = std::max(result, candidate); }

}  // namespace corvane::zipdll
