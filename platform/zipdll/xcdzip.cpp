// libxcdzip32.so: add, freshen, update and delete over libzip.
//
// Vector: password, switches, archive, then file specs. After the archive "-W" starts the specs,
// "-i" turns the specs that follow into inclusions and "-x" into exclusions. With "-E" (delete
// only) every item after the archive is an exact entry name. libzip writes every
// change to a temporary file and renames it over the archive (here through a work folder whose
// name marks it as ours, work_path.h), so a failed or stopped call leaves the archive as it was.
// With "-g" a plain add appends in place instead, new names and replacements alike
// (zip_appender.h), which keeps the same promise through its journal; the rewrite still comes
// when replacements have left as much dead space as live data, and drops it all.
//
// File specs are read against the working folder, or against the base folder the caller set for
// its thread with xcdzip_set_base_folder; below a base folder no spec or link can reach outside it.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/rtl/dot_segments.h"
#include "platform/zipdll/spec_folder.h"
#include "platform/zipdll/utf8_flag_repair.h"
#include "platform/zipdll/work_path.h"
#include "platform/zipdll/zip_appender.h"
#include "platform/zipdll/zip_journal.h"
#include "platform/zipdll/zipdll_common.h"

namespace corvane::zipdll {
namespace {

// A plain buffer: a thread-local with a destructor would outlive the module once it is unloaded.
thread_local char baseFolder[XCD_NAME_SIZE];

enum class Mode { Add, Freshen, Update, Delete };

struct Options {
    std::string password;
    Mode mode = Mode::Add;
    bool encrypt = false;
    int level = 6;
    bool move = false;
    bool hidden = false;
    bool directories = false;
    bool recurse = false;
    bool junk_paths = false;
    bool unsupported = false;
    bool in_place = false;
    std::time_t since = 0;
    std::vector<std::string> stored_suffixes;
    std::string archive;
    std::string base_folder;
    std::vector<std::string> specs;
    std::vector<std::string> includes;
    std::vector<std::string> excludes;
    bool exact = false;
    std::unordered_set<std::string> exact_names;
};

int ParseOptions(int argc, char** argv, Options& o) {
    o.password = argv[0] != nullptr ? argv[0] : "";
    int i = 1;
    auto next = [&](std::string& out) {
        if (++i >= argc || argv[i] == nullptr) return false;
        out = argv[i];
        return true;
    };
    for (; i < argc; ++i) {
        if (argv[i] == nullptr) return XCD_ERR_BAD_ARGUMENTS;
        const std::string_view a = argv[i];
        if (a.empty() || a[0] != '-') break;
        std::string value;
        if (a == "-f") o.mode = Mode::Freshen;
        else if (a == "-u") o.mode = Mode::Update;
        else if (a == "-d") o.mode = Mode::Delete;
        else if (a == "-E") o.exact = true;
        else if (a == "-e") o.encrypt = true;
        else if (a.size() == 2 && a[1] >= '0' && a[1] <= '9') o.level = a[1] - '0';
        else if (a == "-m") o.move = true;
        else if (a == "-S") o.hidden = true;
        else if (a == "-D") o.directories = true;
        else if (a == "-r") o.recurse = true;
        else if (a == "-j") o.junk_paths = true;
        else if (a == "-g") o.in_place = true;
        else if (a == "-&") {
            // There are no disks to clear.
        } else if (a == "-M" || a == "-$" || a == "-!") {
            o.unsupported = true;
        } else if (a == "-X") {
            std::string ignored;
            if (!next(ignored) || !next(ignored) || !next(ignored)) return XCD_ERR_BAD_ARGUMENTS;
            o.unsupported = true;
        } else if (a == "-b") {
            // The temporary archive always goes beside the archive, so the rename cannot cross devices.
            if (!next(value)) return XCD_ERR_BAD_ARGUMENTS;
        } else if (a == "-n") {
            if (!next(value)) return XCD_ERR_BAD_ARGUMENTS;
            for (std::string& s : SplitList(value, ';'))
                for (std::string& t : SplitList(s, ':')) o.stored_suffixes.push_back(t);
        } else if (a == "-t") {
            if (!next(value)) return XCD_ERR_BAD_ARGUMENTS;
            o.since = ParseDdMmYyyy(value);
            if (o.since == 0) return XCD_ERR_BAD_ARGUMENTS;
        } else {
            return XCD_ERR_BAD_ARGUMENTS;
        }
    }
    if (i >= argc) return XCD_ERR_BAD_ARGUMENTS;
    o.archive = argv[i++];
    if (o.exact) {
        // Exact names are entry names, which only a delete takes; "-x" may be one of them.
        if (o.mode != Mode::Delete) return XCD_ERR_BAD_ARGUMENTS;
        for (; i < argc; ++i) {
            if (argv[i] == nullptr) return XCD_ERR_BAD_ARGUMENTS;
            if (argv[i][0] != '\0') o.exact_names.emplace(argv[i]);
        }
        return o.archive.empty() ? XCD_ERR_BAD_ARGUMENTS : XCD_OK;
    }
    std::vector<std::string>* list = &o.specs;
    for (; i < argc; ++i) {
        if (argv[i] == nullptr) return XCD_ERR_BAD_ARGUMENTS;
        const std::string_view a = argv[i];
        if (a == "-W") list = &o.specs;
        else if (a == "-i") list = &o.includes;
        else if (a == "-x") list = &o.excludes;
        else if (!a.empty()) list->emplace_back(a);
    }
    if (o.archive.empty()) return XCD_ERR_BAD_ARGUMENTS;
    return o.unsupported ? XCD_ERR_UNSUPPORTED : XCD_OK;
}

bool Filtered(const Options& o, const std::string& name) {
    if (!o.includes.empty()) {
        bool included = false;
        for (const std::string& spec : o.includes)
            if (MatchSpec(spec, name)) {
                included = true;
                break;
            }
        if (!included) return false;
    }
    for (const std::string& spec : o.excludes)
        if (MatchSpec(spec, name)) return false;
    return true;
}

// The entry name of a path on disk: "/" separators, no leading "/", no "." or ".." components.
std::string EntryName(const std::string& path, bool junk_paths, bool directory) {
    std::vector<std::string> parts;
    SplitDotSegments(SlashSeparators(path), {ParentSegment::Drop}, parts);
    if (parts.empty()) return {};
    if (junk_paths) return directory ? std::string() : parts.back();
    std::string name;
    for (const std::string& part : parts) name += (name.empty() ? "" : "/") + part;
    return directory ? name + "/" : name;
}

struct Candidate {
    std::string path;  // on disk
    std::string name;  // in the archive
    struct stat st;
};

class Adder {
public:
    Adder(const Options& o, Channel& channel) : o_(o), channel_(channel) {}

