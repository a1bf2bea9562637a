#include "engine/queue/queue_record.h"

#include <charconv>
#include <cstdint>

#include "engine/queue/queue_item.h"

namespace corvane {

void SplitRecord(std::string_view record, std::string_view* fields, int count) {
    std::size_t start = 0;
    for (int n = 0; n < count; ++n) {
        if (start > record.size()) {
            fields[n] = {};
            continue;
        }
        const std::size_t end = record.find(kFieldSeparator, start);
        if (end == std::string_view::npos) {
            fields[n] = record.substr(start);
            start = record.size() + 1;
        } else {
            fields[n] = record.substr(start, end - start);
            start = end + 1;
        }
    }
}

bool ParseRecordNumber(std::string_view text, std::int64_t& value) {
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

RecordKey InspectRecord(std::string_view record) {
    std::string_view f[10];
    SplitRecord(record, f, 10);
    RecordKey key;
    key.Page = f[2] == kPageType;
    std::int64_t state = 0, mark = mkFetch, level = 0, size = 0;
    const bool state_ok = ParseRecordNumber(f[0], state) && state >= 0 && state <= 255;
    const bool mark_ok = f[7].empty() || (ParseRecordNumber(f[7], mark) && mark >= 0 && mark <= 255);
    const bool level_ok = ParseRecordNumber(f[4], level) && level >= INT32_MIN && level <= INT32_MAX;
    const bool size_ok = f[9].empty() || ParseRecordNumber(f[9], size);
    if (!state_ok || !mark_ok || !level_ok || !size_ok) {
        key.State = isError;
        key.Valid = false;
        return key;
    }
    key.State = static_cast<int>(state);
    key.Mark = static_cast<int>(mark);
    return key;
}

}  // namespace corvane
