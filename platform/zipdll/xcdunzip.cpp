// libxcdunz32.so: extract, freshen, update, list, count and entry information over libzip.
//
// Vector: password, switches, archive, then file specs; "-x" turns the specs that follow into
// exclusions and "-d" takes the target folder. With "-E" every item after the archive is an exact
// entry name. A vector of argc 1 is {number, archive}: 0 asks for
// the entry count (message 70), N for the record of entry N - 1 (message 90).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <new>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/zipdll/safe_path.h"
#include "platform/zipdll/zip_journal.h"
#include "platform/zipdll/zipdll_common.h"

namespace corvane::zipdll {
namespace {

constexpr long long kMultidiskCount = 1234567890;
constexpr int kPasswordTries = 5;
constexpr std::size_t kChunk = 64 * 1024;
constexpr uint64_t kStatusStep = 1024 * 1024;

enum class Mode { Extract, Freshen, Update };
enum class Overwrite { Ask, Never, Always };

struct Options {
    std::string password;
    Mode mode = Mode::Extract;
    Overwrite overwrite = Overwrite::Ask;
    bool list = false;
    bool junk_paths = false;
    long long first = 0;
    long long last = -1;
    std::string archive;
    std::string target;
    std::vector<std::string> specs;
    std::vector<std::string> excludes;
    bool exact = false;
    std::unordered_set<std::string> exact_names;
};

int ParseOptions(int argc, char** argv, Options& o) {
    o.password = argv[0] != nullptr ? argv[0] : "";
    int i = 1;
    for (; i < argc; ++i) {
        if (argv[i] == nullptr) return XCD_ERR_BAD_ARGUMENTS;
        const std::string_view a = argv[i];
        if (a.empty() || a[0] != '-') break;
        if (a == "-f") o.mode = Mode::Freshen;
        else if (a == "-u") o.mode = Mode::Update;
        else if (a == "-j") o.junk_paths = true;
        else if (a == "-n") o.overwrite = Overwrite::Never;
        else if (a == "-o") o.overwrite = Overwrite::Always;
        else if (a == "-v") o.list = true;
        else if (a == "-E") o.exact = true;
        else if (a == "-!") return XCD_ERR_UNSUPPORTED;
        else if (a == "-d") {
            if (++i >= argc || argv[i] == nullptr) return XCD_ERR_BAD_ARGUMENTS;
            o.target = argv[i];
        } else if (a.size() > 2 && (a[1] == '1' || a[1] == '2')) {
            long long v = 0;
            if (!ParseInteger(a.substr(2), v)) return XCD_ERR_BAD_ARGUMENTS;
            (a[1] == '1' ? o.first : o.last) = v;
        } else {
            return XCD_ERR_BAD_ARGUMENTS;
        }
    }
    if (i >= argc) return XCD_ERR_BAD_ARGUMENTS;
    o.archive = argv[i++];
    if (o.exact) {
        // Names only: an entry may well be called "-x" or "-d".
        for (; i < argc; ++i) {
            if (argv[i] == nullptr) return XCD_ERR_BAD_ARGUMENTS;
            if (argv[i][0] != '\0') o.exact_names.emplace(argv[i]);
        }
        return o.archive.empty() ? XCD_ERR_BAD_ARGUMENTS : XCD_OK;
    }
    bool excluding = false;
    for (; i < argc; ++i) {
        if (argv[i] == nullptr) return XCD_ERR_BAD_ARGUMENTS;
        const std::string_view a = argv[i];
        if (a == "-x") {
            excluding = true;
        } else if (a == "-d") {
            if (++i >= argc || argv[i] == nullptr) return XCD_ERR_BAD_ARGUMENTS;
            o.target = argv[i];
        } else if (!a.empty()) {
            (excluding ? o.excludes : o.specs).emplace_back(a);
        }
    }
    if (o.archive.empty()) return XCD_ERR_BAD_ARGUMENTS;
    return XCD_OK;
}

// Opens the archive read-only, telling a missing or unreadable file from a damaged one.
int OpenArchive(const std::string& path, zip_t*& archive) {
    archive = nullptr;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? XCD_ERR_NOT_FOUND : XCD_ERR_ACCESS;
    if (!S_ISREG(st.st_mode)) return XCD_ERR_ACCESS;
    // An append under way is waited for, one whose writer died is undone.
    RecoverArchive(path);
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return XCD_ERR_ACCESS;
    close(fd);
    int error = 0;
    archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) return OpenResult(error, errno);
    return XCD_OK;
}

class ArchiveCloser {
public:
    explicit ArchiveCloser(zip_t* archive) : archive_(archive) {}
    ~ArchiveCloser() { zip_discard(archive_); }
    ArchiveCloser(const ArchiveCloser&) = delete;
    ArchiveCloser& operator=(const ArchiveCloser&) = delete;

private:
    zip_t* archive_;
};

class FdCloser {
public:
    explicit FdCloser(int fd) : fd_(fd) {}
    ~FdCloser() {
        if (fd_ >= 0) close(fd_);
    }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;

private:
    int fd_;
};

bool Selected(const Options& o, const EntryRecord& entry) {
    // A cut name is some other entry's name.
    if (o.exact) return !entry.name_cut && o.exact_names.count(entry.name) != 0;
    const std::string& name = entry.name;
    bool wanted = o.specs.empty();
    for (const std::string& spec : o.specs)
        if (MatchSpec(spec, name)) {
            wanted = true;
            break;
        }
    if (!wanted) return false;
    for (const std::string& spec : o.excludes)
        if (MatchSpec(spec, name)) return false;
    return true;
}

// The entry range as indices into the archive, last inclusive.
void Range(const Options& o, zip_int64_t count, zip_int64_t& first, zip_int64_t& last) {
    first = o.first < 0 ? 0 : o.first;
    last = o.last < 0 || o.last >= count ? count - 1 : o.last;
}

int RunInfo(int argc, char** argv, Channel& channel) {
    long long number = 0;
    if (argc != 1 || argv[0] == nullptr || argv[1] == nullptr || !ParseInteger(argv[0], number) || number < 0)
        return XCD_ERR_BAD_ARGUMENTS;
    if (number == kMultidiskCount) return XCD_ERR_UNSUPPORTED;
    zip_t* archive = nullptr;
    const int open_result = OpenArchive(argv[1], archive);
    if (open_result != XCD_OK) return open_result;
    ArchiveCloser closer(archive);
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (number == 0) {
        uint32_t value = Clamp32(static_cast<uint64_t>(count));
        return channel.Send(XCD_MSG_FILE_COUNT, &value) ? XCD_OK : XCD_ERR_STOPPED;
    }
    if (number > count) return XCD_WARN_NOTHING_TO_DO;
    EntryRecord entry;
    if (!DescribeEntry(archive, static_cast<zip_uint64_t>(number - 1), entry)) return XCD_ERR_CORRUPT;
    return channel.Send(XCD_MSG_FILE_INFO, &entry.record) ? XCD_OK : XCD_ERR_STOPPED;
}

int RunList(const Options& o, zip_t* archive, Channel& channel) {
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    if (count <= 0) return XCD_WARN_EMPTY;
    zip_int64_t first = 0, last = 0;
    Range(o, count, first, last);
    bool any = false;
    for (zip_int64_t i = first; i <= last; ++i) {
        EntryRecord entry;
        if (!DescribeEntry(archive, static_cast<zip_uint64_t>(i), entry) || !Selected(o, entry)) continue;
        any = true;
        entry.record.BytesProcessed = entry.record.Size;
        entry.record.Percent = 100;
        if (!channel.Send(XCD_MSG_LISTING, &entry.record)) return XCD_ERR_STOPPED;
    }
    return any ? XCD_OK : XCD_WARN_NOTHING_TO_DO;
}

class Extractor {
public:
    Extractor(const Options& o, zip_t* archive, Channel& channel)
        : o_(o), archive_(archive), channel_(channel), password_(o.password) {}