    int Run() {
        if (!o_.base_folder.empty() && !folder_.SetBase(o_.base_folder)) return XCD_ERR_ACCESS;
        struct stat archive_st;
        const bool archive_exists = stat(o_.archive.c_str(), &archive_st) == 0;
        if (!archive_exists && errno != ENOENT) return XCD_ERR_ACCESS;
        if (!archive_exists && (o_.mode == Mode::Freshen || o_.mode == Mode::Delete)) return XCD_ERR_NOT_FOUND;
        if (archive_exists) {
            if (!S_ISREG(archive_st.st_mode)) return XCD_ERR_ACCESS;
            archive_dev_ = archive_st.st_dev;
            archive_ino_ = archive_st.st_ino;
            const int fd = open(o_.archive.c_str(), O_RDWR | O_CLOEXEC);
            if (fd < 0) return XCD_ERR_ACCESS;
            close(fd);
        }
        if (archive_exists && !RecoverArchive(o_.archive)) return XCD_ERR_ACCESS;
        if (archive_exists && o_.in_place && o_.mode == Mode::Add && !o_.encrypt && o_.password.empty()) {
            const int appended = Append();
            if (appended != kNotAppendable) return appended;
        }
        int error = 0;
        work_ = std::make_unique<ArchiveWorkPath>(o_.archive);
        // An empty file is an archive without entries: the capture tool claims a new archive's
        // name that way.
        const bool empty = archive_exists && archive_st.st_size == 0 && o_.mode != Mode::Delete;
        archive_ = zip_open(work_->Path().c_str(), ZIP_CREATE | (empty ? ZIP_TRUNCATE : 0), &error);
        if (archive_ == nullptr) return OpenResult(error, errno);
        const int code = o_.mode == Mode::Delete ? Delete() : Add();
        if (code != XCD_OK && code != XCD_WARN_SKIPPED) {
            zip_discard(archive_);
            return code;
        }
        return Close(code);
    }

private:
    int Skip(const std::string& name, uint8_t reason) {
        XcdSkippingData data{name.c_str(), reason};
        Worsen(result_, XCD_WARN_SKIPPED);
        return channel_.Send(XCD_MSG_SKIPPING, &data) ? XCD_OK : XCD_ERR_STOPPED;
    }

