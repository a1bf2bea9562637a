#pragma once
// Environment changes for one test, put back as they were when the test ends.

#include <cstdlib>
#include <ctime>
#include <string>

namespace corvane::testing {

class SavedEnv {
public:
    explicit SavedEnv(const char* name) : name_(name) {
        const char* value = std::getenv(name);
        had_ = value != nullptr;
        if (had_) value_ = value;
    }
    ~SavedEnv() { Restore(); }
    SavedEnv(const SavedEnv&) = delete;
    SavedEnv& operator=(const SavedEnv&) = delete;

    void Restore() {
        if (had_)
            ::setenv(name_, value_.c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    bool had_ = false;
    std::string value_;
};

// The process's local time zone pinned for one test.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) {
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        saved_.Restore();
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    SavedEnv saved_{"TZ"};  // taken before the constructor's body changes TZ
};

}  // namespace corvane::testing