    int Run() {
        const zip_int64_t count = zip_get_num_entries(archive_, 0);
        if (count <= 0) return XCD_WARN_EMPTY;
        if (OpenTargetFolder(o_.target, root_) != 0) return XCD_ERR_ACCESS;
        FdCloser root_closer(root_);
        zip_int64_t first = 0, last = 0;
        Range(o_, count, first, last);
        bool any = false;
        for (zip_int64_t i = first; i <= last; ++i) {
            EntryRecord entry;
            if (!DescribeEntry(archive_, static_cast<zip_uint64_t>(i), entry)) {
                Worsen(result_, XCD_ERR_CORRUPT);
                continue;
            }
            if (!Selected(o_, entry)) continue;
            any = true;
            const int code = ExtractEntry(static_cast<zip_uint64_t>(i), entry);
            if (code != XCD_OK) return code;
        }
        if (!any) Worsen(result_, XCD_WARN_NOTHING_TO_DO);
        return result_;
    }

private:
    // XCD_OK to go on; any other value ends the whole extraction with that result.
    int Skip(const std::string& name, uint8_t reason) {
        XcdSkippingData data{name.c_str(), reason};
        Worsen(result_, XCD_WARN_SKIPPED);
        return channel_.Send(XCD_MSG_SKIPPING, &data) ? XCD_OK : XCD_ERR_STOPPED;
    }