    // True when the entry is one to delete.
    bool Deleting(const char* raw, const std::string& name) const {
        if (o_.exact) return std::strlen(raw) < XCD_NAME_SIZE && o_.exact_names.count(name) != 0;
        for (const std::string& spec : o_.specs)
            if (MatchSpec(spec, name)) return Filtered(o_, name);
        return false;
    }

    int Delete() {
        if (o_.specs.empty() && o_.exact_names.empty()) return XCD_WARN_NOTHING_TO_DO;
        const zip_int64_t count = zip_get_num_entries(archive_, 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* raw = zip_get_name(archive_, static_cast<zip_uint64_t>(i), 0);
            if (raw == nullptr) continue;
            const std::string name(raw, strnlen(raw, XCD_NAME_SIZE - 1));
            if (!Deleting(raw, name)) continue;
            if (!channel_.Send(XCD_MSG_DELETING, const_cast<char*>(name.c_str()))) return XCD_ERR_STOPPED;
            if (zip_delete(archive_, static_cast<zip_uint64_t>(i)) != 0) return XCD_ERR_CORRUPT;
            ++changes_;
        }
        return changes_ == 0 ? XCD_WARN_NOTHING_TO_DO : result_;
    }

    int Add() {
        std::vector<std::string> specs = o_.specs;
        if (specs.empty() && o_.mode == Mode::Freshen) {
            const zip_int64_t count = zip_get_num_entries(archive_, 0);
            for (zip_int64_t i = 0; i < count; ++i) {
                const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), 0);
                if (name != nullptr && name[0] != '\0' && name[std::strlen(name) - 1] != '/') specs.emplace_back(name);
            }
        }
        const int collected = CollectAll(specs);
        if (collected != XCD_OK) return collected;
        if (o_.encrypt) {
            const int code = AskPassword();
            if (code != XCD_OK) return code;
        }
        std::set<std::string> done;
        for (const Candidate& c : candidates_) {
            if (!done.insert(c.name).second) continue;
            const int code = AddOne(c);
            if (code != XCD_OK) return code;
        }
        if (changes_ == 0 && result_ == XCD_OK) return XCD_WARN_NOTHING_TO_DO;
        return result_;
    }

    // Once per call: an append that falls back to libzip has collected already.
    int CollectAll(const std::vector<std::string>& specs) {
        if (collected_) return XCD_OK;
        collected_ = true;
        for (const std::string& spec : specs) {
            const int code = Collect(spec);
            if (code != XCD_OK) return code;
        }
        // Dropping the paths must not make two files one entry.
        std::map<std::string, std::string> seen;
        for (const Candidate& c : candidates_) {
            const auto [it, inserted] = seen.emplace(c.name, c.path);
            if (!inserted && it->second != c.path) return XCD_ERR_NAMES_REPEATED;
        }
        return XCD_OK;
    }

