// Arbitrary bytes as a task's name, start page title, URL (the first three lines) and queue file (the
// rest), through the whole report. Every page must be written inside the capture folder, hold valid
// UTF-8, carry no script but the index pages' own, and link only to file:// and http(s) addresses.
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/support/file_routines.h"
#include "engine/model/task.h"
#include "engine/support/text_routines.h"
#include "fuzz/fuzz_files.h"
#include "platform/rtl/log.h"
#include "tasks/report/task_report.h"

using namespace corvane;
using fuzz::Check;

namespace {

const std::string& Root() {
    static const std::string root = [] {
        SetLogSink([](const std::string&) {});
        return fuzz::MakeFuzzFolder("report-fuzz") + "/";
    }();
    return root;
}

std::string TakeLine(std::string& text) {
    const std::size_t end = text.find('\n');
    std::string line = text.substr(0, end);
    text.erase(0, end == std::string::npos ? text.size() : end + 1);
    return line;
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool ValidUtf8(const std::string& s) {
    for (std::size_t i = 0, len = 0; i < s.size(); i += len)
        if ((len = Utf8SequenceLength(s, i)) == 0) return false;
    return true;
}

int Count(const std::string& text, const std::string& needle) {
    int n = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

void CheckPage(const std::string& path, const std::string& page) {
    Check(ValidUtf8(page));
    const auto ends = [&path](const std::string& tail) {
        return path.size() >= tail.size() && path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
    };
    const bool index = !ends("_more.htm") && !ends("_summary.htm");
    Check(Count(page, "<script") == (index ? 1 : 0));
    for (std::size_t at = page.find("href=\""); at != std::string::npos; at = page.find("href=\"", at + 1)) {
        std::string value = page.substr(at + 6, 8);
        for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        Check(value.rfind("file://", 0) == 0 || value.rfind("http://", 0) == 0 || value.rfind("https://", 0) == 0);
    }
    for (std::size_t at = page.find("src=\""); at != std::string::npos; at = page.find("src=\"", at + 1)) {
        const std::string value = page.substr(at + 5, 8);
        Check(value.rfind("file://", 0) == 0 || value.rfind("!images/", 0) == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string root = Root();
    std::string input(reinterpret_cast<const char*>(data), size);
    TCVTask task;
    task.FileName = root + "task.cvt";
    task.Name = TakeLine(input);
    task.StartPageTitle = TakeLine(input);
    task.URL = TakeLine(input);
    task.SetCounters({3, 2, 1, 0, 4, 2, 5000});
    fuzz::WriteFuzzFile(task.GetQueueFileName(), reinterpret_cast<const std::uint8_t*>(input.data()), input.size());

    const std::string capture = root + "capture/";
    std::error_code ec;
    std::filesystem::remove_all(capture, ec);
    try {
        TTaskReport report(task, capture);
        report.CreateSummary("step");
        report.CreatePageIndex();
        report.CreateImageIndex();
    } catch (const EFCreateError&) {
        // A name too long for a file: refused, nothing else.
    }
    for (const auto& entry : std::filesystem::directory_iterator(root)) {
        const std::string name = entry.path().filename().string();
        Check(name == "capture" || name == "task.dwn");
    }
    if (std::filesystem::exists(capture))
        for (const auto& entry : std::filesystem::recursive_directory_iterator(capture)) {
            const std::string path = entry.path().string();
            if (entry.is_regular_file() && path.size() > 4 && path.compare(path.size() - 4, 4, ".htm") == 0)
                CheckPage(path, ReadAll(path));
        }
    return 0;
}
