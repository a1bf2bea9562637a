#include "tools/capture/capture_driver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>
#include <set>

#include "archive/capture_archive_hooks.h"
#include "engine/run/engine_timing.h"
#include "engine/support/file_routines.h"
#include "engine/parse/file_types.h"
#include "engine/model/archive_name.h"
#include "engine/model/data_root_lock.h"
#include "engine/model/settings.h"
#include "engine/model/task.h"
#include "engine/model/task_lock.h"
#include "engine/run/task_runner.h"
#include "engine/parse/url_model.h"
#include "localisation/app_language.h"
#include "platform/inifile/ini_file.h"
#include "platform/registry/current_user.h"
#include "platform/rtl/headless_main_loop.h"
#include "platform/rtl/paths.h"

namespace corvane {
namespace {

// Window parts as progress lines; the task's archive (zip mode) through the zip component.
class ConsoleHooks : public TCaptureArchiveHooks {
public:
    ConsoleHooks(std::ostream& out, bool quiet) : out_(out), quiet_(quiet) {}
    void StatusMessage(int number, const std::string& tail) override {
        // The status line's numbered message in the program's own words.
        if (!quiet_) out_ << AppLanguage().GetLangStr(static_cast<std::uint16_t>(number)) << tail << std::endl;
    }
    bool AddToArchive(TCVTask& task, const std::string& local_file, const std::string& comment) override {
        if (TCaptureArchiveHooks::AddToArchive(task, local_file, comment)) return true;
        ++add_failures_;
        out_ << "corvane-capture: " << local_file << " was not added to " << task.Destination << ": "
             << Archive().LastResult().Message << std::endl;
        return false;
    }
    int AddFailures() const { return add_failures_; }

private:
    std::ostream& out_;
    bool quiet_;
    int add_failures_ = 0;
};

// The archive name a new task took, made on disk as an empty file so that no other process, in any
// data root, picks it meanwhile. An archive the run added nothing to goes again at the end.
class ArchiveClaim {
public:
    explicit ArchiveClaim(std::string path) : path_(std::move(path)) {}
    ~ArchiveClaim() {
        struct stat st {};
        if (::lstat(path_.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0) ::unlink(path_.c_str());
    }
    ArchiveClaim(const ArchiveClaim&) = delete;
    ArchiveClaim& operator=(const ArchiveClaim&) = delete;
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// As the program names a new task's archive: free on disk and promised to no task of the data root.
std::shared_ptr<ArchiveClaim> ClaimArchive(const std::string& folder, const std::string& name) {
    std::filesystem::create_directories(folder);
    const std::set<std::string> promised = TaskDestinations(App->TasksDir);
    for (int attempt = 0; attempt < 64; ++attempt) {
        const std::string path = UniqueArchiveName(folder + name + ".zip", promised);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return std::make_shared<ArchiveClaim>(path);
        }
        // Taken by another process since it was found free: the next search passes it.
        if (errno != EEXIST) throw EFCreateError(path + ": " + std::strerror(errno));
    }
    throw EFCreateError("no free archive name for " + folder + name + ".zip");
}

// A task this process made or found, with its lock; a null task when there is none.
struct HeldTask {
    std::shared_ptr<TCVTask> Task;
    std::shared_ptr<TFileLock> Lock;
    std::shared_ptr<ArchiveClaim> Archive;  // of a new zip-mode task
    bool LockedElsewhere = false;
    bool WithoutURL = false;  // found, but a task file without a start URL: never run or rewritten
};

std::string MakeTempHome() {
    std::string base = "/tmp";
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp == '/') base = tmp;
    std::string pattern = WithTrailingSlash(base) + "corvane-capture-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return {};
    return pattern + "/";
}

// The registry of a new home has no file types yet: the program imports them on its first run.
void ImportFileTypesIfMissing() {
    auto store = CurrentUserRegistry();
    if (store->KeyExists(kFileTypesKey)) return;
    store->ImportFile(WithTrailingSlash(ResourcesDir()) + "FTypes.reg");
}

// The fields of a new task whose file is named file; archive is its archive in zip mode.
void FillNewTask(TCVTask& task, const CaptureOptions& o, const std::string& file, const std::string& archive) {
    task.Name = FileNameNoExt(file);
    task.FileName = file;
    task.URL = o.URL;
    task.IntranetMode = o.Intranet;
    task.Destination = o.Intranet ? WithTrailingSlash(o.Destination) : archive;
    task.Profile.LoadDefaults();  // as a profile read from disk, so the tool captures as the program does
    task.Profile.Name = "Custom";
    task.Profile.Depth = o.Depth;
    task.Profile.PageLocation = o.PageLocation;
    task.Profile.ResourceLocation = o.ResourceLocation;
    task.RunMethod = o.MapOnly ? rmMap : rmRestart;
    task.Schedule = "Now";
    task.Status = tsScheduled;
    task.NextRun = 0;
}

HeldTask NewTask(const CaptureOptions& o) {
    auto task = std::make_shared<TCVTask>();
    std::string name = ReplaceInvalidFileChars(SiteShortName(o.URL), '_');
    if (name.empty()) name = "capture";
    std::filesystem::create_directories(App->TasksDir);
    std::shared_ptr<ArchiveClaim> archive;
    if (!o.Intranet) archive = ClaimArchive(WithTrailingSlash(o.Destination), name);
    const std::string archive_file = archive ? archive->Path() : std::string();
    // Named with its contents in place: a second process choosing at once gets the next name, and a
    // kill never leaves a task file without its URL.
    const std::string file = CreateUniqueFile(App->TasksDir + name + kTaskFileExt,
                                              [&](const std::string& candidate, const std::string& aside) {
                                                  FillNewTask(*task, o, candidate, archive_file);
                                                  task->WriteFileTo(aside);
                                              });
    HeldTask held{task, LockTask(file), archive};
    if (!held.Lock) throw std::runtime_error("cannot lock the new task " + file);
    task->Save();  // into the active-task list
    return held;
}

HeldTask ResumeTask(TCVRunMethod method) {
    TStringList files;
    ListFiles(App->TasksDir, std::string("*") + kTaskFileExt, files);
    if (files.Count() != 1) return {};
    const std::string file = App->TasksDir + files[0];
    // Nothing of the task is touched before its lock is ours.
    HeldTask held{nullptr, LockTask(file), nullptr};
    if (!held.Lock) {
        held.LockedElsewhere = true;
        return held;
    }
    held.Task = LoadTask(file);
    if (held.Task->URL.empty()) {
        held.WithoutURL = true;
        return held;
    }
    held.Task->RunMethod = method;
    held.Task->Schedule = "Now";
    held.Task->Status = tsScheduled;
    held.Task->NextRun = 0;
    held.Task->Save();
    return held;
}

// A task file, registry or folder that could not be written or read before the run: the run failed,
// the arguments were right.
bool IsWriteFailure(const std::exception& e) {
    return dynamic_cast<const EIniFileException*>(&e) != nullptr || dynamic_cast<const EFCreateError*>(&e) != nullptr ||
           dynamic_cast<const std::filesystem::filesystem_error*>(&e) != nullptr;
}

// The exit code of a run that ended (or timed out) in this state.
int ExitCode(TCVTask& task, bool timed_out, const CaptureOptions& options, int add_failures) {
    if (timed_out) return kExitStopped;
    if (task.Status != tsTaskComplete && task.Status != tsZipped) {
        // Stopped by the run itself: a write or an add failed.
        return task.Status == tsDownloadStopped ? kExitFailures : kExitStopped;
    }
    if (!StartPageFailure(task).empty() || add_failures > 0) return kExitFailures;
    const TCVTaskCounters c = task.Counters();
    if (options.Strict && c.PageErrors + c.ResourceErrors > 0) return kExitFailures;
    return kExitDone;
}

std::string ProgressLine(const TCVTask& task) {
    const TCVTaskCounters c = task.Counters();
    return TaskStatusText(task.Status) + "  pages " + std::to_string(c.PagesSaved) + "/" +
           std::to_string(c.TotalPages) + "  resources " + std::to_string(c.ResourcesSaved) + "/" +
           std::to_string(c.TotalResources) + "  errors " + std::to_string(c.PageErrors + c.ResourceErrors) +
           "  bytes " + std::to_string(c.TotalBytes);
}

}  // namespace

int RunCapture(const CaptureOptions& options, std::ostream& out) {
    std::string home = options.Home;
    const bool temporary = home.empty();
    if (temporary) home = MakeTempHome();
    std::error_code absolute_error;
    // Every path of the run is made from it: a relative one would capture nothing.
    if (!home.empty()) home = std::filesystem::absolute(home, absolute_error).string();
    if (home.empty() || absolute_error) {
        out << "corvane-capture: cannot make a home folder" << std::endl;
        return 2;
    }
    std::filesystem::create_directories(home);
    ::setenv("CORVANE_HOME", home.c_str(), 1);
    // Every run reads the hive of its own home.
    const auto previous_registry = SetCurrentUserRegistry(nullptr);
    const bool own_app = !App;

    int code = 2;
    {
        HeadlessMainLoop loop;
        try {
            if (own_app) CreateApp();
            ImportFileTypesIfMissing();
            if (options.Connections > 0) App->SetConnections(options.Connections);
            // Held for the whole run: no other process runs a task in this home meanwhile.
            std::string lock_error;
            const std::shared_ptr<TFileLock> home_lock = LockDataRoot(App->TasksDir, &lock_error);
            HeldTask held;
            if (home_lock) held = options.Resume ? ResumeTask(options.Method) : NewTask(options);
            const std::shared_ptr<TCVTask> made = held.Task;
            if (!home_lock && !lock_error.empty()) {
                out << "corvane-capture: " << lock_error << std::endl;
                code = kExitFailures;
            } else if (!home_lock) {
                out << "corvane-capture: another process is running a task in " << home << std::endl;
                code = kExitLocked;
            } else if (held.LockedElsewhere) {
                out << "corvane-capture: the task in " << home << " is being run by another process" << std::endl;
                code = kExitLocked;
            } else if (held.WithoutURL) {
                out << "corvane-capture: the task file " << made->FileName << " has no start URL: not run" << std::endl;
            } else if (!made) {
                out << "corvane-capture: no task to resume in " << home << std::endl;
            } else {
                const std::string file = made->FileName;
                if (!options.Quiet) out << "task " << made->Name << " (" << file << ")" << std::endl;
                const EngineTiming timing = options.Fast ? EngineTiming::Shortened() : EngineTiming();
                ConsoleHooks console(out, options.Quiet);
                TaskRunner runner(loop, timing, console);
                std::string last_line;
                auto running = [&]() -> std::shared_ptr<TCVTask> {
                    auto current = App->GetCurrentTask();
                    return current && current->FileName == file ? current : nullptr;
                };
                auto report = [&] {
                    if (auto task = running(); task && !options.Quiet) {
                        const std::string line = ProgressLine(*task);
                        if (line != last_line) out << line << std::endl;
                        last_line = line;
                    }
                };
                const auto timer = loop.Repeating(std::chrono::milliseconds(1000), report);
                // Started here, not by the schedule tick, which could pick another process's task.
                runner.Start(false);
                const bool started = runner.StartTask(made);
                held.Lock.reset();  // the run holds it now
                const auto timeout = options.TimeoutSeconds > 0 ? std::chrono::milliseconds(options.TimeoutSeconds * 1000LL)
                                                                : std::chrono::milliseconds(std::chrono::hours(24 * 365));
                const bool ended = started && loop.RunUntil(
                    [&] {
                        auto task = running();
                        return task && !runner.Busy() &&
                               (task->Status == tsTaskComplete || task->Status == tsZipped ||
                                task->Status == tsDownloadStopped);
                    },
                    timeout);
                loop.StopTimer(timer);
                report();
                auto task = running();
                runner.Shutdown();
                if (!started && !runner.StartFailure().empty()) {
                    out << "not started: " << runner.StartFailure() << std::endl;
                    code = kExitFailures;
                } else if (!task) {
                    out << "not started" << std::endl;
                    code = kExitStopped;
                } else {
                    const std::string failure = StartPageFailure(*task);
                    const TCVTaskCounters c = task->Counters();
                    const int errors = c.PageErrors + c.ResourceErrors;
                    out << TaskStatusText(task->Status) << (failure.empty() ? std::string() : "  " + failure) << "  "
                        << errors << (errors == 1 ? " item" : " items") << " in error" << std::endl;
                    code = ExitCode(*task, !ended, options, console.AddFailures());
                }
            }
        } catch (const std::exception& e) {
            out << "corvane-capture: " << e.what() << std::endl;
            code = IsWriteFailure(e) ? kExitFailures : 2;
        }
        if (own_app) ReleaseApp();
    }
    SetCurrentUserRegistry(previous_registry);
    if (temporary) {
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }
    return code;
}

}  // namespace corvane