    // New names, and files replacing entries of their name, into an archive we can append to;
    // kNotAppendable leaves it to libzip, whose rewrite also drops the dead space replacements left.
    int Append() {
        const int collected = CollectAll(o_.specs);
        if (collected != XCD_OK) return collected;
        if (candidates_.empty()) return result_ == XCD_OK ? XCD_WARN_NOTHING_TO_DO : result_;
        ZipAppender appender(o_.archive);
        const int opened = appender.Open();
        if (opened != XCD_OK) return opened;
        std::vector<std::string> folders, files;
        for (const Candidate& c : candidates_) {
            if (S_ISDIR(c.st.st_mode)) {
                folders.push_back(c.name);
                folders.push_back(c.name.substr(0, c.name.size() - 1));
            } else {
                files.push_back(c.name);
            }
        }
        // A folder entry already there only has its details changed, which the rewrite does.
        if (appender.HoldsAny(folders)) return kNotAppendable;
        const std::map<std::string, std::size_t> replaced = appender.FindRecords(files);
        std::vector<std::size_t> records;
        for (const auto& entry : replaced) records.push_back(entry.second);
        if (!records.empty() && appender.ShouldCompact(records)) return kNotAppendable;
        std::set<std::string> done;
        for (const Candidate& c : candidates_) {
            if (!done.insert(c.name).second) continue;
            const auto it = replaced.find(c.name);
            const int code = AppendOne(appender, c, it == replaced.end() ? kNoRecord : it->second);
            if (code != XCD_OK) return code;
        }
        if (changes_ == 0) return result_ == XCD_OK ? XCD_WARN_NOTHING_TO_DO : result_;
        const int finished = appender.Finish();
        if (finished != XCD_OK) return finished;
        RemoveMoved();
        return result_;
    }

    int AppendOne(ZipAppender& appender, const Candidate& c, std::size_t replaces) {
        const bool directory = S_ISDIR(c.st.st_mode);
        const int fd = directory ? -1 : folder_.OpenFile(c.path);
        if (!directory && fd < 0) return Skip(c.path, XCD_SKIP_CANNOT_READ);
        struct Closer {
            int fd;
            ~Closer() {
                if (fd >= 0) close(fd);
            }
        } closer{fd};
        EntryRecord entry;
        std::string comment;
        const int announced = Announce(c, replaces != kNoRecord, entry, comment);
        if (announced != XCD_OK) return announced;
        AppendEntry e;
        e.name = c.name;
        e.comment = comment;
        e.dos_date = entry.record.DosDate;
        e.dos_time = entry.record.DosTime;
        e.external_attributes = (static_cast<uint32_t>(c.st.st_mode & 0xFFFF) << 16) | entry.record.Attributes;
        e.deflate = !Stored(c.name);
        e.level = o_.level;
        const int code = appender.Add(e, fd, channel_, replaces);
        if (code != XCD_OK) return code;
        if (!directory) moved_.push_back(c.path);
        ++changes_;
        return XCD_OK;
    }

    // The adding (or updating) message and the comment question for one file.
    int Announce(const Candidate& c, bool existing, EntryRecord& entry, std::string& text) {
        const bool directory = S_ISDIR(c.st.st_mode);
        entry.name = c.name;
        entry.record.Size = Clamp32(static_cast<uint64_t>(c.st.st_size));
        entry.record.Attributes = directory ? XCD_ATTR_DIRECTORY : XCD_ATTR_ARCHIVE;
        if ((c.st.st_mode & S_IWUSR) == 0) entry.record.Attributes |= XCD_ATTR_READONLY;
        ToDos(c.st.st_mtime, entry.record.DosDate, entry.record.DosTime);
        entry.record.Method = Stored(c.name) || directory ? 0 : 8;
        entry.record.Encrypted = encryption_password_.empty() ? 0 : 1;
        entry.Bind();
        if (!channel_.Send(existing ? XCD_MSG_UPDATING : XCD_MSG_ADDING, &entry.record)) return XCD_ERR_STOPPED;

        char comment[XCD_COMMENT_SIZE] = {0};
        XcdFileCommentData comment_data{c.name.c_str(), comment, 0};
        if (!channel_.Send(XCD_MSG_FILE_COMMENT, &comment_data)) return XCD_ERR_STOPPED;
        text = ReadBounded(comment, sizeof comment, comment_data.Length);
        return XCD_OK;
    }

