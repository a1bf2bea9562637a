#pragma once
// The parse thread: takes each saved page of the running task in turn, parses it (page_pass.h),
// queues the new links, saves the rewritten page and marks it Parsed. It serves every task in turn
// and lives as long as the program.
//
// The main window drives it: it sets the task, clears the stop flag and resumes the thread when a
// task starts, and sets the stop flag to stop it (the thread then parks itself).

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/rtl/thread.h"

namespace corvane {

class TCVTask;
class TCVQItem;
struct PageParseOutcome;

// A saved page larger than this is kept as it is and not scanned for links: scanning needs the page
// in memory, twice over while it is rewritten.
inline constexpr std::uintmax_t kMaxScannedPageBytes = std::uintmax_t{256} << 20;
// The status texts of a page that ends without being scanned.
inline constexpr const char* kPageNotScanned = "Not scanned: larger than 256 MB";
inline constexpr const char* kPageFileMissing = "Saved file not found";

class TThreadParse : public TThread {
public:
    // pause_step: one of the five sleeps between pages (100 ms in the program).
    explicit TThreadParse(std::chrono::milliseconds pause_step = std::chrono::milliseconds(100), int pause_steps = 5);
    ~TThreadParse() override;

    // Main thread: the running task (kept alive while a page of it is parsed).
    void SetTask(std::shared_ptr<TCVTask> task);
    std::shared_ptr<TCVTask> Task() const;

    // The status line; called on the main thread. Unset: no status is shown. Texts sent while a page
    // is scanned are posted: the scan never waits for the window.
    void SetStatusHandler(std::function<void(const std::string& text)> handler);

    // Parses one page now, on the calling thread's terms (its main-thread steps still go through the
    // main loop). Exposed for tests; the thread loop calls it. A page that cannot be read or parsed
    // ends in Error with the reason as its status text; the rules are the run's (TCVTask::RunRules).
    void ParsePage(TCVTask& task, std::unique_ptr<TCVQItem> item);

protected:
    void Execute() override;

private:
    // The steps of ParsePage: load on the main thread, scan here, save on the main thread. ScanPage
    // answers false when the page ended in Error.
    struct LoadedPage;
    LoadedPage LoadPage(TCVTask& task, TCVQItem& item);
    bool ScanPage(TCVTask& task, TCVQItem& item, const LoadedPage& page, PageParseOutcome& outcome);
    void SavePage(TCVTask& task, std::unique_ptr<TCVQItem> item, const LoadedPage& page,
                  const PageParseOutcome& outcome);
    void ShowStatus(const std::string& text);
    void ShowLinkCount(int links_found, int new_links);

    const std::chrono::milliseconds pause_step_;
    const int pause_steps_;
    mutable std::mutex task_lock_;
    std::shared_ptr<TCVTask> task_;
    // Shared with the status texts still queued for the main thread, which may outlive this object.
    struct StatusLine {
        std::function<void(const std::string&)> Handler;  // main thread only
    };
    const std::shared_ptr<StatusLine> status_ = std::make_shared<StatusLine>();
};

// The link count of a page being parsed reaches the status line at most this often; the last count
// of a page is always shown.
inline constexpr std::chrono::milliseconds kLinkCountStatusInterval{100};

}  // namespace corvane
