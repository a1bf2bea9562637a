#include "shell/ns/file_op_engine.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "shell/ns/fd_ops.h"
#include "shell/ns/shell_paths.h"
#include "shell/ns/shell_ui.h"
#include "shell/ns/trash.h"
#include "shell/ns/unique_fd.h"

namespace corvane::shell {

namespace {

constexpr int kDirOpen = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string ReplaceArg(std::string text, const std::string& arg) {
    const std::size_t at = text.find("%1");
    if (at != std::string::npos) text.replace(at, 2, arg);
    return text;
}

std::string ErrnoText(int error) { return std::strerror(error); }

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// The names of a folder (without "." and ".."), sorted; false when it cannot be read.
bool ListNames(int dirFd, std::vector<std::string>& names) {
    const int copy = ::dup(dirFd);
    if (copy < 0) return false;
    DIR* dir = ::fdopendir(copy);
    if (dir == nullptr) {
        ::close(copy);
        return false;
    }
    ::rewinddir(dir);
    while (const dirent* ent = ::readdir(dir)) {
        const std::string name = ent->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}

// "a.txt", 2 -> "a (2).txt"; the extension of a dot-file or a folder-like name stays part of the stem.

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string LastPart(const std::string& path) { return path.substr(path.rfind('/') + 1); }

std::string RealPath(const std::string& path) {
    char buffer[PATH_MAX];
    return ::realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
}

class FileOpRun {
public:
    explicit FileOpRun(const FileOpRequest& request) : req_(request), ui_(ShellUi()) {}

    FileOpResult Run() {
        std::vector<std::string> items;
        std::vector<std::string> targets;
        if (!Prepare(items, targets)) return Finish();
        items_ = &items;
        switch (req_.kind) {
        case FileOpKind::Delete:
            DeleteAll(items);
            break;
        case FileOpKind::Rename:
            for (std::size_t i = 0; i < items.size() && !aborted_; ++i) RenameOne(items[i], targets[i]);
            break;
        case FileOpKind::Copy:
        case FileOpKind::Move:
            for (std::size_t i = 0; i < items.size() && !aborted_; ++i) TransferOne(items[i], targets[i]);
            break;
        }
        return Finish();
    }

private:
    bool Has(std::uint16_t flag) const { return (req_.flags & flag) != 0; }
    bool IsPattern(const std::string& source) const { return req_.patterns && HasWildcard(LastPart(source)); }
    bool Confirming() const { return !Has(fof::NoConfirmation); }

    void Fail(const std::string& text) { errors_.push_back(text); }

    FileOpResult Finish() {
        if (progressShown_) ui_.ProgressEnd();
        if (!errors_.empty() && !aborted_) {
            std::string text = errors_.front();
            if (errors_.size() > 1) text += "\n(and " + std::to_string(errors_.size() - 1) + " more)";
            ui_.Warn(req_.parent, text);
        }
        FileOpResult result;
        result.aborted = aborted_ || skipped_;
        result.ok = errors_.empty() && !aborted_;
        result.errors = errors_;
        return result;
    }

    ShellAnswer Ask(const std::string& text, ShellButtons buttons) {
        const ShellAnswer answer = ui_.Confirm(req_.parent, req_.progressTitle, text, buttons);
        if (answer == ShellAnswer::Cancel || answer == ShellAnswer::None) aborted_ = true;
        return answer;
    }

    // One step of progress; false once the user cancelled. The progress begins with the first step,
    // so a question asked before any work never has a progress window (or its show timer) over it.
    bool Step(const std::string& name) {
        if (aborted_) return false;
        if (!progressShown_ && !Has(fof::Silent) && items_ != nullptr) {
            ui_.ProgressBegin(req_.parent, req_.progressTitle, CountAll(*items_), Has(fof::SimpleProgress));
            progressShown_ = true;
        }
        if (progressShown_) {
            ui_.ProgressStep(done_, name);
            if (ui_.ProgressCancelled()) aborted_ = true;
        }
        ++done_;
        return !aborted_;
    }

    // ---- Sources and targets ----

    // An empty or relative path would act on the working folder; the root, mount points and the
    // home folder with its ancestors are never acted on as a whole.
    bool CheckSource(const std::string& path, std::string& normal) {
        std::vector<std::string> parts;
        if (path.empty() || !SplitAbsolutePath(path, parts)) {
            Fail("'" + path + "' is not an absolute path.");
            return false;
        }
        normal = JoinParts(parts);
        if (parts.empty()) {
            Fail("'/' cannot be a source.");
            return false;
        }
        const std::string home = HomeDir();
        if (normal == home || home.starts_with(normal + "/")) {
            Fail("'" + normal + "' holds the home folder.");
            return false;
        }
        struct stat st, up;
        if (::lstat(normal.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::stat(ParentOf(normal).c_str(), &up) == 0 &&
            up.st_dev != st.st_dev) {
            Fail("'" + normal + "' is a mount point.");
            return false;
        }
        return true;
    }

    // The items named by one source: itself, or the matches of a pattern in its last part.
    void Expand(const std::string& source, std::vector<std::string>& items) {
        std::string normal;
        if (!CheckSource(source, normal)) return;
        const std::string name = LastPart(normal);
        if (!IsPattern(normal)) {
            struct stat st;
            if (::lstat(normal.c_str(), &st) != 0) {
                Fail("'" + normal + "': " + ErrnoText(errno));
                return;
            }
            items.push_back(normal);
            return;
        }
        const std::string folder = ParentOf(normal);
        UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        std::vector<std::string> names;
        if (!dir.Ok() || !ListNames(dir.Get(), names)) {
            Fail("'" + folder + "': " + ErrnoText(errno));
            return;
        }
        for (const std::string& entry : names) {
            if (::fnmatch(name.c_str(), entry.c_str(), 0) != 0) continue;
            struct stat st;
            if (::fstatat(dir.Get(), entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            if (Has(fof::FilesOnly) && S_ISDIR(st.st_mode)) continue;
            std::string ignored;
            if (CheckSource(JoinPath(folder, entry), ignored)) items.push_back(JoinPath(folder, entry));
        }
    }

    bool Prepare(std::vector<std::string>& items, std::vector<std::string>& targets) {
        if (req_.sources.empty()) {
            Fail("No files were given.");
            return false;
        }
        const bool needDest = req_.kind != FileOpKind::Delete;
        if (needDest && req_.destinations.empty()) {
            Fail("No destination was given.");
            return false;
        }
        const bool perSource = req_.kind == FileOpKind::Rename ||
                               (Has(fof::MultiDestFiles) && req_.destinations.size() == req_.sources.size());
        if (perSource && req_.destinations.size() != req_.sources.size()) {
            Fail("Each name to rename needs one new name.");
            return false;
        }
        for (std::size_t i = 0; i < req_.sources.size(); ++i) {
            const std::size_t before = items.size();
            if (req_.kind == FileOpKind::Rename) {
                std::string normal;
                if (CheckSource(req_.sources[i], normal)) items.push_back(normal);
            } else {
                Expand(req_.sources[i], items);
            }
            if (!needDest) continue;
            const bool pattern = IsPattern(req_.sources[i]);
            for (std::size_t k = before; k < items.size(); ++k) {
                std::string target;
                if (!ResolveTarget(items[k], perSource ? req_.destinations[i] : req_.destinations.front(),
                                   perSource && !pattern, items.size() > 1 || req_.sources.size() > 1 || pattern,
                                   target)) {
                    if (aborted_) return false;
                    items.erase(items.begin() + static_cast<long>(k), items.end());
                    break;
                }
                targets.push_back(target);
            }
        }
        return !aborted_;
    }

    // The full target name of one item. exactName: the destination is the new name itself; several:
    // the destination is a folder even when it does not exist yet.
    bool ResolveTarget(const std::string& item, const std::string& destination, bool exactName, bool several,
                       std::string& target) {
        std::vector<std::string> parts;
        if (req_.kind == FileOpKind::Rename && destination.find('/') == std::string::npos && !destination.empty()) {
            parts.clear();
            SplitAbsolutePath(JoinPath(ParentOf(item), destination), parts);
        } else if (destination.empty() || !SplitAbsolutePath(destination, parts)) {
            Fail("'" + destination + "' is not an absolute path.");
            return false;
        }
        const std::string dest = JoinParts(parts);
        if (req_.kind == FileOpKind::Rename || exactName) {
            target = dest;
        } else {
            struct stat st;
            if (::stat(dest.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                target = JoinPath(dest, LastPart(item));
            } else if (!several && ::stat(ParentOf(dest).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
                target = dest;  // one item under a new name
            } else {
                if (!MakeFolder(several ? dest : ParentOf(dest))) return false;
                target = several ? JoinPath(dest, LastPart(item)) : dest;
            }
        }
        if (parts.empty() || target == "/") {
            Fail("'/' cannot be a target.");
            return false;
        }
        return true;
    }

    bool MakeFolder(const std::string& folder) {
        if (!Has(fof::NoConfirmMkDir) && Confirming() &&
            Ask(ReplaceArg("The folder '%1' does not exist. Create it?", folder), ShellAnswer::Yes | ShellAnswer::No) !=
                ShellAnswer::Yes) {
            aborted_ = true;
            return false;
        }
        std::vector<std::string> parts;
        SplitAbsolutePath(folder, parts);
        std::string path;
        for (const std::string& part : parts) {
            path = JoinPath(path.empty() ? "/" : path, part);
            if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
                Fail("Cannot create '" + path + "': " + ErrnoText(errno));
                return false;
            }
        }
        return true;
    }

    std::size_t CountTree(int dirFd, const std::string& name, int depth) {
        struct stat st;
        if (depth > 64 || ::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode))
            return 1;
        UniqueFd sub(::openat(dirFd, name.c_str(), kDirOpen));
        std::vector<std::string> names;
        if (!sub.Ok() || !ListNames(sub.Get(), names)) return 1;
        std::size_t count = 1;
        for (const std::string& child : names) count += CountTree(sub.Get(), child, depth + 1);
        return count;
    }

    std::size_t CountAll(const std::vector<std::string>& items) {
        if (req_.kind == FileOpKind::Rename || (req_.kind == FileOpKind::Delete && Has(fof::AllowUndo)))
            return items.size();
        std::size_t count = 0;
        for (const std::string& item : items) {
            UniqueFd dir(::open(ParentOf(item).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            count += dir.Ok() ? CountTree(dir.Get(), LastPart(item), 0) : 1;
        }
        return count;
    }

    // ---- Delete ----

    void DeleteAll(const std::vector<std::string>& items) {
        if (items.empty()) return;
        if (Has(fof::AllowUndo)) {
            if (Confirming()) {
                const std::string text =
                    items.size() == 1
                        ? ReplaceArg("Are you sure you want to move '%1' to the Trash?", LastPart(items.front()))
                        : ReplaceArg("Are you sure you want to move these %1 items to the Trash?",
                                     std::to_string(items.size()));
                if (Ask(text, ShellAnswer::Yes | ShellAnswer::No) != ShellAnswer::Yes) {
                    aborted_ = true;
                    return;
                }
            }
            for (const std::string& item : items) {
                if (!Step(item)) return;
                TrashOne(item);
                if (aborted_) return;
            }
            return;
        }
        bool all = !Confirming();
        for (const std::string& item : items) {
            if (!all) {
                const ShellButtons buttons = items.size() == 1
                                                 ? ShellAnswer::Yes | ShellAnswer::No
                                                 : ShellAnswer::Yes | ShellAnswer::YesToAll | ShellAnswer::No |
                                                       ShellAnswer::Cancel;
                const ShellAnswer answer =
                    Ask(ReplaceArg("Are you sure you want to permanently delete '%1'?", LastPart(item)), buttons);
                if (answer == ShellAnswer::No && items.size() == 1) aborted_ = true;
                if (aborted_) return;
                if (answer == ShellAnswer::No) continue;
                all = answer == ShellAnswer::YesToAll;
            }
            DeletePath(item);
            if (aborted_) return;
        }
    }

    // Never a silent permanent delete: without a trash the user decides, and with no one to ask the
    // item stays.
    void TrashOne(const std::string& item) {
        const TrashOutcome outcome = MoveToTrash(item);
        if (outcome.result == TrashResult::Trashed) return;
        if (!Confirming()) {
            Fail("'" + item + "' cannot be moved to the Trash: " + outcome.error);
            return;
        }
        const ShellAnswer answer =
            Ask(ReplaceArg("'%1' cannot be moved to the Trash. Delete it permanently?", LastPart(item)),
                ShellAnswer::Yes | ShellAnswer::No | ShellAnswer::Cancel);
        if (answer == ShellAnswer::Yes)
            DeletePath(item);
        else if (answer == ShellAnswer::No)
            Fail("'" + item + "' was kept: " + outcome.error);
    }

    void DeletePath(const std::string& item) {
        UniqueFd dir(::open(ParentOf(item).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat st;
        if (!dir.Ok() || ::fstatat(dir.Get(), LastPart(item).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            Fail("'" + item + "': " + ErrnoText(errno));
            return;
        }
        DeleteTree(dir.Get(), LastPart(item), item, st.st_dev);
    }

    // Removes one entry, a folder with its contents; a folder of another file system is not entered.
    // counted: each entry is a step of the progress (not so for the source of a finished move).
    bool DeleteTree(int dirFd, const std::string& name, const std::string& shown, dev_t device, bool counted = true) {
        if (counted && !Step(shown)) return false;
        struct stat st;
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            Fail("'" + shown + "': " + ErrnoText(errno));
            return false;
        }
        if (S_ISDIR(st.st_mode)) {
            if (st.st_dev != device) {
                Fail("'" + shown + "' is on another file system and was not entered.");
                return false;
            }
            UniqueFd sub(::openat(dirFd, name.c_str(), kDirOpen));
            std::vector<std::string> names;
            if (!sub.Ok() || !ListNames(sub.Get(), names)) {
                Fail("'" + shown + "': " + ErrnoText(errno));
                return false;
            }
            bool all = true;
            for (const std::string& child : names) {
                all = DeleteTree(sub.Get(), child, JoinPath(shown, child), device, counted) && all;
                if (aborted_) return false;
            }
            if (!all) return false;
        }
        if (::unlinkat(dirFd, name.c_str(), S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0) != 0) {
            Fail("Cannot delete '" + shown + "': " + ErrnoText(errno));
            return false;
        }
        return true;
    }

    // ---- Rename ----

    void RenameOne(const std::string& item, const std::string& target) {
        if (!Step(item)) return;
        UniqueFd from(::open(ParentOf(item).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        UniqueFd to(::open(ParentOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!from.Ok() || !to.Ok() ||
            RenameNoReplace(from.Get(), LastPart(item).c_str(), to.Get(), LastPart(target).c_str()) != 0)
            Fail("Cannot rename '" + item + "' to '" + LastPart(target) + "': " + ErrnoText(errno));
    }

    // ---- Copy and move ----

    enum class Collision { None, Replace, Merge, Skip, Fail };

    // What to do when the target name is taken; may change name (rename on collision).
    Collision OnCollision(int dstDir, std::string& name, const struct stat& source, const std::string& shown) {
        struct stat there;
        if (::fstatat(dstDir, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0) return Collision::None;
        if (there.st_dev == source.st_dev && there.st_ino == source.st_ino && !Has(fof::RenameOnCollision)) {
            Fail("'" + shown + "' cannot be copied or moved onto itself.");
            return Collision::Fail;
        }
        if (S_ISDIR(source.st_mode) && S_ISDIR(there.st_mode) && !Has(fof::RenameOnCollision))
            return Collision::Merge;
        if (Has(fof::RenameOnCollision)) {
            for (int n = 2; n < 100000; ++n) {
                const std::string candidate = CollisionName(name, n);
                if (::fstatat(dstDir, candidate.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0) {
                    name = candidate;
                    return Collision::None;
                }
            }
            Fail("No free name for '" + shown + "'.");
            return Collision::Fail;
        }
        if (S_ISDIR(source.st_mode) != S_ISDIR(there.st_mode)) {
            Fail("'" + shown + "' cannot replace an item of another kind.");
            return Collision::Fail;
        }
        if (!replaceAll_ && Confirming()) {
            const ShellAnswer answer = Ask(ReplaceArg("'%1' already exists. Replace it?", name),
                                           ShellAnswer::Yes | ShellAnswer::YesToAll | ShellAnswer::No |
                                               ShellAnswer::Cancel);
            if (aborted_) return Collision::Skip;
            if (answer == ShellAnswer::No) {
                skipped_ = true;
                return Collision::Skip;
            }
            replaceAll_ = answer == ShellAnswer::YesToAll;
        }
        return Collision::Replace;
    }

    void TransferOne(const std::string& item, const std::string& target) {
        UniqueFd src(::open(ParentOf(item).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        UniqueFd dst(::open(ParentOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat st;
        if (!src.Ok() || !dst.Ok() || ::fstatat(src.Get(), LastPart(item).c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            Fail("'" + item + "' -> '" + target + "': " + ErrnoText(errno));
            return;
        }
        if (S_ISDIR(st.st_mode)) {
            // A folder into itself or below it would never end.
            const std::string real = RealPath(item);
            const std::string into = RealPath(ParentOf(target));
            if (real.empty() || into.empty() || into == real || into.starts_with(real + "/")) {
                Fail("'" + item + "' cannot be copied or moved into itself.");
                return;
            }
        }
        if (req_.kind == FileOpKind::Copy)
            CopyEntry(src.Get(), LastPart(item), dst.Get(), LastPart(target), item);
        else
            MoveEntry(src.Get(), LastPart(item), dst.Get(), LastPart(target), item);
    }

    // Reads the source entry and settles a taken target name, then counts the step; false when the
    // entry is skipped, fails or the user cancelled.
    bool Settle(int srcDir, const std::string& name, int dstDir, std::string& target, const std::string& shown,
                struct stat& st, Collision& collision) {
        if (::fstatat(srcDir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            Fail("'" + shown + "': " + ErrnoText(errno));
            return false;
        }
        collision = OnCollision(dstDir, target, st, shown);
        if (collision == Collision::Skip || collision == Collision::Fail) return false;
        return Step(shown);
    }

    bool MoveEntry(int srcDir, const std::string& name, int dstDir, std::string target, const std::string& shown) {
        struct stat st;
        Collision collision = Collision::None;
        if (!Settle(srcDir, name, dstDir, target, shown, st, collision)) return false;
        if (collision == Collision::Merge) {
            UniqueFd from(::openat(srcDir, name.c_str(), kDirOpen));
            UniqueFd into(::openat(dstDir, target.c_str(), kDirOpen));
            std::vector<std::string> names;
            if (!from.Ok() || !into.Ok() || !ListNames(from.Get(), names)) {
                Fail("'" + shown + "': " + ErrnoText(errno));
                return false;
            }
            bool all = true;
            for (const std::string& child : names) {
                all = MoveEntry(from.Get(), child, into.Get(), child, JoinPath(shown, child)) && all;
                if (aborted_) return false;
            }
            if (all && ::unlinkat(srcDir, name.c_str(), AT_REMOVEDIR) != 0) all = false;
            return all;
        }
        const int moved = collision == Collision::Replace
                              ? ::renameat(srcDir, name.c_str(), dstDir, target.c_str())
                              : ::renameat2(srcDir, name.c_str(), dstDir, target.c_str(), RENAME_NOREPLACE);
        if (moved == 0) return true;
        if (errno != EXDEV) {
            Fail("Cannot move '" + shown + "': " + ErrnoText(errno));
            return false;
        }
        // Across file systems: a whole copy first; the source goes only after all of it arrived.
        if (!CopyResolved(srcDir, name, st, dstDir, target, collision == Collision::Replace, shown)) return false;
        return DeleteTree(srcDir, name, shown, st.st_dev, false);
    }

    bool CopyEntry(int srcDir, const std::string& name, int dstDir, std::string target, const std::string& shown) {
        struct stat st;
        Collision collision = Collision::None;
        if (!Settle(srcDir, name, dstDir, target, shown, st, collision)) return false;
        return CopyResolved(srcDir, name, st, dstDir, target, collision == Collision::Replace, shown);
    }

    // Copies one entry to a target whose collision is settled (replace: the target may be replaced;
    // a taken folder name is merged into).
    bool CopyResolved(int srcDir, const std::string& name, const struct stat& st, int dstDir, const std::string& target,
                      bool replace, const std::string& shown) {
        if (S_ISDIR(st.st_mode)) return CopyFolder(srcDir, name, st, dstDir, target, shown);
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
            Fail("'" + shown + "' is a special file and cannot be copied.");
            return false;
        }
        // Written aside under a name no captured file has, then put in place in one step.
        const std::string temp = "." + target + ":" + std::to_string(::getpid()) + ":" + std::to_string(++tempCounter_);
        const bool written = S_ISLNK(st.st_mode) ? CopyLink(srcDir, name, st, dstDir, temp, shown)
                                                 : CopyFile(srcDir, name, dstDir, temp, shown);
        if (!written) {
            ::unlinkat(dstDir, temp.c_str(), 0);
            return false;
        }
        const int placed = replace ? ::renameat(dstDir, temp.c_str(), dstDir, target.c_str())
                                   : RenameNoReplace(dstDir, temp.c_str(), dstDir, target.c_str());
        if (placed != 0) {
            Fail("Cannot write '" + target + "': " + ErrnoText(errno));
            ::unlinkat(dstDir, temp.c_str(), 0);
            return false;
        }
        return true;
    }

    bool CopyFolder(int srcDir, const std::string& name, const struct stat& st, int dstDir, const std::string& target,
                    const std::string& shown) {
        const bool made = ::mkdirat(dstDir, target.c_str(), 0700) == 0;
        if (!made && errno != EEXIST) {
            Fail("Cannot create '" + target + "': " + ErrnoText(errno));
            return false;
        }
        UniqueFd from(::openat(srcDir, name.c_str(), kDirOpen));
        // A link planted where the folder goes is refused here: nothing is written through it.
        UniqueFd into(::openat(dstDir, target.c_str(), kDirOpen));
        std::vector<std::string> names;
        if (!from.Ok() || !into.Ok() || !ListNames(from.Get(), names)) {
            Fail("'" + shown + "' -> '" + target + "': " + ErrnoText(errno));
            return false;
        }
        bool all = true;
        for (const std::string& child : names) {
            all = CopyEntry(from.Get(), child, into.Get(), child, JoinPath(shown, child)) && all;
            if (aborted_) return false;
        }
        if (made) {
            ::fchmod(into.Get(), st.st_mode & 01777);
            const struct timespec times[2] = {st.st_atim, st.st_mtim};
            ::futimens(into.Get(), times);
        }
        return all;
    }

    bool CopyFile(int srcDir, const std::string& name, int dstDir, const std::string& temp, const std::string& shown) {
        UniqueFd in(::openat(srcDir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
        struct stat st;
        if (!in.Ok() || ::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
            Fail("Cannot read '" + shown + "'.");
            return false;
        }
        UniqueFd out(::openat(dstDir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!out.Ok()) {
            Fail("Cannot write beside '" + temp + "': " + ErrnoText(errno));
            return false;
        }
        char buffer[64 * 1024];
        for (;;) {
            const ssize_t n = ::read(in.Get(), buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 || (n > 0 && corvane::WriteAll(out.Get(), buffer, static_cast<std::size_t>(n)) != 0)) {
                Fail("Cannot copy '" + shown + "': " + ErrnoText(errno));
                return false;
            }
            if (n == 0) break;
        }
        // The mode less the set-id bits, and the times.
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (::fchmod(out.Get(), st.st_mode & 01777) != 0 || ::futimens(out.Get(), times) != 0 || ::fsync(out.Get()) != 0) {
            Fail("Cannot finish '" + shown + "': " + ErrnoText(errno));
            return false;
        }
        return true;
    }

    bool CopyLink(int srcDir, const std::string& name, const struct stat& st, int dstDir, const std::string& temp,
                  const std::string& shown) {
        std::string text(static_cast<std::size_t>(st.st_size) + 1, '\0');
        const ssize_t n = ::readlinkat(srcDir, name.c_str(), text.data(), text.size());
        if (n < 0 || static_cast<std::size_t>(n) >= text.size()) {
            Fail("Cannot read the link '" + shown + "'.");
            return false;
        }
        text.resize(static_cast<std::size_t>(n));
        if (::symlinkat(text.c_str(), dstDir, temp.c_str()) != 0) {
            Fail("Cannot copy the link '" + shown + "': " + ErrnoText(errno));
            return false;
        }
        return true;
    }

    const FileOpRequest& req_;
    TShellUi& ui_;
    std::vector<std::string> errors_;
    bool aborted_ = false;
    bool replaceAll_ = false;
    bool skipped_ = false;  // an item the user chose not to replace
    bool progressShown_ = false;
    const std::vector<std::string>* items_ = nullptr;  // what the progress counts
    std::size_t done_ = 0;
    unsigned tempCounter_ = 0;
};

}  // namespace

std::string CollisionName(const std::string& name, int n) {
    const std::size_t dot = name.rfind('.');
    const std::string suffix = " (" + std::to_string(n) + ")";
    if (dot == std::string::npos || dot == 0) return name + suffix;
    return name.substr(0, dot) + suffix + name.substr(dot);
}

FileOpResult RunFileOperation(const FileOpRequest& request) { return FileOpRun(request).Run(); }

}  // namespace corvane::shell