    int AskPassword() {
        char buffer[XCD_PASSWORD_SIZE] = {0};
        XcdPasswordData data{o_.archive.c_str(), buffer, XCD_PASSWORD_GIVE_UP};
        if (!channel_.Send(XCD_MSG_PASSWORD, &data)) return XCD_ERR_STOPPED;
        const std::string offered = ReadBounded(buffer, sizeof buffer, sizeof buffer - 1);
        if (data.Answer != XCD_PASSWORD_GIVE_UP && !offered.empty()) encryption_password_ = offered;
        else encryption_password_ = o_.password.substr(0, XCD_PASSWORD_SIZE - 1);
        return encryption_password_.empty() ? XCD_ERR_BAD_ARGUMENTS : XCD_OK;
    }

    bool Hidden(const std::string& name) const { return !o_.hidden && !name.empty() && name[0] == '.'; }

    void Consider(const std::string& path, const struct stat& st) {
        const bool directory = S_ISDIR(st.st_mode);
        if (directory && !o_.directories) return;
        if (!directory && !S_ISREG(st.st_mode)) return;
        if (st.st_dev == archive_dev_ && st.st_ino == archive_ino_) return;
        if (!directory && o_.since != 0 && st.st_mtime < o_.since) return;
        const std::string name = EntryName(path, o_.junk_paths, directory);
        if (name.empty() || !Filtered(o_, name)) return;
        candidates_.push_back(Candidate{path, name, st});
    }

    // Walks a folder; pattern (when not empty) is matched against the path below base or the file name.
    int Walk(const std::string& base, const std::string& folder, const std::string& pattern, bool recurse, int depth) {
        if (depth > 64) return XCD_OK;
        DIR* dir = folder_.OpenDir(folder);
        if (dir == nullptr) return XCD_OK;
        std::vector<std::string> names;
        while (const dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            if (Hidden(name)) continue;
            const std::string path = folder.empty() ? name : (folder.back() == '/' ? folder + name : folder + "/" + name);
            struct stat st;
            if (!folder_.Stat(path, st, false)) continue;
            const std::string below = path.substr(base.empty() ? 0 : std::min(path.size(), base.size() + (base.back() == '/' ? 0 : 1)));
            const bool wanted = pattern.empty() || MatchSpec(pattern, below) || MatchSpec(pattern, name);
            if (S_ISLNK(st.st_mode)) {
                // Below a base folder links are never followed; elsewhere they are followed to
                // files only, since following them to folders could loop.
                if (folder_.Confined()) {
                    if (!wanted) continue;
                    const int code = Skip(path, XCD_SKIP_SYMLINK);
                    if (code != XCD_OK) return code;
                    continue;
                }
                if (!folder_.Stat(path, st, true) || !S_ISREG(st.st_mode)) continue;
            }
            if (S_ISDIR(st.st_mode)) {
                if (!recurse) continue;
                if (pattern.empty()) Consider(path, st);
                const int code = Walk(base, path, pattern, recurse, depth + 1);
                if (code != XCD_OK) return code;
            } else if (wanted) {
                Consider(path, st);
            }
        }
        return XCD_OK;
    }

    int Collect(const std::string& raw_spec) {
        const std::string spec = SlashSeparators(raw_spec);
        if (!folder_.Allowed(spec)) return Skip(raw_spec, XCD_SKIP_UNSAFE_PATH);
        if (HasWildcards(spec)) {
            const std::size_t wild = spec.find_first_of("*?");
            const std::size_t slash = spec.rfind('/', wild);
            const std::string base = slash == std::string::npos ? std::string() : spec.substr(0, slash == 0 ? 1 : slash);
            const std::string pattern = slash == std::string::npos ? spec : spec.substr(slash + 1);
            return Walk(base, base, pattern, o_.recurse, 0);
        }
        struct stat st;
        if (!folder_.Stat(spec, st, true)) return Skip(raw_spec, XCD_SKIP_NOT_FOUND);
        if (S_ISLNK(st.st_mode)) return Skip(raw_spec, XCD_SKIP_SYMLINK);
        if (S_ISDIR(st.st_mode)) {
            Consider(spec, st);
            return o_.recurse ? Walk(spec, spec, std::string(), true, 0) : XCD_OK;
        }
        if (!S_ISREG(st.st_mode)) return Skip(raw_spec, XCD_SKIP_CANNOT_READ);
        Consider(spec, st);
        return XCD_OK;
    }

