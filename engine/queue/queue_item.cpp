#include "engine/queue/queue_item.h"

#include <array>
#include <charconv>
#include <string_view>

#include "engine/parse/mirror_naming.h"
#include "engine/queue/queue_lines.h"
#include "engine/queue/queue_record.h"
#include "engine/model/task.h"
#include "engine/support/text_routines.h"
#include "engine/parse/url_model.h"
#include "platform/rtl/hex_text.h"

namespace corvane {

std::string ItemStateText(int state) {
    static const char* const texts[] = {"None",    "Downloading", "Updating", "Error",  "Downloaded", "Saved",
                                        "Updated", "Mapping",     "Parsing",  "Mapped", "Parsed",     "Zipped"};
    if (state < 0 || state > isZipped) return "Unknown";
    return texts[state];
}

namespace {

bool NeedsEscape(const std::string& field) {
    if (!field.empty() && field[0] == '\x01') return true;
    return field.find_first_of(std::string_view("\r\n\xB6", 3)) != std::string::npos;
}

}  // namespace

std::string EncodeRecordField(const std::string& field) {
    if (!NeedsEscape(field)) return field;
    return "\x01" + PercentEncode(field, [](unsigned char c) { return c < 0x20 || c == '%' || c == 0x7F || c == 0xB6; });
}

std::string DecodeRecordField(const std::string& field) {
    if (field.empty() || field[0] != '\x01') return field;
    return PercentDecode(std::string_view(field).substr(1));
}

std::string TCVQItem::EncodeRecord() const {
    std::string record;
    const auto add = [&record](const std::string& field) {
        record += field;
        record += kFieldSeparator;
    };
    add(std::to_string(State));
    add(EncodeRecordField(CleanField(StatusText)));
    add(EncodeRecordField(Type));
    add(EncodeRecordField(FinalURL));
    add(std::to_string(Level));
    add(EncodeRecordField(Referrer));
    add(EncodeRecordField(LastModified));
    add(std::to_string(Mark));
    add(EncodeRecordField(Title));
    add(std::to_string(Size));
    add(EncodeRecordField(Frame));
    if (!ETag.empty()) add(EncodeRecordField(ETag));
    return record;
}

bool TCVQItem::DecodeRecord(const std::string& record) {
    std::array<std::string_view, kRecordFields + 1> f{};
    SplitRecord(record, f.data(), kRecordFields + 1);
    const auto text = [&f](int n) { return DecodeRecordField(std::string(f[static_cast<std::size_t>(n)])); };
    StatusText = text(1);
    Type = text(2);
    FinalURL = text(3);
    Referrer = text(5);
    LastModified = text(6);
    Title = text(8);
    Frame = text(10);
    ETag = text(kETagField);

    std::int64_t state = 0, level = 0, mark = mkFetch, size = 0;
    bool good = ParseRecordNumber(f[0], state) && state >= 0 && state <= 255;
    good = ParseRecordNumber(f[4], level) && level >= INT32_MIN && level <= INT32_MAX && good;
    good = (f[7].empty() || (ParseRecordNumber(f[7], mark) && mark >= 0 && mark <= 255)) && good;
    good = (f[9].empty() || ParseRecordNumber(f[9], size)) && good;
    if (!good) {
        State = isError;
        Level = 0;
        Mark = mkFetch;
        Size = 0;
        return false;
    }
    State = static_cast<TCVItemState>(state);
    Level = static_cast<std::int32_t>(level);
    Mark = static_cast<TCVItemMark>(f[7].empty() ? mkFetch : mark);
    Size = f[9].empty() ? 0 : size;
    return true;
}

void TCVQItem::SetState(TCVItemState state) {
    const TCVItemState old_state = State;
    if (Task) Task->queue_.ApplyStateChange(IsPage(), Size, old_state, state);
    State = state;
    if (Task) Task->FireProgress("", 0, 0);
}

std::string TCVQItem::GetLocalFileName() {
    LocalFile = WithFileName(corvane::GetLocalFileName(Task->RunFolder(), URLBaseDir(URL), URL),
                             Task->RenamedLocalName(URL));
    return LocalFile;
}

void TCVQItem::Put() { Task->queue_.Put(QueueURL(URL), EncodeRecord()); }

}  // namespace corvane
