#include "tools/capture/capture_driver.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "archive/capture_archive_hooks.h"
#include "engine/engine_timing.h"
#include "engine/file_routines.h"
#include "engine/file_types.h"
#include "engine/settings.h"
#include "engine/task.h"
#include "engine/task_runner.h"
#include "engine/url_model.h"
#include "localisation/app_language.h"
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

private:
    std::ostream& out_;
    bool quiet_;
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

std::shared_ptr<TCVTask> NewTask(const CaptureOptions& o) {
    auto task = std::make_shared<TCVTask>();
    std::string name = ReplaceInvalidFileChars(SiteShortName(o.URL), '_');
    if (name.empty()) name = "capture";
    const std::string file = UniqueFileName(App->TasksDir + name + kTaskFileExt);
    task->Name = FileNameNoExt(file);
    task->FileName = file;
    task->URL = o.URL;
    task->IntranetMode = o.Intranet;
    task->Destination = o.Intranet ? WithTrailingSlash(o.Destination)
                                   : WithTrailingSlash(o.Destination) + task->Name + ".zip";
    task->Profile.LoadDefaults();  // as a profile read from disk, so the tool captures as the program does
    task->Profile.Name = "Custom";
    task->Profile.Depth = o.Depth;
    task->Profile.PageLocation = o.PageLocation;
    task->Profile.ResourceLocation = o.ResourceLocation;
    task->RunMethod = o.MapOnly ? rmMap : rmRestart;
    task->Schedule = "Now";
    task->Status = tsScheduled;
    task->NextRun = 0;
    task->Save();
    return task;
}

std::shared_ptr<TCVTask> ResumeTask() {
    TStringList files;
    ListFiles(App->TasksDir, std::string("*") + kTaskFileExt, files);
    if (files.Count() != 1) return nullptr;
    auto task = LoadTask(App->TasksDir + files[0]);
    task->RunMethod = rmResume;
    task->Schedule = "Now";
    task->Status = tsScheduled;
    task->NextRun = 0;
    task->Save();
    return task;
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
    if (home.empty()) {
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
            const std::shared_ptr<TCVTask> made = options.Resume ? ResumeTask() : NewTask(options);
            if (!made) {
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
                runner.Start(true);
                const auto timeout = options.TimeoutSeconds > 0 ? std::chrono::milliseconds(options.TimeoutSeconds * 1000LL)
                                                                : std::chrono::milliseconds(std::chrono::hours(24 * 365));
                loop.RunUntil(
                    [&] {
                        auto task = running();
                        return task && (task->Status == tsTaskComplete || task->Status == tsZipped ||
                                        task->Status == tsDownloadStopped);
                    },
                    timeout);
                loop.StopTimer(timer);
                report();
                auto task = running();
                runner.Shutdown();
                const int status = task ? task->Status : -1;
                const std::string failure = task ? StartPageFailure(*task) : std::string();
                out << (task ? TaskStatusText(status) : std::string("not started"))
                    << (failure.empty() ? std::string() : "  " + failure) << std::endl;
                code = status == tsTaskComplete || status == tsZipped ? 0 : 1;
                if (code == 0 && task) {
                    const TCVTaskCounters c = task->Counters();
                    if (c.PagesSaved + c.ResourcesSaved == 0) code = 3;  // finished, but nothing was saved
                }
            }
        } catch (const std::exception& e) {
            out << "corvane-capture: " << e.what() << std::endl;
            code = 2;
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
