#pragma once
// Records Qt's warnings (and worse) while it lives, for tests that check the program's own code
// leaves stderr clean.

#include <QString>
#include <QtGlobal>
#include <mutex>
#include <string>
#include <vector>

namespace corvane::testing {

class QtWarnings {
public:
    QtWarnings() {
        Clear();
        previous_ = qInstallMessageHandler(&QtWarnings::Record);
    }
    ~QtWarnings() { qInstallMessageHandler(previous_); }
    QtWarnings(const QtWarnings&) = delete;
    QtWarnings& operator=(const QtWarnings&) = delete;

    // The recorded lines holding part.
    static std::vector<std::string> Containing(const std::string& part) {
        std::lock_guard guard(lock_);
        std::vector<std::string> found;
        for (const std::string& line : seen_)
            if (line.find(part) != std::string::npos) found.push_back(line);
        return found;
    }

private:
    static void Clear() {
        std::lock_guard guard(lock_);
        seen_.clear();
    }
    static void Record(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtDebugMsg || type == QtInfoMsg) return;
        std::lock_guard guard(lock_);
        seen_.push_back(text.toStdString());
    }
    QtMessageHandler previous_ = nullptr;
    static inline std::mutex lock_;
    static inline std::vector<std::string> seen_;
};

}  // namespace corvane::testing
