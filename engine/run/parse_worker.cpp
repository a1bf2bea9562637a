#include "engine/run/parse_worker.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "engine/run/dispatch_rules.h"
#include "engine/support/file_routines.h"
#include "engine/parse/page_pass.h"
#include "engine/run/run_failures.h"
#include "engine/model/task.h"
#include "platform/rtl/atomic_file.h"
#include "platform/rtl/log.h"
#include "platform/rtl/main_loop.h"

namespace corvane {
namespace {

// Reads a saved page. Returns '' when it was read (or is too large to scan: oversized, text left
// empty), else why it could not be.
std::string ReadSavedPage(const std::string& file, std::string& text, bool& oversized) {
    std::error_code ec;
    if (file.empty() || !std::filesystem::is_regular_file(file, ec)) return kPageFileMissing;
    const std::uintmax_t size = std::filesystem::file_size(file, ec);
    if (!ec && size > kMaxScannedPageBytes) {
        oversized = true;
        return {};
    }
    try {
        text = LoadTextFile(file);
    } catch (const std::exception& e) {
        text.clear();
        return e.what();
    }
    return {};
}

// Writes the page's rewrite over its file, keeping the downloaded copy as the original first (a link
// to it: no second copy on disk). 0, or the system's error number with *why saying what failed.
int WriteRewrite(const std::string& file, const std::string& original, bool original_kept, const std::string& text,
                 const std::string& rewrite, std::string* why) {
    const auto write = [why](const std::string& path, const std::string& data) {
        errno = 0;
        if (WriteFileAtomic(path, data, AtomicWriteOptions{0644, true, false}, why)) return 0;
        return errno != 0 ? errno : EINVAL;
    };
    if (!original_kept && ::link(file.c_str(), original.c_str()) != 0 && errno != EEXIST) {
        // A file system without hard links: a copy of the original does as well.
        if (const int error = write(original, text)) return error;
    }
    return write(file, rewrite);
}

void FailPage(TCVQItem& item, const std::string& reason) {
    item.StatusText = reason;
    item.SetState(isError);
    item.Put();
}

}  // namespace

TThreadParse::TThreadParse(std::chrono::milliseconds pause_step, int pause_steps)
    : TThread("parse"), pause_step_(pause_step), pause_steps_(pause_steps) {}

TThreadParse::~TThreadParse() {
    Terminate();
    WaitFor();
}

void TThreadParse::SetTask(std::shared_ptr<TCVTask> task) {
    std::lock_guard guard(task_lock_);
    task_ = std::move(task);
}

std::shared_ptr<TCVTask> TThreadParse::Task() const {
    std::lock_guard guard(task_lock_);
    return task_;
}

void TThreadParse::SetStatusHandler(std::function<void(const std::string&)> handler) {
    status_->Handler = std::move(handler);
}

void TThreadParse::ShowStatus(const std::string& text) {
    auto show = [line = status_, text] {
        if (line->Handler) line->Handler(text);
    };
    MainLoop* loop = Loop();
    if (loop == nullptr) return;
    if (loop->IsMainThread())
        show();
    else
        loop->Post(std::move(show));
}

void TThreadParse::ShowLinkCount(int links_found, int new_links) {
    ShowStatus("Parsing... Links: " + std::to_string(links_found) + "  New Links: " + std::to_string(new_links));
}

void TThreadParse::Execute() {
    while (!Terminated()) {
        if (Stop()) {
            Suspend();  // parks until the next task start resumes it
            continue;
        }
        RunGuarded("parse", [this] {
            const std::shared_ptr<TCVTask> task = Task();
            if (!task || task->RunFailed()) return;  // the run is about to stop
            if (auto item = task->NextPageToParse()) ParsePage(*task, std::move(item));
        });
        for (int i = 0; i < pause_steps_; ++i)
            if (!Sleep(pause_step_)) break;
    }
}

// What LoadPage found: the run's rules, the page's file and its text.
struct TThreadParse::LoadedPage {
    std::shared_ptr<const TCVRunRules> Rules;
    std::string LocalFile;
    std::string Original;  // a kept original of the page, when one exists
    bool FromOriginal = false;
    std::string Text;
    std::string Failure;  // why the page could not be read
    bool Oversized = false;
};

// LoadPage, on the main thread.
TThreadParse::LoadedPage TThreadParse::LoadPage(TCVTask& task, TCVQItem& item) {
    LoadedPage page;
    Synchronize([&] {
        page.Rules = task.EnsureRunRules();
        page.LocalFile = item.GetLocalFileName();
        if (status_->Handler) status_->Handler("Loading Page: " + page.LocalFile);
        // A kept original means an earlier parse rewrote the file but its record never reached the
        // queue file: the rewrite's links no longer resolve as the page's own did.
        page.Original = KeptOriginalName(page.LocalFile);
        std::error_code ec;
        page.FromOriginal = !page.Original.empty() && std::filesystem::is_regular_file(page.Original, ec);
        page.Failure = ReadSavedPage(page.FromOriginal ? page.Original : page.LocalFile, page.Text, page.Oversized);
    });
    return page;
}

bool TThreadParse::ScanPage(TCVTask& task, TCVQItem& item, const LoadedPage& page, PageParseOutcome& outcome) {
    if (page.Text.empty()) return true;
    try {
        PageParseContext context;
        context.Page = &item;
        context.Profile = &page.Rules->Profile;
        context.Rules = page.Rules->Links();
        context.StartBaseDir = page.Rules->StartBaseDir;
        // AddNewLink: the URL-set test and the add are one step under the task's queue lock, here on
        // the parse thread; a call onto the main thread per link made a page of many links crawl.
        context.QueueLink = [&task](const TCVQItem& link, bool& added) { return task.AddQItemIfNew(link, added); };
        // The count reaches the window a few times a second, and its last value always.
        using Clock = std::chrono::steady_clock;
        Clock::time_point next_show{};
        std::pair<int, int> counted{-1, -1}, shown{-1, -1};
        context.ShowLinkCount = [&](int found_links, int new_links) {
            counted = {found_links, new_links};
            const Clock::time_point now = Clock::now();
            if (now < next_show) return;
            next_show = now + kLinkCountStatusInterval;
            shown = counted;
            ShowLinkCount(found_links, new_links);
        };
        context.StopRequested = [this] { return Stop() || Terminated(); };
        outcome = ParsePageText(page.Text, context);
        if (counted != shown) ShowLinkCount(counted.first, counted.second);
        ShowStatus("");  // ClearStatus
    } catch (const MainLoopClosed&) {
        throw;  // the program is ending: the page stays Saved for the next run
    } catch (const std::exception& e) {
        FailPage(item, e.what());
        return false;
    }
    return true;
}

// SavePage. An empty page, and one too large to scan, is marked Parsed as it is, so it is never
// picked again; a page that cannot be written becomes an error rather than being picked again for
// ever, unless the disk is at fault: then it stays Saved and the run stops.
void TThreadParse::SavePage(TCVTask& task, std::unique_ptr<TCVQItem> item, const LoadedPage& page,
                            const PageParseOutcome& outcome) {
    int write_error = 0;
    std::string why;
    bool kept = false;
    try {
        Synchronize([&] {
            if (!page.Text.empty()) {
                if (status_->Handler) status_->Handler("Saving Changes: " + page.LocalFile);
                if (outcome.Text != page.Text || page.FromOriginal) {
                    write_error = WriteRewrite(page.LocalFile, page.Original, page.FromOriginal, page.Text,
                                               outcome.Text, &why);
                    if (write_error != 0) return;
                    kept = true;
                }
                if (!outcome.Title.empty()) {
                    item->Title = outcome.Title;
                    if (item->Level == 0) task.StartPageTitle = outcome.Title;
                }
            }
            if (page.Oversized) item->StatusText = kPageNotScanned;
            item->SetState(isParsed);
            item->Put();
            if (kept) task.KeepOriginalUntilSaved(page.Original);
            if (status_->Handler) status_->Handler("");
        });
    } catch (const MainLoopClosed&) {
        throw;
    } catch (const std::exception& e) {
        FailPage(*item, e.what());
        return;
    }
    if (write_error != 0) {
        if (IsLocalWriteFailure(write_error)) {
            task.SetRunFailure(kMsgFolderWriteFailed, page.Rules->Folder + " (" + std::strerror(write_error) + ")");
            return;
        }
        FailPage(*item, why);
        return;
    }
    if (!page.Rules->IntranetMode) task.ZipQueueAdd(page.LocalFile, std::move(item));
}

void TThreadParse::ParsePage(TCVTask& task, std::unique_ptr<TCVQItem> item) {
    const LoadedPage page = LoadPage(task, *item);
    if (!page.Failure.empty()) {
        FailPage(*item, page.Failure);
        return;
    }
    if (page.Oversized) LogWarning("parse: " + item->URL + " is larger than 256 MB and was not scanned for links");
    PageParseOutcome outcome;
    if (!ScanPage(task, *item, page, outcome)) return;
    // Stopped half-way: the page stays Saved, and the next run parses it again from the start.
    if (outcome.Stopped) return;
    SavePage(task, std::move(item), page, outcome);
}

}  // namespace corvane