    bool Stored(const std::string& name) const {
        if (o_.level == 0) return true;
        for (const std::string& suffix : o_.stored_suffixes)
            if (HasSuffixNoCase(name, suffix)) return true;
        return false;
    }

    int AddOne(const Candidate& c) {
        const bool directory = S_ISDIR(c.st.st_mode);
        zip_int64_t existing = zip_name_locate(archive_, c.name.c_str(), 0);
        if (existing < 0 && directory) existing = zip_name_locate(archive_, c.name.substr(0, c.name.size() - 1).c_str(), 0);
        if (existing < 0 && o_.mode == Mode::Freshen) return XCD_OK;
        if (existing >= 0 && o_.mode != Mode::Add) {
            if (directory) return XCD_OK;
            zip_stat_t st;
            zip_stat_init(&st);
            if (zip_stat_index(archive_, static_cast<zip_uint64_t>(existing), 0, &st) == 0 && (st.valid & ZIP_STAT_MTIME) != 0) {
                uint16_t d1 = 0, t1 = 0, d2 = 0, t2 = 0;
                ToDos(c.st.st_mtime, d1, t1);
                ToDos(st.mtime, d2, t2);
                if (((uint32_t{d1} << 16) | t1) <= ((uint32_t{d2} << 16) | t2)) return XCD_OK;
            }
        }
        if (!directory) {
            const int fd = folder_.OpenFile(c.path);
            if (fd < 0) return Skip(c.path, XCD_SKIP_CANNOT_READ);
            close(fd);
        }

        EntryRecord entry;
        std::string text;
        const int announced = Announce(c, existing >= 0, entry, text);
        if (announced != XCD_OK) return announced;

        // An empty answer keeps the comment an updated entry already has.
        auto setComment = [&](zip_uint64_t i) {
            return text.empty() ||
                   zip_file_set_comment(archive_, i, text.data(), static_cast<zip_uint16_t>(text.size()), 0) == 0;
        };
        bool commented = false;
        zip_uint64_t index = 0;
        if (directory) {
            if (existing >= 0) {
                index = static_cast<zip_uint64_t>(existing);
            } else {
                const zip_int64_t added = zip_dir_add(archive_, c.name.c_str(), ZIP_FL_ENC_GUESS);
                if (added < 0) return XCD_ERR_CORRUPT;
                index = static_cast<zip_uint64_t>(added);
            }
        } else {
            zip_source_t* source = folder_.Source(archive_, c.path, c.st);
            if (source == nullptr) return Skip(c.path, XCD_SKIP_CANNOT_READ);
            if (existing >= 0) {
                // libzip 1.7 frees the old comment of an entry whose data was replaced when a new
                // comment is set (the copy of its record shares the text), so the comment goes first.
                commented = true;
                if (!setComment(static_cast<zip_uint64_t>(existing)) ||
                    zip_file_replace(archive_, static_cast<zip_uint64_t>(existing), source, 0) != 0) {
                    zip_source_free(source);
                    return XCD_ERR_CORRUPT;
                }
                index = static_cast<zip_uint64_t>(existing);
            } else {
                const zip_int64_t added = zip_file_add(archive_, c.name.c_str(), source, ZIP_FL_ENC_GUESS);
                if (added < 0) {
                    zip_source_free(source);
                    return XCD_ERR_CORRUPT;
                }
                index = static_cast<zip_uint64_t>(added);
            }
        }
        if (!commented && !setComment(index)) return XCD_ERR_CORRUPT;
        if (!directory) {
            const bool stored = Stored(c.name);
            zip_set_file_compression(archive_, index, stored ? ZIP_CM_STORE : ZIP_CM_DEFLATE,
                                     stored ? 0 : static_cast<zip_uint32_t>(o_.level));
            if (!encryption_password_.empty() &&
                zip_file_set_encryption(archive_, index, ZIP_EM_TRAD_PKWARE, encryption_password_.c_str()) != 0)
                return XCD_ERR_ACCESS;
            moved_.push_back(c.path);
        }
        zip_file_set_mtime(archive_, index, c.st.st_mtime, 0);
        const zip_uint32_t dos_attributes = entry.record.Attributes;
        zip_file_set_external_attributes(archive_, index, 0, ZIP_OPSYS_UNIX,
                                         (static_cast<zip_uint32_t>(c.st.st_mode & 0xFFFF) << 16) | dos_attributes);
        ++changes_;
        return XCD_OK;
    }

