#pragma once
// Tasks with fixture queues for the report tests, in a fresh data root.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "engine/queue/queue_item.h"
#include "engine/model/task.h"
#include "tasks/report/task_report.h"
#include "tests/engine/task_fixture.h"

namespace corvane::testing {

inline int Count(const std::string& text, const std::string& needle) {
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++n;
    return n;
}

class ReportTest : public FreshHome {
protected:
    void SetUp() override {
        FreshHome::SetUp();
        folder_ = home_ + "capture/";
        task_ = std::make_shared<TCVTask>();
        task_->Name = "site";
        task_->FileName = home_ + "Tasks/site.cvt";
        task_->URL = "http://www.site.test/index.html";
        task_->StartPageTitle = "Site home";
    }

    void Add(const std::string& url, const std::string& type, int state, const std::string& title = {},
             const std::string& referrer = {}, std::int64_t size = 0) {
        TCVQItem item;
        item.URL = url;
        item.Type = type;
        item.State = static_cast<TCVItemState>(state);
        item.Title = title;
        item.Referrer = referrer;
        item.Level = 1;
        item.Size = size;
        queue_ += url + "\r\n" + item.EncodeRecord() + "\r\n";
    }
    void AddPages(int count, int first = 1) {
        for (int i = first; i < first + count; ++i)
            Add("http://www.site.test/p" + std::to_string(i) + ".html", "HTML", isSaved, "Page " + std::to_string(i));
    }

    // Writes the queue file, then the whole report.
    TTaskReport Generate() {
        WriteBytes(task_->GetQueueFileName(), queue_);
        TTaskReport report(*task_, folder_);
        report.CreateSummary("Creating the task report...");
        report.CreatePageIndex();
        report.CreateImageIndex();
        return report;
    }

    std::string ReportFile(const std::string& name) const { return folder_ + "www.site.test/!" + task_->Name + name; }
    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

    std::string folder_;
    std::shared_ptr<TCVTask> task_;
    std::string queue_;
};

}  // namespace corvane::testing
