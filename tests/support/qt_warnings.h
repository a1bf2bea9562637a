#pragma once
// Records Qt's warnings while it lives, for tests that check the program leaves stderr clean.

#include <QString>
#include <QtGlobal>
#include <mutex>
#include <string>
#include <vector>

namespace corvane::testing {

class QtWarnings {
public:
    QtWarnings() : previous_(qInstallMessageHandler(&QtWarnings::Record)) { Lines().clear(); }
    ~QtWarnings() { qInstallMessageHandler(previous_); }

    // How many recorded lines hold part.
    static int Containing(const std::string& part) {
        std::lock_guard guard(Lock());
        int count = 0;
        for (const std::string& line : Lines()) count += line.find(part) != std::string::npos;
        return count;
    }

private:
    static std::mutex& Lock() { static std::mutex lock; return lock; }
    static std::vector<std::string>& Lines() { static std::vector<std::string> lines; return lines; }
    static void Record(QtMsgType type, const QMessageLogContext&, const QString& text) {
        std::lock_guard guard(Lock());
        if (type != QtDebugMsg && type != QtInfoMsg) Lines().push_back(text.toStdString());
    }
    QtMessageHandler previous_;
};

}  // namespace corvane::testing
