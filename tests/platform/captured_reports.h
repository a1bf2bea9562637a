#pragma once
// What ReportError receives while a test runs.

#include "platform/rtl/error_report.h"

#include <mutex>
#include <string>
#include <vector>

namespace corvane::testing {

// Collects reports for the life of a test.
class CapturedReports {
public:
    CapturedReports() {
        old_ = SetErrorReportHook([this](const std::string& source, const std::string& message) {
            std::lock_guard lock(mutex_);
            reports_.push_back(source + ": " + message);
        });
    }
    ~CapturedReports() { SetErrorReportHook(std::move(old_)); }
    std::vector<std::string> Take() {
        std::lock_guard lock(mutex_);
        return reports_;
    }

private:
    ErrorReportHook old_;
    std::mutex mutex_;
    std::vector<std::string> reports_;
};

}  // namespace corvane::testing
