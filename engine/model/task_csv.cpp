#include "engine/model/task_csv.h"

#include <filesystem>

#include "engine/model/task.h"
#include "platform/rtl/date_time.h"

namespace corvane {

std::string CSVQuote(const std::string& field) {
    std::string quoted = "\"";
    for (char c : field) {
        if (c == '\r' || c == '\n') continue;
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string TaskCSVHeader() {
    return "Task Name,Title,Status,Schedule,Last Run,Next Run,Pages,Media,URL,Local URL,Destination,"
           "Download Method,Start Page";
}

namespace {
std::string RunTimeText(TDateTime value) { return value > 0 ? DateTimeToStr(value) : std::string(); }
}  // namespace

std::string TCVTask::GetCSVLine() const {
    const TCVTaskCounters counters = Counters();
    std::string local = GetLocalStartPage();
    std::error_code ec;
    if (local.empty() || !std::filesystem::is_regular_file(local, ec)) local.clear();
    const std::string fields[] = {
        Name,
        StartPageTitle,
        TaskStatusText(Status),
        Schedule,
        RunTimeText(LastRun),
        RunTimeText(NextRun),
        std::to_string(counters.PagesSaved) + "/" + std::to_string(counters.TotalPages),
        std::to_string(counters.ResourcesSaved),
        URL,
        local,
        Destination,
        Profile.Name,
        FileName,
    };
    std::string line;
    for (const auto& field : fields) {
        if (!line.empty()) line += ',';
        line += CSVQuote(field);
    }
    return line;
}

}  // namespace corvane
