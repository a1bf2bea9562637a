#include "engine/parse_worker.h"

#include <filesystem>

#include "engine/file_routines.h"
#include "engine/page_parser.h"
#include "engine/task.h"
#include "engine/url_model.h"

namespace corvane {

TThreadParse::TThreadParse(std::chrono::milliseconds pause_step) : TThread("parse"), pause_step_(pause_step) {}

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

void TThreadParse::SetStatusHandler(std::function<void(const std::string&)> handler) { status_ = std::move(handler); }

void TThreadParse::ShowStatus(const std::string& text) {
    Synchronize([this, text] {
        if (status_) status_(text);
    });
}

void TThreadParse::Execute() {
    while (!Terminated()) {
        if (Stop()) {
            Suspend();  // parks until the next task start resumes it
            continue;
        }
        RunGuarded("parse", [this] {
            const std::shared_ptr<TCVTask> task = Task();
            if (!task) return;
            if (auto item = task->NextPageToParse()) ParsePage(*task, std::move(item));
        });
        for (int i = 0; i < 5; ++i)
            if (!Sleep(pause_step_)) break;
    }
}

void TThreadParse::ParsePage(TCVTask& task, std::unique_ptr<TCVQItem> item) {
    const std::string local_file = item->GetLocalFileName();

    // LoadPage: a page whose file is gone counts as a failed page.
    std::string text;
    bool found = false;
    Synchronize([&] {
        if (status_) status_("Loading Page: " + local_file);
        std::error_code ec;
        if (local_file.empty() || !std::filesystem::is_regular_file(local_file, ec)) return;
        text = LoadTextFile(local_file);
        found = true;
    });
    if (!found) {
        item->SetState(isError);
        item->Put();
        return;
    }

    PageParseOutcome outcome;
    bool parsed = true;
    if (!text.empty()) {
        try {
            PageParseContext context;
            context.Page = item.get();
            context.Profile = &task.Profile;
            context.Rules.FileTypes = &task.Profile.FileTypes;
            context.Rules.Depth = task.Profile.Depth;
            context.Rules.PageLocation = task.Profile.PageLocation;
            context.Rules.ResourceLocation = task.Profile.ResourceLocation;
            context.Rules.FiltersExclude = &task.Profile.URLFiltersExclude;
            context.Rules.FiltersInclude = &task.Profile.URLFiltersInclude;
            context.Rules.TaskExclude = &task.ExcludeURLs;
            context.Rules.TaskInclude = &task.IncludeURLs;
            context.StartBaseDir = URLBaseDir(task.URL);
            context.QueueLink = [&task, this](const TCVQItem& link, bool& added) {
                // AddNewLink: the URL-set test and the add are one step under the task's lock.
                std::string queued;
                Synchronize([&] { queued = task.AddQItemIfNew(link, added); });
                return queued;
            };
            context.ShowLinkCount = [this](int found_links, int new_links) {
                ShowStatus("Parsing... Links: " + std::to_string(found_links) + "  New Links: " +
                           std::to_string(new_links));
            };
            outcome = ParsePageText(text, context);
            ShowStatus("");  // ClearStatus
        } catch (const std::exception& e) {
            item->StatusText = e.what();
            parsed = false;
        }
    }
    if (!parsed) {
        item->SetState(isError);
        item->Put();
        return;
    }

    // SavePage. An empty page is marked Parsed as it is, so it is never picked again; a page that
    // cannot be written becomes an error rather than being picked again for ever.
    try {
        Synchronize([&] {
            if (!text.empty()) {
                if (status_) status_("Saving Changes: " + local_file);
                if (!outcome.Title.empty()) {
                    item->Title = outcome.Title;
                    if (item->Level == 0) task.StartPageTitle = outcome.Title;
                }
                if (outcome.Text != text) SaveTextFile(local_file, outcome.Text);
            }
            item->SetState(isParsed);
            item->Put();
            if (status_) status_("");
        });
    } catch (const std::exception& e) {
        item->StatusText = e.what();
        item->SetState(isError);
        item->Put();
        return;
    }

    if (!task.IntranetMode) task.ZipQueueAdd(local_file, std::move(item));
}

}  // namespace corvane
