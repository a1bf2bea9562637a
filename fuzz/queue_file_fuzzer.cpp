// Arbitrary bytes as a task's queue file. Loading must keep URL and record lines paired, every item
// must write back a record that reads the same, and running the queue to its end (each selected
// item marked done) must finish within one step per item and leave nothing to do.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/model/task.h"
#include "fuzz/fuzz_files.h"
#include "platform/rtl/log.h"

using namespace corvane;
using fuzz::Check;

namespace {

const std::string& TaskPath() {
    static const std::string path = [] {
        SetLogSink([](const std::string&) {});
        return fuzz::MakeFuzzFolder("queue-fuzz") + "/fuzz.cvt";
    }();
    return path;
}

// Takes items from one selector until it has none left, marking each with state.
void Drain(TCVTask& task, std::unique_ptr<TCVQItem> (TCVTask::*next)(), TCVItemState state, int bound) {
    for (int steps = 0;; ++steps) {
        std::unique_ptr<TCVQItem> item = (task.*next)();
        if (!item) return;
        Check(steps <= bound);
        item->SetState(state);
        item->Put();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TCVTask task;
    task.FileName = TaskPath();
    fuzz::WriteFuzzFile(task.GetQueueFileName(), data, size);
    Check(task.LoadQueue());
    task.OpenQueue();
    const int lines = task.QueueLineCount();
    Check(lines % 2 == 0);
    const TCVTaskCounters counters = task.Counters();
    Check(counters.TotalPages + counters.TotalResources == lines / 2);

    for (int i = 0; i < lines; i += 2) {
        std::unique_ptr<TCVQItem> item = task.GetQItem(i);
        Check(item != nullptr);
        const std::string record = item->EncodeRecord();
        Check(record.find_first_of("\r\n") == std::string::npos);
        TCVQItem again;
        again.DecodeRecord(record);
        Check(again.EncodeRecord() == record);
        Check(again.State == item->State && again.Mark == item->Mark && again.Level == item->Level &&
              again.Size == item->Size && again.Type == item->Type && again.Title == item->Title);
    }

    const int bound = lines / 2 + 1;
    Drain(task, &TCVTask::NextPageToDownload, isSaved, bound);
    Drain(task, &TCVTask::NextResourceToDownload, isSaved, bound);
    Drain(task, &TCVTask::NextPageToParse, isParsed, bound);
    Check(task.IsComplete());
    Check(task.QueueLineCount() == lines);
    return 0;
}
