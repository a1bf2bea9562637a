#include "archive/xceed_zip.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/rtl/main_loop.h"

namespace corvane {

namespace {

// Bounded copy into a buffer the library owns: at most size - 1 bytes, always terminated.
void CopyInto(char* buffer, std::size_t size, const std::string& text) {
    if (buffer == nullptr || size == 0) return;
    const std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

std::string Text(const char* text, std::size_t limit) {
    if (text == nullptr) return {};
    return std::string(text, strnlen(text, limit));
}

TXcdFileStats Convert(const XcdFileRecord& record) {
    TXcdFileStats stats;
    stats.FileName = Text(record.Name, XCD_NAME_SIZE - 1);
    stats.Size = record.Size;
    stats.CompressedSize = record.CompressedSize;
    stats.BytesProcessed = record.BytesProcessed;
    stats.Attributes = static_cast<std::uint8_t>(record.Attributes & 0x3F);
    stats.DateTime = DosToDateTime(record.DosDate, record.DosTime);
    stats.Value = record.Crc;
    stats.Ratio = record.Ratio;
    stats.Percent = record.Percent;
    stats.Byte = record.Method;
    stats.Flag = record.Encrypted != 0;
    stats.Comment = Text(record.Comment, std::min<std::size_t>(record.CommentLength, XCD_COMMENT_SIZE - 1));
    return stats;
}

void PumpMainLoop() {
    MainLoop* loop = CurrentMainLoop();
    if (loop != nullptr && loop->IsMainThread()) loop->ProcessPending();
}

}  // namespace

TDateTime DosToDateTime(std::uint16_t dosDate, std::uint16_t dosTime) {
    const int year = 1980 + (dosDate >> 9), month = (dosDate >> 5) & 0x0F, day = dosDate & 0x1F;
    const int hour = dosTime >> 11, minute = (dosTime >> 5) & 0x3F, second = (dosTime & 0x1F) * 2;
    // An hour of 24 passes the range test but is no time of day, so the conversion fails.
    if (month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour < 24 && minute <= 59 && second <= 59 &&
        IsValidDate(year, month, day))
        return EncodeDate(year, month, day) + EncodeTime(hour, minute, second);
    return EncodeDate(1980, 1, 1);
}

void TXceedZipDeleter::operator()(TXceedZip* zip) const {
    if (zip != nullptr) zip->Free();
}

// Counts the calls under way and carries out a Free that arrived during them.
class TXceedZip::CallScope {
public:
    explicit CallScope(TXceedZip& zip) : zip_(zip) { ++zip_.callDepth_; }
    ~CallScope() {
        if (--zip_.callDepth_ == 0 && zip_.freePending_) delete &zip_;
    }
    CallScope(const CallScope&) = delete;
    CallScope& operator=(const CallScope&) = delete;

private:
    TXceedZip& zip_;
};

TXceedZip::TXceedZip() = default;

TXceedZipPtr TXceedZip::Create() { return TXceedZipPtr(new TXceedZip()); }

void TXceedZip::Free() {
    if (callDepth_ > 0) {
        freePending_ = true;
        return;
    }
    delete this;
}

std::vector<std::string> TXceedZip::AddFileArgs(bool includesAllowed) const {
    std::vector<std::string> plain, includes, excludes;
    for (const std::string& item : FilesToProcess) {
        if (item.empty()) continue;
        if (ExactNames) plain.push_back(item);
        else if (includesAllowed && item[0] == '>') includes.push_back(item.substr(1));
        else if (item[0] == '<') excludes.push_back(item.substr(1));
        else plain.push_back(item);
    }
    if (plain.empty()) return plain;
    std::vector<std::string> args = plain;
    if (!includes.empty()) {
        args.push_back("-i");
        args.insert(args.end(), includes.begin(), includes.end());
    }
    if (!excludes.empty()) {
        args.push_back("-x");
        args.insert(args.end(), excludes.begin(), excludes.end());
    }
    return args;
}

std::string TXceedZip::DateFilterText() const {
    const DateTimeParts p = DecodeDateTime(DateFilter);
    char text[16];
    std::snprintf(text, sizeof text, "%02d%02d%04d", p.day % 100, p.month % 100, p.year % 10000);
    return text;
}

int TXceedZip::Finish(int code) {
    Abort = false;
    FilesToProcess.Clear();
    ExactNames = false;
    return code;
}

int TXceedZip::Call(Library library, std::vector<std::string> vector, int argc, bool withBase) {
    lastVector_ = vector;
    XcdEntry entry = (library == Library::Zip ? zipLibrary_ : unzipLibrary_).Entry();
    if (entry == nullptr) return kXcdNoLibrary;
    XcdSetBaseFolder setBase = nullptr;
    if (withBase) {
        setBase = reinterpret_cast<XcdSetBaseFolder>(zipLibrary_.Symbol(XCD_SET_BASE_FOLDER_EXPORT));
        // Reading the specs against the working folder instead would add other files.
        if (setBase == nullptr && !BaseFolder.empty()) return kXcdNoLibrary;
        if (setBase != nullptr) {
            const int code = setBase(BaseFolder.c_str());
            if (code != 0) return code;
        }
    }
    // Copies of the strings for the call; released after it.
    std::vector<std::vector<char>> copies;
    copies.reserve(vector.size());
    std::vector<char*> argv;
    for (const std::string& item : vector) {
        copies.emplace_back(item.begin(), item.end());
        copies.back().push_back('\0');
        argv.push_back(copies.back().data());
    }
    argv.push_back(nullptr);
    Abort = false;
    // A refusal belongs to one call: the next call's first request gets the password again.
    PasswordSent = false;
    const int count = argc >= 0 ? argc : static_cast<int>(vector.size());
    const int code = entry(XCD_PROTOCOL_VERSION, count, argv.data(), &TXceedZip::Callback, this);
    // The setting is the thread's: no later call of another component may inherit it.
    if (setBase != nullptr) setBase(nullptr);
    return code;
}

int TXceedZip::Add(int mode) {
    CallScope scope(*this);
    SelfExtracting = false;
    if (mode >= 1 && mode <= 3 && MultidiskMode) {
        lastVector_ = {"-!"};
        return Finish(kXcdMultidiskRefused);
    }
    PasswordAnswerKind = XCD_PASSWORD_ADD;
    std::vector<std::string> v{Password};
    if (mode == 1) v.push_back("-f");
    if (mode == 2) v.push_back("-u");
    if (mode == 3) v.push_back("-M");
    if (mode != 3) {
        if (!Password.empty()) v.push_back("-e");
        v.push_back("-" + std::to_string(std::clamp(Compression, 0, 9)));
        if (MoveFiles) v.push_back("-m");
        if (IncludeHiddenFiles && mode != 1) v.push_back("-S");
        if (UsePaths && IncludeDirectoryEntries && mode != 1) v.push_back("-D");
        if (IncludeVolumeLabel && mode == 0) v.push_back("-$");
        if (Recurse) v.push_back("-r");
        if (!UsePaths) v.push_back("-j");
    } else {
        char descriptor[32];
        std::snprintf(descriptor, sizeof descriptor, "%p", static_cast<const void*>(&SfxSettings));
        v.insert(v.end(), {"-X", SfxBinary, ZipFileName, descriptor});
    }
    if (!UseTempFile) v.push_back("-g");
    if (!TempPath.empty()) v.insert(v.end(), {"-b", TempPath});
    if (mode != 3) {
        if (!StoredExtensions.empty()) v.insert(v.end(), {"-n", StoredExtensions});
        if (MultidiskMode) v.push_back("-!");
        if (ClearDisks) v.push_back("-&");
        v.insert(v.end(), {"-t", DateFilterText()});
    }
    v.push_back(ZipFileName);
    if (mode != 3) {
        v.push_back("-W");
        const std::vector<std::string> specs = AddFileArgs(true);
        v.insert(v.end(), specs.begin(), specs.end());
    }
    return Finish(Call(Library::Zip, std::move(v), -1, true));
}

int TXceedZip::Delete() {
    CallScope scope(*this);
    if (MultidiskMode) {
        lastVector_ = {"-!"};
        return Finish(kXcdMultidiskRefused);
    }
    std::vector<std::string> v{Password, "-d"};
    if (!TempPath.empty()) v.insert(v.end(), {"-b", TempPath});
    if (ExactNames) v.push_back("-E");
    v.push_back(ZipFileName);
    const std::vector<std::string> specs = AddFileArgs(true);
    v.insert(v.end(), specs.begin(), specs.end());
    return Finish(Call(Library::Zip, std::move(v)));
}

int TXceedZip::Extract(int mode) {
    CallScope scope(*this);
    if ((mode == 1 || mode == 2) && MultidiskMode) {
        lastVector_ = {"-!"};
        return Finish(kXcdMultidiskRefused);
    }
    PasswordAnswerKind = XCD_PASSWORD_EXTRACT;
    std::vector<std::string> v{Password};
    if (mode == 1) v.push_back("-f");
    if (mode == 2) v.push_back("-u");
    v.push_back("-1" + std::to_string(FirstIndex));
    v.push_back("-2" + std::to_string(LastIndex));
    if (!UsePaths) v.push_back("-j");
    if (MultidiskMode) v.push_back("-!");
    if (Overwrite == xowNever) v.push_back("-n");
    if (Overwrite == xowAlways) v.push_back("-o");
    // After "-E" every item is a name, so the target goes first.
    if (ExactNames && !ExtractDirectory.empty()) v.insert(v.end(), {"-d", ExtractDirectory});
    if (ExactNames) v.push_back("-E");
    v.push_back(ZipFileName);
    const std::vector<std::string> specs = AddFileArgs(false);
    v.insert(v.end(), specs.begin(), specs.end());
    if (!ExactNames && !ExtractDirectory.empty()) v.insert(v.end(), {"-d", ExtractDirectory});
    return Finish(Call(Library::Unzip, std::move(v)));
}

int TXceedZip::List() {
    CallScope scope(*this);
    std::vector<std::string> v{Password, "-v", "-1" + std::to_string(FirstIndex), "-2" + std::to_string(LastIndex)};
    if (MultidiskMode) v.push_back("-!");
    if (ExactNames) v.push_back("-E");
    v.push_back(ZipFileName);
    const std::vector<std::string> specs = AddFileArgs(false);
    v.insert(v.end(), specs.begin(), specs.end());
    return Finish(Call(Library::Unzip, std::move(v)));
}

int TXceedZip::GetFileCount() {
    CallScope scope(*this);
    FileCount = 0;
    const int code = Finish(Call(Library::Unzip, {MultidiskMode ? "1234567890" : "0", ZipFileName}, 1));
    return code == 0 ? FileCount : 0;
}

TXcdFileStats TXceedZip::GetFileInfo(int index) {
    CallScope scope(*this);
    FileInfo = TXcdFileStats{};
    if (index < 0) return FileInfo;
    const int code = Finish(Call(Library::Unzip, {std::to_string(static_cast<long long>(index) + 1), ZipFileName}, 1));
    return code == 0 ? FileInfo : TXcdFileStats{};
}

std::int32_t TXceedZip::Callback(std::int32_t message, void* data, void* component) {
    auto* self = static_cast<TXceedZip*>(component);
    if (self == nullptr) return XCD_ANSWER_STOP;
    try {
        PumpMainLoop();
        // Freed while the loop ran: its owner and the handlers' targets may be gone.
        if (self->freePending_) return XCD_ANSWER_STOP;
        if (message != XCD_MSG_PASSWORD) self->PasswordSent = false;
        self->HandleMessage(message, data);
        return self->Abort || self->freePending_ ? XCD_ANSWER_STOP : XCD_ANSWER_CONTINUE;
    } catch (...) {
        // Nothing may unwind into the library; a failing handler stops the operation.
        self->Abort = true;
        return XCD_ANSWER_STOP;
    }
}

void TXceedZip::HandlePassword(void* data) {
    auto* query = static_cast<XcdPasswordData*>(data);
    if (Password.empty()) {
        if (!OnPwdQuery) return;
        TXcdPwdQuery pwd{Text(query->FileName, XCD_NAME_SIZE - 1), std::string(), query->Answer};
        OnPwdQuery(*this, pwd);
        CopyInto(query->Password, XCD_PASSWORD_SIZE, pwd.Password);
        query->Answer = pwd.Answer;
    } else if (!PasswordSent) {
        CopyInto(query->Password, XCD_PASSWORD_SIZE, Password);
        query->Answer = PasswordAnswerKind;
        PasswordSent = true;
    } else {
        // Asked again with nothing in between: the password was refused.
        query->Answer = XCD_PASSWORD_GIVE_UP;
    }
}

void TXceedZip::HandleMessage(std::int32_t message, void* data) {
    if (data == nullptr) return;
    switch (message) {
        case XCD_MSG_REPLACE: {
            if (!OnReplace) return;
            auto* r = static_cast<XcdReplaceData*>(data);
            TXcdReplace replace{Text(r->ExistingName, XCD_NAME_SIZE - 1), std::string(), r->Answer};
            OnReplace(*this, replace);
            CopyInto(r->NewName, XCD_NAME_SIZE, replace.NewName);
            r->Answer = replace.Answer;
            return;
        }
        case XCD_MSG_TESTING:
            if (OnTesting) OnTesting(*this, Convert(*static_cast<XcdFileRecord*>(data)));
            return;
        case XCD_MSG_EXTRACTING:
            if (OnExtracting) OnExtracting(*this, Convert(*static_cast<XcdFileRecord*>(data)));
            return;
        case XCD_MSG_FILE_COUNT:
            FileCount = static_cast<int>(std::min<std::uint32_t>(*static_cast<std::uint32_t*>(data), 0x7FFFFFFF));
            return;
        case XCD_MSG_LISTING:
            if (OnListing) OnListing(*this, Convert(*static_cast<XcdFileRecord*>(data)));
            return;
        case XCD_MSG_FILE_INFO:
            FileInfo = Convert(*static_cast<XcdFileRecord*>(data));
            return;
        case XCD_MSG_PASSWORD:
            HandlePassword(data);
            return;
        case XCD_MSG_NEW_DISK:
            if (OnNewdisk) OnNewdisk(*this, *static_cast<std::int32_t*>(data));
            return;
        case XCD_MSG_FILE_COMMENT: {
            if (!OnFileComment) return;
            auto* c = static_cast<XcdFileCommentData*>(data);
            TXcdFileComment comment{Text(c->FileName, XCD_NAME_SIZE - 1), std::string()};
            OnFileComment(*this, comment);
            CopyInto(c->Comment, XCD_COMMENT_SIZE, comment.Comment);
            c->Length = static_cast<std::uint8_t>(std::min<std::size_t>(comment.Comment.size(), XCD_COMMENT_SIZE - 1));
            return;
        }
        case XCD_MSG_ZIP_COMMENT: {
            auto* c = static_cast<XcdZipCommentData*>(data);
            archiveComment_ = Text(c->Comment, std::min<std::size_t>(c->Length, XCD_COMMENT_SIZE - 1));
            return;
        }
        case XCD_MSG_GET_ZIP_COMMENT: {
            auto* c = static_cast<XcdZipCommentBuffer*>(data);
            CopyInto(c->Buffer, XCD_COMMENT_SIZE, archiveComment_);
            c->Length = static_cast<std::uint16_t>(archiveComment_.size());
            c->Flag = 1;
            return;
        }
        case XCD_MSG_UPDATING:
            if (OnUpdating) OnUpdating(*this, Convert(*static_cast<XcdFileRecord*>(data)));
            return;
        case XCD_MSG_ADDING:
            if (OnAdding) OnAdding(*this, Convert(*static_cast<XcdFileRecord*>(data)));
            return;
        case XCD_MSG_DELETING:
            if (OnDeleting) OnDeleting(*this, Text(static_cast<const char*>(data), XCD_NAME_SIZE - 1));
            return;
        case XCD_MSG_STATUS:
            if (OnStatus) OnStatus(*this, Convert(*static_cast<XcdFileRecord*>(data)));
            return;
        case XCD_MSG_SKIPPING: {
            if (!OnSkippingFile) return;
            auto* s = static_cast<XcdSkippingData*>(data);
            OnSkippingFile(*this, TXcdSkipping{Text(s->FileName, XCD_NAME_SIZE - 1), s->Reason});
            return;
        }
        case XCD_MSG_FIXING:
            if (OnFixing) OnFixing(*this, Text(static_cast<const char*>(data), XCD_NAME_SIZE - 1));
            return;
        default:
            return;
    }
}

}  // namespace corvane