    int ExtractEntry(zip_uint64_t index, EntryRecord& entry) {
        if (IsSymlinkEntry(archive_, index)) return Skip(entry.name, XCD_SKIP_SYMLINK);
        // A cut name would be some other file's name.
        if (entry.name_cut) return Skip(entry.name, XCD_SKIP_CANNOT_WRITE);
        EntryPath path = SplitEntryName(entry.name, o_.junk_paths);
        if (path.skip_reason != 0) return Skip(entry.name, static_cast<uint8_t>(path.skip_reason));
        if (path.parts.empty()) return XCD_OK;
        if (path.directory || (entry.record.Attributes & XCD_ATTR_DIRECTORY) != 0) {
            if (o_.junk_paths) return XCD_OK;
            int fd = -1;
            const int reason = OpenFolderChain(root_, path.parts, path.parts.size(), fd);
            if (reason != 0) return Skip(entry.name, static_cast<uint8_t>(reason));
            close(fd);
            return XCD_OK;
        }
        return PlaceFile(index, entry, path, 0);
    }

    int PlaceFile(zip_uint64_t index, EntryRecord& entry, const EntryPath& path, int depth) {
        int folder = -1;
        const int reason = OpenFolderChain(root_, path.parts, path.parts.size() - 1, folder);
        if (reason != 0) return Skip(entry.name, static_cast<uint8_t>(reason));
        FdCloser folder_closer(folder);
        const std::string& leaf = path.parts.back();

        struct stat st;
        const bool exists = fstatat(folder, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        if (exists && S_ISLNK(st.st_mode)) return Skip(entry.name, XCD_SKIP_SYMLINK);
        if (exists && !S_ISREG(st.st_mode)) return Skip(entry.name, XCD_SKIP_CANNOT_WRITE);
        if (!exists && o_.mode == Mode::Freshen) return XCD_OK;
        if (exists) {
            if (o_.mode != Mode::Extract) {
                uint16_t file_date = 0, file_time = 0;
                ToDos(st.st_mtime, file_date, file_time);
                const uint32_t file_stamp = (uint32_t{file_date} << 16) | file_time;
                const uint32_t entry_stamp = (uint32_t{entry.record.DosDate} << 16) | entry.record.DosTime;
                if (entry_stamp <= file_stamp) return XCD_OK;
            }
            Overwrite policy = o_.overwrite;
            if (policy == Overwrite::Ask) policy = sticky_;
            if (policy == Overwrite::Never) return XCD_OK;
            if (policy == Overwrite::Ask) {
                char new_name[XCD_NAME_SIZE] = {0};
                XcdReplaceData data{entry.name.c_str(), new_name, XCD_REPLACE_NO};
                if (!channel_.Send(XCD_MSG_REPLACE, &data)) return XCD_ERR_STOPPED;
                const std::string renamed = ReadBounded(new_name, sizeof new_name, sizeof new_name - 1);
                switch (data.Answer) {
                    case XCD_REPLACE_YES: break;
                    case XCD_REPLACE_ALL: sticky_ = Overwrite::Always; break;
                    case XCD_REPLACE_NONE: sticky_ = Overwrite::Never; return XCD_OK;
                    case XCD_REPLACE_CANCEL: return XCD_ERR_STOPPED;
                    default: return XCD_OK;
                }
                if (!renamed.empty() && depth == 0) {
                    // The new name is placed under the same rules as an entry name.
                    EntryPath other = SplitEntryName(renamed, false);
                    if (other.skip_reason != 0) return Skip(renamed, static_cast<uint8_t>(other.skip_reason));
                    if (other.parts.empty() || other.directory) return XCD_OK;
                    return PlaceFile(index, entry, other, depth + 1);
                }
            }
        }
        if (!channel_.Send(XCD_MSG_EXTRACTING, &entry.record)) return XCD_ERR_STOPPED;
        return WriteFile(index, entry, folder, leaf);
    }

    // Opens the entry's data, asking for a password as long as the answers offer one.
    zip_file_t* OpenData(zip_uint64_t index, const EntryRecord& entry, int& tries, int& code) {
        code = XCD_OK;
        // libzip leaks when asked to open an entry whose methods it lacks; ask first.
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(archive_, index, 0, &st) != 0 ||
            ((st.valid & ZIP_STAT_COMP_METHOD) != 0 && !zip_compression_method_supported(st.comp_method, 0)) ||
            ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) != 0 && st.encryption_method != ZIP_EM_NONE &&
             !zip_encryption_method_supported(st.encryption_method, 0))) {
            code = Skip(entry.name, XCD_SKIP_UNSUPPORTED);
            return nullptr;
        }
        if (entry.record.Encrypted == 0) {
            zip_file_t* file = zip_fopen_index(archive_, index, 0);
            if (file == nullptr) code = Skip(entry.name, XCD_SKIP_UNSUPPORTED);
            return file;
        }
        while (true) {
            if (!password_.empty() && !tried_current_) {
                tried_current_ = true;
                zip_file_t* file = zip_fopen_index_encrypted(archive_, index, 0, password_.c_str());
                if (file != nullptr) return file;
                const int error = zip_error_code_zip(zip_get_error(archive_));
                zip_error_clear(archive_);
                if (error != ZIP_ER_WRONGPASSWD && error != ZIP_ER_NOPASSWD) {
                    code = Skip(entry.name, XCD_SKIP_UNSUPPORTED);
                    return nullptr;
                }
            }
            if (tries >= kPasswordTries) {
                code = Skip(entry.name, XCD_SKIP_PASSWORD);
                return nullptr;
            }
            ++tries;
            char buffer[XCD_PASSWORD_SIZE] = {0};
            XcdPasswordData data{entry.name.c_str(), buffer, XCD_PASSWORD_GIVE_UP};
            if (!channel_.Send(XCD_MSG_PASSWORD, &data)) {
                code = XCD_ERR_STOPPED;
                return nullptr;
            }
            const std::string offered = ReadBounded(buffer, sizeof buffer, sizeof buffer - 1);
            if (data.Answer == XCD_PASSWORD_GIVE_UP || offered.empty()) {
                code = Skip(entry.name, XCD_SKIP_PASSWORD);
                return nullptr;
            }
            password_ = offered;
            tried_current_ = false;
        }
    }

    int WriteFile(zip_uint64_t index, EntryRecord& entry, int folder, const std::string& leaf) {
        int tries = 0;
        tried_current_ = false;
        while (true) {
            int code = XCD_OK;
            zip_file_t* file = OpenData(index, entry, tries, code);
            if (file == nullptr) return code;
            const std::string temp = TempName();
            const int fd = openat(folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
            if (fd < 0) {
                zip_fclose(file);
                return errno == ENOSPC ? XCD_ERR_DISK_FULL : Skip(entry.name, XCD_SKIP_CANNOT_WRITE);
            }
            const Copy copied = CopyData(file, fd, entry);
            zip_fclose(file);
            if (copied == Copy::Done) {
                FinishFile(index, entry, fd);
                close(fd);
                if (renameat(folder, temp.c_str(), folder, leaf.c_str()) == 0) return XCD_OK;
                unlinkat(folder, temp.c_str(), 0);
                return Skip(entry.name, XCD_SKIP_CANNOT_WRITE);
            }
            close(fd);
            unlinkat(folder, temp.c_str(), 0);
            switch (copied) {
                case Copy::Stopped: return XCD_ERR_STOPPED;
                case Copy::DiskFull: return XCD_ERR_DISK_FULL;
                case Copy::WriteFailed: return Skip(entry.name, XCD_SKIP_CANNOT_WRITE);
                case Copy::BadData:
                    // A wrong password can pass the one-byte check and show up as a bad CRC only.
                    if (entry.record.Encrypted != 0) continue;
                    Worsen(result_, XCD_ERR_INCONSISTENT);
                    return Skip(entry.name, XCD_SKIP_CANNOT_READ);
                case Copy::Done: break;
            }
            return XCD_OK;
        }
    }

    enum class Copy { Done, Stopped, DiskFull, WriteFailed, BadData };

    Copy CopyData(zip_file_t* file, int fd, EntryRecord& entry) {
        std::vector<char> buffer(kChunk);
        uint64_t done = 0, next_status = kStatusStep;
        while (true) {
            const zip_int64_t n = zip_fread(file, buffer.data(), buffer.size());
            if (n < 0) return Copy::BadData;
            if (n == 0) return Copy::Done;
            for (zip_int64_t written = 0; written < n;) {
                const ssize_t w = write(fd, buffer.data() + written, static_cast<std::size_t>(n - written));
                if (w < 0) {
                    if (errno == EINTR) continue;
                    return errno == ENOSPC || errno == EDQUOT ? Copy::DiskFull : Copy::WriteFailed;
                }
                written += w;
            }
            done += static_cast<uint64_t>(n);
            if (done >= next_status) {
                next_status = done + kStatusStep;
                XcdFileRecord status = entry.record;
                status.BytesProcessed = Clamp32(done);
                status.Percent = entry.record.Size == 0 ? 100
                                                        : static_cast<uint8_t>(std::min<uint64_t>(100, done * 100 / entry.record.Size));
                if (!channel_.Send(XCD_MSG_STATUS, &status)) return Copy::Stopped;
            }
        }
    }

    void FinishFile(zip_uint64_t index, const EntryRecord& entry, int fd) {
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        mode_t mode = 0644;
        if (zip_file_get_external_attributes(archive_, index, 0, &opsys, &attributes) == 0 && opsys == ZIP_OPSYS_UNIX &&
            (attributes >> 16) != 0)
            mode = static_cast<mode_t>((attributes >> 16) & 0755);  // never set-id bits or group/other write
        else if ((entry.record.Attributes & XCD_ATTR_READONLY) != 0)
            mode = 0444;
        zip_stat_t st;
        zip_stat_init(&st);
        bool ok = fchmod(fd, mode | S_IRUSR) == 0;
        if (zip_stat_index(archive_, index, 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME) != 0) {
            const struct timespec times[2] = {{st.mtime, 0}, {st.mtime, 0}};
            ok = futimens(fd, times) == 0 && ok;
        }
        if (!ok) Worsen(result_, XCD_WARN_ENTRY);
    }

    std::string TempName() {
        static thread_local std::mt19937 random{std::random_device{}()};
        return ".xcdunz-" + std::to_string(random()) + ".tmp";
    }

    const Options& o_;
    zip_t* archive_;
    Channel& channel_;
    std::string password_;
    bool tried_current_ = false;
    Overwrite sticky_ = Overwrite::Ask;
    int root_ = -1;
    int result_ = XCD_OK;
};

int Run(int32_t version, int32_t argc, char** argv, XcdCallback callback, void* component) {
    if (version != XCD_PROTOCOL_VERSION || argc < 1 || argv == nullptr) return XCD_ERR_BAD_ARGUMENTS;
    Channel channel(callback, component);
    if (argc == 1) return RunInfo(argc, argv, channel);
    Options o;
    const int parsed = ParseOptions(argc, argv, o);
    if (parsed != XCD_OK) return parsed;
    zip_t* archive = nullptr;
    const int opened = OpenArchive(o.archive, archive);
    if (opened != XCD_OK) return opened;
    ArchiveCloser closer(archive);
    if (o.list) return RunList(o, archive, channel);
    Extractor extractor(o, archive, channel);
    return extractor.Run();
}

}  // namespace
}  // namespace corvane::zipdll

extern "C" __attribute__((visibility("default"))) int32_t xcdunzip(int32_t version, int32_t argc, char** argv,
                                                                  XcdCallback callback, void* component) {
    return corvane::zipdll::GuardedEntry([&] { return corvane::zipdll::Run(version, argc, argv, callback, component); });
}