    static void Progress(zip_t*, double done, void* self) {
        auto* adder = static_cast<Adder*>(self);
        XcdFileRecord status{};
        status.Name = adder->o_.archive.c_str();
        status.Comment = "";
        status.Size = 100;
        status.Percent = static_cast<uint8_t>(std::clamp(done * 100.0, 0.0, 100.0));
        status.BytesProcessed = status.Percent;
        adder->channel_.Send(XCD_MSG_STATUS, &status);
    }

    static int Cancel(zip_t*, void* self) { return static_cast<Adder*>(self)->channel_.Stopped() ? 1 : 0; }

    int Close(int code) {
        zip_register_progress_callback_with_state(archive_, 0.01, &Adder::Progress, nullptr, this);
        zip_register_cancel_callback_with_state(archive_, &Adder::Cancel, nullptr, this);
        if (zip_close(archive_) != 0) {
            const int failure = channel_.Stopped() ? XCD_ERR_STOPPED : WriteResult(zip_get_error(archive_));
            zip_discard(archive_);
            return failure;
        }
        if (channel_.Stopped()) return XCD_ERR_STOPPED;
        if (!work_->Commit()) return XCD_ERR_ACCESS;
        // libzip deletes an archive left empty; one that is there gets its name flags put right.
        struct stat st {};
        if (lstat(o_.archive.c_str(), &st) == 0 && !ClearFalseUtf8Flags(o_.archive)) return XCD_ERR_ACCESS;
        RemoveMoved();
        return code;
    }

    void RemoveMoved() {
        if (!o_.move) return;
        for (const std::string& path : moved_) folder_.Remove(path, false);
        // Folders that the move emptied go too, deepest first.
        std::vector<std::string> folders;
        for (const Candidate& c : candidates_)
            if (S_ISDIR(c.st.st_mode)) folders.push_back(c.path);
        std::sort(folders.rbegin(), folders.rend());
        for (const std::string& folder : folders) folder_.Remove(folder, true);
    }

    const Options& o_;
    Channel& channel_;
    SpecFolder folder_;
    std::unique_ptr<ArchiveWorkPath> work_;  // outlives archive_: libzip's temporary file is in it
    zip_t* archive_ = nullptr;
    dev_t archive_dev_ = 0;
    ino_t archive_ino_ = 0;
    std::vector<Candidate> candidates_;
    std::vector<std::string> moved_;
    std::string encryption_password_;
    bool collected_ = false;
    int changes_ = 0;
    int result_ = XCD_OK;
};

int Run(int32_t version, int32_t argc, char** argv, XcdCallback callback, void* component) {
    if (version != XCD_PROTOCOL_VERSION || argc < 2 || argv == nullptr) return XCD_ERR_BAD_ARGUMENTS;
    Options o;
    // Read once: a call made meanwhile on this thread (the callback may run one) cannot move it.
    o.base_folder = baseFolder;
    const int parsed = ParseOptions(argc, argv, o);
    if (parsed != XCD_OK) return parsed;
    Channel channel(callback, component);
    Adder adder(o, channel);
    return adder.Run();
}

}  // namespace
}  // namespace corvane::zipdll

extern "C" __attribute__((visibility("default"))) int32_t xcdzip(int32_t version, int32_t argc, char** argv,
                                                                XcdCallback callback, void* component) {
    return corvane::zipdll::GuardedEntry([&] { return corvane::zipdll::Run(version, argc, argv, callback, component); });
}

extern "C" __attribute__((visibility("default"))) int32_t xcdzip_set_base_folder(const char* folder) {
    const std::size_t length = folder == nullptr ? 0 : strnlen(folder, XCD_NAME_SIZE);
    if (length >= XCD_NAME_SIZE) return XCD_ERR_BAD_ARGUMENTS;
    if (length > 0) std::memcpy(corvane::zipdll::baseFolder, folder, length);
    corvane::zipdll::baseFolder[length] = '\0';
    return XCD_OK;
}
